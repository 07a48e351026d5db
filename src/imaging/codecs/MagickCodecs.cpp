// Codecs for the formats GraphicsMagick decodes for us: GIF, TIFF, JPEG, PCX,
// PNG, Targa, EPS (rendered by Ghostscript) and Photo CD.
//
// Every format follows one pattern. The header is read first (our own small
// parsers in RasterFacts, or GraphicsMagick's ping where it is reliable), which
// fixes the size, guards against absurd dimensions before a pixel is decoded,
// and decides the depth of the bitmap; probe and read share that decision, so
// a probe always reports the depth a load produces. Then GraphicsMagick
// decodes the page and MagickBridge moves the pixels into the bitmap; JPEG,
// PNG and common TIFF pixels go through libjpeg, libpng and libtiff directly
// (JpegDirect, PngDirect, TiffDirect) where the file allows.

#include "imaging/codecs/Codec.h"
#include "imaging/codecs/JpegDirect.h"
#include "imaging/codecs/Magick.h"
#include "imaging/codecs/MagickBridge.h"
#include "imaging/codecs/PngDirect.h"
#include "imaging/codecs/RasterFacts.h"
#include "imaging/codecs/RasterWriters.h"
#include "imaging/codecs/TiffDirect.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace ardane::imaging::codecs {

namespace {

using LayoutReader = Result (*)(ByteView data, int page, StoredLayout& out);

// Ghostscript gets this long to render an EPS before we give up on it.
constexpr int kGhostscriptTimeoutMs = 120'000;

Result checkSize(std::int64_t w, std::int64_t h)
{
    if (w <= 0 || h <= 0)
        return result::ReadError;
    return Bitmap::isValidSize(w, h) ? result::Ok : result::OutOfMemory;
}

std::int64_t dibSize(int w, int h, int bits) { return ((std::int64_t(w) * bits + 31) / 32) * 4 * h; }

void fillProbe(FileFormat format, int w, int h, int bits, std::string compression, int pages, ProbeInfo& info)
{
    info.format = format;
    info.width = w;
    info.height = h;
    info.bitsPerPixel = bits;
    info.memorySize = dibSize(w, h, bits);
    info.compression = std::move(compression);
    info.pages = pages;
}

// Runs `body` and turns anything thrown into a result code.
template <typename Body>
Result guarded(Result onOther, Body&& body)
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return result::OutOfMemory;
    } catch (...) {
        return onOther;
    }
}

// --- formats described by their own header ---------------------------------

Result singlePage(Result (*reader)(ByteView, StoredLayout&), ByteView data, int page, StoredLayout& out)
{
    if (page != 0)
        return result::InvalidFormat;
    return reader(data, out);
}

Result pngLayoutAt(ByteView d, int page, StoredLayout& out) { return singlePage(pngLayout, d, page, out); }
Result tgaLayoutAt(ByteView d, int page, StoredLayout& out) { return singlePage(tgaLayout, d, page, out); }
Result pcxLayoutAt(ByteView d, int page, StoredLayout& out) { return singlePage(pcxLayout, d, page, out); }

Result jpegLayout(ByteView d, int page, StoredLayout& layout);

Result layoutAndCheck(LayoutReader layoutOf, const char* magick, ByteView data, int page, StoredLayout& layout)
{
    if (data.empty())
        return result::InvalidFormat;
    if (const Result r = layoutOf(data, page, layout); r != result::Ok)
        return r;
    if (const Result r = checkSize(layout.width, layout.height); r != result::Ok)
        return r;
    if (layoutOf == jpegLayout)
        return result::Ok; // that layout came from GraphicsMagick already
    // GraphicsMagick's own reading of the header catches what a quick parse
    // lets through (and costs no pixel decoding).
    gm::ImagePtr pinged;
    return gm::readBlob(data, magick, page, true, pinged);
}

