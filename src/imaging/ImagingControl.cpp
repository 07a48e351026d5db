#include "imaging/ImagingControl.h"

#include "imaging/ControlGuard.h"
#include "imaging/codecs/Codec.h"
#include "imaging/codecs/Dib.h"
#include "imaging/codecs/Magick.h"
#include "imaging/ops/Depth.h"
#include "imaging/ops/Geometry.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <new>
#include <stdexcept>

namespace ardane::imaging {

namespace {

using codecs::Bytes;
using codecs::ByteView;

using detail::memoryGuarded;

int jpegQuality(int quality)
{
    switch (quality) {
    case 1: return 95;
    case 2: return 90;
    case 3: return 75;
    case 4: return 50;
    default: return (quality >= 5 && quality <= 100) ? quality : 90;
    }
}

// Decodes a file image and brings it to the requested depth.
Result decode(ByteView data, int bits, int page, Bitmap& out)
{
    if (bits != 0 && !Bitmap::isValidDepth(bits))
        return result::UnsupportedDepth;
    if (data.empty())
        return result::InvalidFormat;
    const codecs::Codec* codec = codecs::codecFor(codecs::detectFormat(data));
    if (!codec)
        return result::InvalidFormat;
    return memoryGuarded([&] {
        Bitmap decoded;
        if (const Result r = codec->read(data, page, decoded); r != result::Ok)
            return r;
        if (bits != 0 && bits != decoded.bitsPerPixel()) {
            Bitmap converted;
            if (const Result r = ops::convertDepth(decoded, bits, ops::PaletteOption::Fixed, ops::DitherOption::None, converted); r != result::Ok)
                return r;
            converted.setResolution(decoded.xResolution(), decoded.yResolution());
            decoded = std::move(converted);
        }
        out = std::move(decoded);
        return result::Ok;
    });
}

// The depth a bitmap is written at when the caller leaves the choice to us
// and the format cannot hold the bitmap's own depth: the smallest depth above
// it that the format holds, so nothing is lost (16 -> 24 for PNG), or failing
// that the largest below (24 -> 8 for GIF, 32 -> 24 for JPEG). JPEG's 8 bits
// are grey samples, so colour pictures go to 24 bits there. 0 when the format
// holds no depth at all.
bool greyTable(const Bitmap& bitmap)
{
    if (!bitmap.isIndexed())
        return false;
    const std::vector<QRgb> table = bitmap.palette();
    return std::all_of(table.begin(), table.end(), [](QRgb c) { return qRed(c) == qGreen(c) && qGreen(c) == qBlue(c); });
}

int automaticDepth(const FormatInfo& info, const Bitmap& bitmap)
{
    const int own = bitmap.bitsPerPixel();
    if (canWriteDepth(info, own))
        return own;
    const bool greyOnlyIndexed = info.format == FileFormat::Jpeg;
    int above = 0;
    int below = 0;
    for (const int bits : {1, 4, 8, 16, 24, 32}) {
        if (!canWriteDepth(info, bits) || (greyOnlyIndexed && bits <= 8 && !greyTable(bitmap)))
            continue;
        if (bits > own && above == 0)
            above = bits;
        if (bits < own)
            below = bits;
    }
    return above != 0 ? above : below;
}

} // namespace

Result readWholeFile(const QString& path, std::vector<std::uint8_t>& out)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return result::CannotOpen;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return result::CannotOpen;
    const qint64 size = file.size();
    if (size < 0)
        return result::ReadError;
    try {
        out.resize(std::size_t(size));
    } catch (const std::bad_alloc&) {
        return result::OutOfMemory;
    } catch (const std::length_error&) {
        return result::OutOfMemory;
    }
    qint64 done = 0;
    while (done < size) {
        const qint64 n = file.read(reinterpret_cast<char*>(out.data()) + done, size - done);
        if (n <= 0) {
            out.clear();
            return result::ReadError;
        }
        done += n;
    }
    return result::Ok;
}

Result writeWholeFile(const QString& path, std::span<const std::uint8_t> data)
{
    if (QFileInfo(path).isDir())
        return result::CannotOpen;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return result::CannotOpen;
    if (file.write(reinterpret_cast<const char*>(data.data()), qint64(data.size())) != qint64(data.size())) {
        file.cancelWriting();
        return result::WriteError;
    }
    return file.commit() ? result::Ok : result::WriteError;
}