Result probeByLayout(FileFormat format, LayoutReader layoutOf, const char* magick, ByteView data, int page, ProbeInfo& info)
{
    return guarded(result::ReadError, [&] {
        StoredLayout layout;
        if (const Result r = layoutAndCheck(layoutOf, magick, data, page, layout); r != result::Ok)
            return r;
        fillProbe(format, layout.width, layout.height, loadDepth(layout), layout.compression, layout.pages, info);
        return result::Ok;
    });
}

Result readByLayout(LayoutReader layoutOf, const char* magick, ByteView data, int page, Bitmap& out)
{
    return guarded(result::ReadError, [&] {
        StoredLayout layout;
        if (const Result r = layoutAndCheck(layoutOf, magick, data, page, layout); r != result::Ok)
            return r;
        gm::ImagePtr image;
        if (const Result r = gm::readBlob(data, magick, page, false, image); r != result::Ok)
            return r;
        Bitmap bitmap;
        if (const Result r = gm::toBitmap(image.get(), loadDepth(layout), layout.kind, bitmap); r != result::Ok)
            return r;
        if (!layout.palette.empty() && bitmap.isIndexed() && layout.palette.size() <= (std::size_t(1) << bitmap.bitsPerPixel()))
            bitmap.image().setColorTable(QList<QRgb>(layout.palette.begin(), layout.palette.end()));
        out = std::move(bitmap);
        return result::Ok;
    });
}

// --- writing through GraphicsMagick -----------------------------------------

Result encodeIndexed(const Bitmap& bitmap, gm::EncodeOptions options, Bytes& out)
{
    // Pad the table to the full 2^bits entries: GIF and TIFF tables have that
    // size anyway, and the coders then choose the bitmap's own sample width.
    gm::ImagePtr image;
    if (const Result r = gm::fromBitmap(bitmap, 1 << bitmap.bitsPerPixel(), image); r != result::Ok)
        return r;
    return gm::writeBlob(image.get(), options, out);
}

Result encodeTrueColour(const Bitmap& bitmap, bool greyscale, const gm::EncodeOptions& options, Bytes& out)
{
    gm::ImagePtr image;
    if (const Result r = gm::fromBitmapTrueColour(bitmap, greyscale, image); r != result::Ok)
        return r;
    return gm::writeBlob(image.get(), options, out);
}

template <typename Body>
Result writeGuarded(const Bitmap& bitmap, Bytes& out, Body&& body)
{
    if (bitmap.isNull())
        return result::WriteError;
    return guarded(result::WriteError, [&] {
        Bytes encoded;
        if (const Result r = body(encoded); r != result::Ok)
            return r;
        out = std::move(encoded);
        return result::Ok;
    });
}

// --- PNG --------------------------------------------------------------------

Result pngProbe(ByteView d, int page, ProbeInfo& info) { return probeByLayout(FileFormat::Png, pngLayoutAt, "PNG", d, page, info); }
// Files with 8-bit or narrower samples decode through libpng directly, the
// rest through GraphicsMagick.
Result pngRead(ByteView d, int page, Bitmap& out)
{
    return guarded(result::ReadError, [&] {
        StoredLayout layout;
        if (const Result r = layoutAndCheck(pngLayoutAt, "PNG", d, page, layout); r != result::Ok)
            return r;
        if (const std::optional<Result> direct = png::decode(d, layout, out))
            return *direct;
        return readByLayout(pngLayoutAt, "PNG", d, page, out);
    });
}
Result pngWrite(const Bitmap& bitmap, int /*quality*/, Bytes& out)
{
    return writeGuarded(bitmap, out, [&](Bytes& encoded) {
        switch (bitmap.bitsPerPixel()) {
        case 1:
        case 4:
        case 8: return writeIndexedPng(bitmap, encoded);
        case 24:
        case 32: return *png::encode(bitmap, encoded);
        default: return result::UnsupportedDepth;
        }
    });
}

// --- GIF --------------------------------------------------------------------

Result gifProbe(ByteView d, int page, ProbeInfo& info) { return probeByLayout(FileFormat::Gif, gifLayout, "GIF", d, page, info); }
Result gifRead(ByteView d, int page, Bitmap& out) { return readByLayout(gifLayout, "GIF", d, page, out); }
Result gifWrite(const Bitmap& bitmap, int /*quality*/, Bytes& out)
{
    return writeGuarded(bitmap, out, [&](Bytes& encoded) {
        if (!bitmap.isIndexed())
            return result::UnsupportedDepth;
        return encodeIndexed(bitmap, gm::EncodeOptions("GIF"), encoded);
    });
}

// --- TIFF -------------------------------------------------------------------

Result tiffProbe(ByteView d, int page, ProbeInfo& info) { return probeByLayout(FileFormat::Tiff, tiffLayout, "TIFF", d, page, info); }
// 8-bit RGB and grey pages decode through libtiff directly, the rest through
// GraphicsMagick.
Result tiffRead(ByteView d, int page, Bitmap& out)
{
    return guarded(result::ReadError, [&] {
        StoredLayout layout;
        if (const Result r = layoutAndCheck(tiffLayout, "TIFF", d, page, layout); r != result::Ok)
            return r;
        if (const std::optional<Result> direct = tiff::decode(d, page, out))
            return *direct;
        return readByLayout(tiffLayout, "TIFF", d, page, out);
    });
}
Result tiffEncode(const Bitmap& bitmap, Bytes& encoded)
{
    gm::EncodeOptions options("TIFF");
    options.compression = MagickLib::LZWCompression;
    switch (bitmap.bitsPerPixel()) {
    case 1:
    case 4:
    case 8: return encodeIndexed(bitmap, options, encoded);
    case 24: return *tiff::encode(bitmap, encoded);
    case 32:
        // Unassociated: the colour samples are stored as they are, not
        // multiplied by alpha, which is how our bitmaps hold them.
        options.defines = "tiff:alpha=unassociated";
        return encodeTrueColour(bitmap, false, options, encoded);
    default: return result::UnsupportedDepth;
    }
}

Result tiffWrite(const Bitmap& bitmap, int /*quality*/, Bytes& out)
{
    return writeGuarded(bitmap, out, [&](Bytes& encoded) {
        const Result r = tiffEncode(bitmap, encoded);
        if (r == result::Ok)
            clearTiffPadding(encoded);
        return r;
    });
}

// --- Targa ------------------------------------------------------------------

Result tgaProbe(ByteView d, int page, ProbeInfo& info) { return probeByLayout(FileFormat::Tga, tgaLayoutAt, "TGA", d, page, info); }
Result tgaRead(ByteView d, int page, Bitmap& out) { return readByLayout(tgaLayoutAt, "TGA", d, page, out); }
Result tgaWrite(const Bitmap& bitmap, int /*quality*/, Bytes& out)
{
    return writeGuarded(bitmap, out, [&](Bytes& encoded) {
        switch (bitmap.bitsPerPixel()) {
        case 8: {
            // The colour map exactly as long as the bitmap's table.
            gm::ImagePtr image;
            if (const Result r = gm::fromBitmap(bitmap, 0, image); r != result::Ok)
                return r;
            return gm::writeBlob(image.get(), gm::EncodeOptions("TGA"), encoded);
        }
        case 16: return writeTga16(bitmap, encoded);
        case 24:
        case 32: return encodeTrueColour(bitmap, false, gm::EncodeOptions("TGA"), encoded);
        default: return result::UnsupportedDepth;
        }
    });
}

// --- PCX --------------------------------------------------------------------

Result pcxProbe(ByteView d, int page, ProbeInfo& info) { return probeByLayout(FileFormat::Pcx, pcxLayoutAt, "PCX", d, page, info); }
Result pcxRead(ByteView d, int page, Bitmap& out) { return readByLayout(pcxLayoutAt, "PCX", d, page, out); }
Result pcxWrite(const Bitmap& bitmap, int /*quality*/, Bytes& out)
{
    return writeGuarded(bitmap, out, [&](Bytes& encoded) { return writePcx(bitmap, encoded); });
}