void ImagingControl::SetXResolution(std::int16_t dpi)
{
    if (HasImage() && dpi > 0)
        m_bitmap.setResolution(dpi, m_bitmap.yResolution());
}

void ImagingControl::SetYResolution(std::int16_t dpi)
{
    if (HasImage() && dpi > 0)
        m_bitmap.setResolution(m_bitmap.xResolution(), dpi);
}

Result ImagingControl::ProbeFile(const QString& path, int page)
{
    return memoryGuarded([&] {
        Bytes data;
        if (const Result r = readWholeFile(path, data); r != result::Ok)
            return r;
        if (data.empty())
            return result::InvalidFormat;
        const FileFormat format = codecs::detectFormat(data);
        const codecs::Codec* codec = codecs::codecFor(format);
        if (!codec)
            return result::InvalidFormat;
        codecs::ProbeInfo info;
        if (const Result r = codec->probe(data, page, info); r != result::Ok)
            return r;
        m_probedCompression = info.compression; // the one step here that can throw
        m_probedBits = std::int16_t(info.bitsPerPixel);
        m_probedFormat = std::int16_t(info.format == FileFormat::Unknown ? format : info.format);
        m_probedMemory = std::int32_t(std::min<std::int64_t>(info.memorySize, INT32_MAX));
        m_probedWidth = info.width;
        m_probedHeight = info.height;
        return result::Ok;
    });
}

Result ImagingControl::LoadFile(const QString& path, int bits, int page)
{
    return memoryGuarded([&] {
        Bytes data;
        if (const Result r = readWholeFile(path, data); r != result::Ok)
            return r;
        return LoadFromBlock(data, bits, page);
    });
}

Result ImagingControl::LoadFromBlock(std::span<const std::uint8_t> block, int bits, int page)
{
    Bitmap loaded;
    if (const Result r = decode(block, bits, page, loaded); r != result::Ok)
        return r;
    m_bitmap = std::move(loaded);
    return result::Ok;
}

Result ImagingControl::encode(int format, int bits, int quality, std::vector<std::uint8_t>& out) const
{
    if (!HasImage())
        return result::WriteError;
    const FormatInfo* info = formatInfo(format);
    if (!info || !info->canWrite)
        return result::NotAvailable;
    const codecs::Codec* codec = codecs::codecFor(info->format);
    if (!codec || !codec->write)
        return result::NotAvailable;
    const bool automatic = bits == 0;
    if (automatic)
        bits = automaticDepth(*info, m_bitmap);
    if (!canWriteDepth(*info, bits))
        return result::UnsupportedDepth;
    return memoryGuarded([&] {
        Bitmap toWrite = m_bitmap;
        if (bits != m_bitmap.bitsPerPixel()) {
            // A depth we chose ourselves below true colour gets a palette made
            // for the picture, as other converters do; a depth the caller
            // named gets the fixed palette.
            const bool reducing = automatic && bits <= 8 && !m_bitmap.isIndexed();
            const ops::PaletteOption palette = reducing ? ops::PaletteOption::Optimized : ops::PaletteOption::Fixed;
            if (const Result r = ops::convertDepth(m_bitmap, bits, palette, ops::DitherOption::None, toWrite); r != result::Ok)
                return r;
            toWrite.setResolution(m_bitmap.xResolution(), m_bitmap.yResolution());
        }
        return codec->write(toWrite, jpegQuality(quality), out);
    });
}

Result ImagingControl::SaveFile(const QString& path, int format, int bits, int quality, bool multipage)
{
    return memoryGuarded([&] {
        Bytes encoded;
        if (const Result r = encode(format, bits, quality, encoded); r != result::Ok)
            return r;
        const auto fmt = static_cast<FileFormat>(format);
        if (multipage && (fmt == FileFormat::Tiff || fmt == FileFormat::Gif) && QFileInfo(path).isFile()) {
            Bytes existing;
            if (const Result r = readWholeFile(path, existing); r != result::Ok)
                return r;
            if (codecs::detectFormat(existing) != fmt)
                return result::InvalidFormat;
            Bytes joined;
            if (const Result r = codecs::appendPages(existing, encoded, joined); r != result::Ok)
                return r;
            encoded = std::move(joined);
        }
        return writeWholeFile(path, encoded);
    });
}