// --- JPEG -------------------------------------------------------------------

// JPEG headers are GraphicsMagick's to read: a grey file comes back colour
// mapped, anything else (RGB, CMYK, YCCK) as true colour.
Result jpegLayout(ByteView d, int page, StoredLayout& layout)
{
    if (page != 0)
        return result::InvalidFormat;
    gm::ImagePtr pinged;
    if (const Result r = gm::readBlob(d, "JPEG", 0, true, pinged); r != result::Ok)
        return r;
    layout = {};
    layout.width = int(std::min<unsigned long>(pinged->columns, 0x7FFFFFFF));
    layout.height = int(std::min<unsigned long>(pinged->rows, 0x7FFFFFFF));
    layout.kind = pinged->storage_class == MagickLib::PseudoClass ? StoredKind::Grey : StoredKind::Rgb;
    layout.sampleBits = 8;
    layout.compression = "JPEG";
    return result::Ok;
}

Result jpegProbe(ByteView d, int page, ProbeInfo& info) { return probeByLayout(FileFormat::Jpeg, jpegLayout, "JPEG", d, page, info); }
// Grey and colour files decode through libjpeg directly; CMYK and YCCK ones
// through GraphicsMagick.
Result jpegRead(ByteView d, int page, Bitmap& out)
{
    return guarded(result::ReadError, [&] {
        StoredLayout layout;
        if (const Result r = layoutAndCheck(jpegLayout, "JPEG", d, page, layout); r != result::Ok)
            return r;
        if (const std::optional<Result> direct = jpeg::decode(d, out))
            return *direct;
        return readByLayout(jpegLayout, "JPEG", d, page, out);
    });
}

Result jpegWrite(const Bitmap& bitmap, int quality, Bytes& out)
{
    return writeGuarded(bitmap, out, [&](Bytes& encoded) { return jpeg::encode(bitmap, quality, encoded); });
}

// --- Photo CD ---------------------------------------------------------------

Result pcdLayout(ByteView d, int page, StoredLayout& layout)
{
    if (page != 0)
        return result::InvalidFormat;
    gm::ImagePtr pinged;
    if (const Result r = gm::readBlob(d, "PCD", -1, true, pinged); r != result::Ok)
        return r;
    layout = {};
    layout.width = int(std::min<unsigned long>(pinged->columns, 0x7FFFFFFF));
    layout.height = int(std::min<unsigned long>(pinged->rows, 0x7FFFFFFF));
    layout.kind = StoredKind::Rgb;
    layout.compression = "None";
    return result::Ok;
}

// The layout of a Photo CD file image whose size we are prepared to decode.
Result pcdCheckedLayout(ByteView d, int page, StoredLayout& layout)
{
    if (d.empty())
        return result::InvalidFormat;
    if (const Result r = pcdLayout(d, page, layout); r != result::Ok)
        return r;
    return checkSize(layout.width, layout.height);
}

Result pcdProbe(ByteView d, int page, ProbeInfo& info)
{
    return guarded(result::ReadError, [&] {
        StoredLayout layout;
        if (const Result r = pcdCheckedLayout(d, page, layout); r != result::Ok)
            return r;
        fillProbe(FileFormat::PhotoCd, layout.width, layout.height, 24, layout.compression, 1, info);
        return result::Ok;
    });
}

Result pcdRead(ByteView d, int page, Bitmap& out)
{
    return guarded(result::ReadError, [&] {
        StoredLayout layout;
        if (const Result r = pcdCheckedLayout(d, page, layout); r != result::Ok)
            return r;
        gm::ImagePtr image;
        if (const Result r = gm::readBlob(d, "PCD", -1, false, image); r != result::Ok)
            return r;
        Bitmap bitmap;
        if (const Result r = gm::toBitmap(image.get(), 24, StoredKind::Rgb, bitmap); r != result::Ok)
            return r;
        out = std::move(bitmap);
        return result::Ok;
    });
}

// --- EPS --------------------------------------------------------------------

// Run before the document: the image operators check, once they have drawn,
// that their data did not run into the end of the file. Ghostscript itself
// quietly draws what a cut-off image has and succeeds; the undefined name
// turns that into an error and a failed run.
constexpr char kImageDataCheck[] =
    "/ardaneImageCheck { currentfile status not { ardaneImageDataEndsEarly } if } bind def\n"
    "/image { //image ardaneImageCheck } bind def\n"
    "/colorimage { //colorimage ardaneImageCheck } bind def\n"
    "/imagemask { //imagemask ardaneImageCheck } bind def\n";

// Renders the PostScript with Ghostscript at 72 dpi, cropped to the bounding
// box, into a PPM file image. We run Ghostscript ourselves rather than through
// GraphicsMagick's delegate so that a document that never finishes (PostScript
// is a programming language) cannot hang us: it gets a time limit.
//
// Ghostscript crops to the bounding box only for documents that call
// themselves encapsulated on their first line; a PostScript page with a
// bounding box but a plain "%!PS-Adobe-3.0" line would come out at the full
// paper size. The copy we hand it carries the encapsulated first line.
Result renderEps(ByteView data, const EpsLayout& layout, Bytes& ppm)
{
    const QString gs = QStandardPaths::findExecutable(QStringLiteral("gs"));
    if (gs.isEmpty())
        return result::NotAvailable;
    QTemporaryDir dir;
    if (!dir.isValid())
        return result::ReadError;
    const QString input = dir.filePath(QStringLiteral("in.eps"));
    const QString check = dir.filePath(QStringLiteral("check.ps"));
    const QString output = dir.filePath(QStringLiteral("out.ppm"));
    {
        const std::string_view ps(reinterpret_cast<const char*>(data.data()) + layout.psOffset, layout.psLength);
        std::size_t firstLineEnd = ps.find_first_of("\r\n");
        if (firstLineEnd == std::string_view::npos)
            firstLineEnd = ps.size();
        const bool encapsulated = ps.substr(0, firstLineEnd).find("EPSF") != std::string_view::npos;
        const std::string_view head = encapsulated ? std::string_view() : std::string_view("%!PS-Adobe-3.0 EPSF-3.0");
        const std::string_view body = encapsulated ? ps : ps.substr(firstLineEnd);
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly) || file.write(head.data(), qint64(head.size())) != qint64(head.size())
            || file.write(body.data(), qint64(body.size())) != qint64(body.size()))
            return result::ReadError;
        QFile checkFile(check);
        if (!checkFile.open(QIODevice::WriteOnly) || checkFile.write(kImageDataCheck) != qint64(sizeof kImageDataCheck - 1))
            return result::ReadError;
    }
    QProcess process;
    process.setProgram(gs);
    process.setArguments({QStringLiteral("-q"), QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"), QStringLiteral("-dNOPAUSE"),
                          QStringLiteral("-dNOPROMPT"), QStringLiteral("-dEPSCrop"), QStringLiteral("-sDEVICE=ppmraw"),
                          QStringLiteral("-r72"), QStringLiteral("-dTextAlphaBits=4"), QStringLiteral("-dGraphicsAlphaBits=4"),
                          QStringLiteral("-sOutputFile=") + output, check, QStringLiteral("-f"), input});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(30'000))
        return result::NotAvailable;
    if (!process.waitForFinished(kGhostscriptTimeoutMs)) {
        process.kill();
        process.waitForFinished(5'000);
        return result::ReadError;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return result::ReadError;
    QFile file(output);
    if (!file.open(QIODevice::ReadOnly))
        return result::ReadError;
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty())
        return result::ReadError;
    ppm.assign(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
               reinterpret_cast<const std::uint8_t*>(bytes.constData()) + bytes.size());
    return result::Ok;
}

// Turns rendered colours back into indices of the table the file declared:
// the first entry of a colour wins, colours not in the table (none, when the
// renderer reproduces the table) go to the nearest entry.
Result toIndexed(const Bitmap& rgb, const std::vector<QRgb>& palette, int bits, Bitmap& out)
{
    Bitmap indexed = Bitmap::create(rgb.width(), rgb.height(), bits, palette);
    if (indexed.isNull())
        return result::OutOfMemory;
    std::unordered_map<QRgb, uchar> lookup;
    for (int i = int(palette.size()) - 1; i >= 0; --i)
        lookup[palette[std::size_t(i)] | 0xFF000000u] = uchar(i);
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* src = rgb.image().constScanLine(y);
        uchar* dst = indexed.image().scanLine(y);
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = qRgb(src[3 * x], src[3 * x + 1], src[3 * x + 2]);
            auto it = lookup.find(c);
            if (it == lookup.end()) {
                int best = 0;
                long bestDistance = LONG_MAX;
                for (std::size_t i = 0; i < palette.size(); ++i) {
                    const long dr = qRed(palette[i]) - qRed(c), dg = qGreen(palette[i]) - qGreen(c), db = qBlue(palette[i]) - qBlue(c);
                    const long distance = dr * dr + dg * dg + db * db;
                    if (distance < bestDistance) {
                        bestDistance = distance;
                        best = int(i);
                    }
                }
                it = lookup.emplace(c, uchar(best)).first;
            }
            dst[x] = it->second;
        }
    }
    indexed.setResolution(rgb.xResolution(), rgb.yResolution());
    out = std::move(indexed);
    return result::Ok;
}