Result ImagingControl::SaveToBlock(std::vector<std::uint8_t>& block, int format, int bits, int quality) const
{
    return encode(format, bits, quality, block);
}

Result ImagingControl::CreateImage(int width, int height, int /*bits: always 24*/)
{
    if (!Bitmap::isValidSize(width, height))
        return result::OutOfMemory; // no bitmap can have that size
    return memoryGuarded([&] {
        Bitmap created = Bitmap::create(width, height, 24);
        if (created.isNull())
            return result::OutOfMemory;
        created.image().fill(Qt::white);
        m_bitmap = std::move(created);
        return result::Ok;
    });
}

Result ImagingControl::FillImage(ColorRef colour)
{
    if (!HasImage())
        return result::OutOfMemory;
    return memoryGuarded([&] { return ops::fill(m_bitmap, colour) ? result::Ok : result::OutOfMemory; });
}

Result ImagingControl::ResizeImage(int width, int height, int flags)
{
    if (!HasImage() || !Bitmap::isValidSize(width, height))
        return result::OutOfMemory;
    if (flags != 0 && flags != 1)
        return result::NotAvailable;
    return memoryGuarded([&] {
        Bitmap out;
        if (const Result r = ops::resize(m_bitmap, width, height, static_cast<ops::ResizeMode>(flags), out); r != result::Ok)
            return r;
        m_bitmap = std::move(out);
        return result::Ok;
    });
}

Result ImagingControl::CropImage(int left, int top, int width, int height)
{
    if (!HasImage())
        return result::OutOfMemory;
    return memoryGuarded([&] {
        Bitmap out;
        if (const Result r = ops::crop(m_bitmap, left, top, width, height, out); r != result::Ok)
            return r;
        m_bitmap = std::move(out);
        return result::Ok;
    });
}

Result ImagingControl::RotateImage(int hundredthsOfDegree, bool resize, ColorRef fill)
{
    if (!HasImage())
        return result::OutOfMemory;
    return memoryGuarded([&] {
        Bitmap out;
        if (const Result r = ops::rotate(m_bitmap, hundredthsOfDegree, resize, fill, out); r != result::Ok)
            return r;
        m_bitmap = std::move(out);
        return result::Ok;
    });
}

Result ImagingControl::FlipVertical()
{
    if (!HasImage())
        return result::OutOfMemory;
    return memoryGuarded([&] { return ops::flipVertical(m_bitmap) ? result::Ok : result::OutOfMemory; });
}

Result ImagingControl::FlipHorizontal()
{
    if (!HasImage())
        return result::OutOfMemory;
    return memoryGuarded([&] { return ops::flipHorizontal(m_bitmap) ? result::Ok : result::OutOfMemory; });
}

Result ImagingControl::ConvertColorDepth(int bits, int paletteOption, int ditherOption, int /*reserved*/)
{
    if (!HasImage())
        return result::OutOfMemory;
    if (!Bitmap::isValidDepth(bits))
        return result::UnsupportedDepth;
    if (!ops::isValidPaletteOption(paletteOption) || !ops::isValidDitherOption(ditherOption))
        return result::NotAvailable;
    return memoryGuarded([&] {
        Bitmap out;
        if (const Result r = ops::convertDepth(m_bitmap, bits, static_cast<ops::PaletteOption>(paletteOption),
                                               static_cast<ops::DitherOption>(ditherOption), out);
            r != result::Ok)
            return r;
        out.setResolution(m_bitmap.xResolution(), m_bitmap.yResolution());
        m_bitmap = std::move(out);
        return result::Ok;
    });
}

std::vector<std::uint8_t> ImagingControl::CopyToDib() const
{
    if (!HasImage())
        return {};
    try {
        return codecs::toPackedDib(m_bitmap);
    } catch (const std::bad_alloc&) {
        return {};
    } catch (const std::length_error&) {
        return {};
    }
}

Result ImagingControl::ReplaceFromDib(std::span<const std::uint8_t> dib)
{
    return memoryGuarded([&] {
        Bitmap out;
        if (const Result r = codecs::fromPackedDib(dib, out); r != result::Ok)
            return r;
        m_bitmap = std::move(out);
        return result::Ok;
    });
}

} // namespace ardane::imaging