Result epsLayoutChecked(ByteView d, int page, EpsLayout& layout)
{
    if (d.empty())
        return result::InvalidFormat;
    if (page != 0)
        return result::InvalidFormat;
    if (const Result r = epsLayout(d, layout); r != result::Ok)
        return r;
    return checkSize(layout.width, layout.height);
}

Result epsProbe(ByteView d, int page, ProbeInfo& info)
{
    return guarded(result::ReadError, [&] {
        EpsLayout layout;
        if (const Result r = epsLayoutChecked(d, page, layout); r != result::Ok)
            return r;
        fillProbe(FileFormat::Eps, layout.width, layout.height, layout.bits, "None", 1, info);
        return result::Ok;
    });
}

Result epsRead(ByteView d, int page, Bitmap& out)
{
    return guarded(result::ReadError, [&] {
        EpsLayout layout;
        if (const Result r = epsLayoutChecked(d, page, layout); r != result::Ok)
            return r;
        Bytes ppm;
        if (const Result r = renderEps(d, layout, ppm); r != result::Ok)
            return r;
        gm::ImagePtr image;
        if (const Result r = gm::readBlob(ppm, "PPM", 0, false, image); r != result::Ok)
            return r;
        // The page is the bounding box, rounded out to whole points; a page
        // that comes out larger is cut to the box, one that is smaller means
        // the rendering went wrong.
        if (image->columns < unsigned(layout.width) || image->rows < unsigned(layout.height))
            return result::ReadError;
        if (image->columns != unsigned(layout.width) || image->rows != unsigned(layout.height)) {
            MagickLib::RectangleInfo box{unsigned(layout.width), unsigned(layout.height), 0, 0};
            gm::ExceptionRecord exception;
            gm::ImagePtr cropped(MagickLib::CropImage(image.get(), &box, exception.get()));
            if (!cropped)
                return result::OutOfMemory;
            image = std::move(cropped);
        }
        Bitmap rgb;
        if (const Result r = gm::toBitmap(image.get(), 24, StoredKind::Rgb, rgb); r != result::Ok)
            return r;
        // PostScript has no resolution of its own; we render one pixel per point.
        rgb.setResolution(72, 72);
        if (layout.bits == 24) {
            out = std::move(rgb);
            return result::Ok;
        }
        return toIndexed(rgb, layout.palette, layout.bits, out);
    });
}

Result epsWrite(const Bitmap& bitmap, int /*quality*/, Bytes& out)
{
    return writeGuarded(bitmap, out, [&](Bytes& encoded) { return writeEps(bitmap, encoded); });
}

} // namespace

Result png::decodeWithMagick(ByteView data, Bitmap& out) { return readByLayout(pngLayoutAt, "PNG", data, 0, out); }

const Codec kGifCodec{FileFormat::Gif, gifProbe, gifRead, gifWrite};
const Codec kTiffCodec{FileFormat::Tiff, tiffProbe, tiffRead, tiffWrite};
const Codec kJpegCodec{FileFormat::Jpeg, jpegProbe, jpegRead, jpegWrite};
const Codec kPcxCodec{FileFormat::Pcx, pcxProbe, pcxRead, pcxWrite};
const Codec kPngCodec{FileFormat::Png, pngProbe, pngRead, pngWrite};
const Codec kTgaCodec{FileFormat::Tga, tgaProbe, tgaRead, tgaWrite};
const Codec kEpsCodec{FileFormat::Eps, epsProbe, epsRead, epsWrite};
const Codec kPhotoCdCodec{FileFormat::PhotoCd, pcdProbe, pcdRead, nullptr};

namespace {
gm::EncodeOptions adjoined(const char* magick)
{
    gm::EncodeOptions options(magick);
    options.adjoin = true;
    return options;
}
} // namespace

Result appendPages(ByteView existing, ByteView added, Bytes& out)
{
    return guarded(result::WriteError, [&] {
        const auto formatOf = [](ByteView d) -> const char* {
            if (d.size() >= 4 && (std::memcmp(d.data(), "II*\0", 4) == 0 || std::memcmp(d.data(), "MM\0*", 4) == 0))
                return "TIFF";
            if (d.size() >= 6 && (std::memcmp(d.data(), "GIF87a", 6) == 0 || std::memcmp(d.data(), "GIF89a", 6) == 0))
                return "GIF";
            return nullptr;
        };
        const char* magick = formatOf(existing);
        if (!magick || formatOf(added) != magick)
            return result::InvalidFormat;
        // Every page of both must pass the size check before any is decoded.
        const LayoutReader layoutOf = std::strcmp(magick, "TIFF") == 0 ? tiffLayout : gifLayout;
        for (ByteView file : {existing, added}) {
            StoredLayout layout;
            for (int page = 0; page < layout.pages; ++page) {
                if (const Result r = layoutOf(file, page, layout); r != result::Ok)
                    return r;
                if (const Result r = checkSize(layout.width, layout.height); r != result::Ok)
                    return r;
            }
        }
        gm::ImagePtr pages;
        if (const Result r = gm::readAllFrames(existing, magick, pages); r != result::Ok)
            return r;
        gm::ImagePtr more;
        if (const Result r = gm::readAllFrames(added, magick, more); r != result::Ok)
            return r;
        MagickLib::Image* list = pages.release();
        MagickLib::AppendImageToList(&list, more.release()); // leaves `list` at the appended frame
        pages.reset(MagickLib::GetFirstImageInList(list));
        if (std::strcmp(magick, "GIF") == 0) {
            // A GIF's logical screen is the first frame's page size: make it
            // large enough for every page, as readers clip frames to it.
            unsigned long screenWidth = 0, screenHeight = 0;
            for (const MagickLib::Image* frame = pages.get(); frame; frame = frame->next) {
                screenWidth = std::max({screenWidth, frame->columns, frame->page.width});
                screenHeight = std::max({screenHeight, frame->rows, frame->page.height});
            }
            for (MagickLib::Image* frame = pages.get(); frame; frame = frame->next) {
                frame->page.width = screenWidth;
                frame->page.height = screenHeight;
            }
        }
        Bytes joined;
        if (const Result r = gm::writeBlob(pages.get(), adjoined(magick), joined); r != result::Ok)
            return r;
        if (std::strcmp(magick, "TIFF") == 0)
            clearTiffPadding(joined);
        out = std::move(joined);
        return result::Ok;
    });
}

} // namespace ardane::imaging::codecs
