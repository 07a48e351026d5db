// PNG through libpng: files written by other programs (ImageMagick, Pillow,
// netpbm) decode through the direct path into exactly the bitmap
// GraphicsMagick's decoding gives (depth, table, every pixel, resolution);
// the files it leaves alone still load; damaged copies end in the same error
// code as through GraphicsMagick; what we write, gm and Pillow read back.

#include "imaging/ImagingControl.h"
#include "imaging/codecs/Codec.h"
#include "imaging/codecs/Magick.h"
#include "imaging/codecs/PngDirect.h"
#include "imaging/codecs/RasterFacts.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstring>
#include <map>
#include <set>

using namespace ardane::imaging;
namespace codecs = ardane::imaging::codecs;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr int kWidth = 97; // odd: packed rows of 1, 2 and 4-bit samples end mid-byte
constexpr int kHeight = 61;

// Photograph-like samples: gradients, an edge and a little noise.
int sampleAt(int x, int y, int channel)
{
    const int noise = int((std::uint32_t(x * 7919 + y * 104729 + channel * 31) * 2654435761u) >> 28);
    switch (channel) {
    case 0: return std::clamp(x * 255 / (kWidth - 1) + noise - 8, 0, 255);
    case 1: return std::clamp(y * 255 / (kHeight - 1) + noise - 8, 0, 255);
    case 2: return std::clamp((x / 20 + y / 15) % 2 ? 200 + noise : 40 + int(30 * std::sin(x * 0.2)), 0, 255);
    default: return (x * 11 + y * 5) % 256; // alpha: every level from clear to opaque
    }
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

Bytes toBytes(const QByteArray& a) { return Bytes(a.begin(), a.end()); }

// Netpbm sources: colour, colour with alpha (PAM), grey at `maxval`, and
// colour posterised to `levels` per channel (few enough colours for a
// palette), or with samples of 0..maxval.
QByteArray ppm(int levels = 256, int maxval = 255)
{
    QByteArray out = QByteArrayLiteral("P6\n") + QByteArray::number(kWidth) + ' ' + QByteArray::number(kHeight) + '\n'
        + QByteArray::number(maxval) + '\n';
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c)
                out.append(char(sampleAt(x, y, c) * (levels - 1) / 255 * 255 / (levels - 1) * maxval / 255));
    return out;
}

QByteArray pam()
{
    QByteArray out = QByteArrayLiteral("P7\nWIDTH ") + QByteArray::number(kWidth) + "\nHEIGHT " + QByteArray::number(kHeight)
        + "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 4; ++c)
                out.append(char(sampleAt(x, y, c)));
    return out;
}

QByteArray pgm(int maxval)
{
    QByteArray out = QByteArrayLiteral("P5\n") + QByteArray::number(kWidth) + ' ' + QByteArray::number(kHeight) + '\n'
        + QByteArray::number(maxval) + '\n';
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            out.append(char((sampleAt(x, y, 0) + sampleAt(x, y, 1)) / 2 * maxval / 255));
    return out;
}

QString tool(const char* name, const char* package)
{
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (path.isEmpty())
        qWarning("%s is missing: install the Debian package %s", name, package);
    return path;
}

// Runs a program, its standard output going to `stdoutPath` when given.
bool run(const QString& program, const QStringList& args, const QString& stdoutPath = {})
{
    QProcess p;
    if (!stdoutPath.isEmpty())
        p.setStandardOutputFile(stdoutPath);
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("%s %s failed: %s", qPrintable(program), qPrintable(args.join(u' ')), p.readAllStandardError().constData());
        return false;
    }
    return true;
}

// The chunks of a PNG file image, and its header fields.
struct PngFacts {
    int bitDepth = 0;
    int colourType = -1;
    bool interlaced = false;
    std::set<std::string> chunks;
};

PngFacts factsOf(const Bytes& d)
{
    PngFacts f;
    if (d.size() < 33)
        return f;
    f.bitDepth = d[24];
    f.colourType = d[25];
    f.interlaced = d[28] != 0;
    for (std::size_t at = 8; at + 8 <= d.size();) {
        const std::uint32_t n = std::uint32_t(d[at]) << 24 | d[at + 1] << 16 | d[at + 2] << 8 | d[at + 3];
        f.chunks.insert(std::string(reinterpret_cast<const char*>(d.data()) + at + 4, 4));
        at += 12 + std::size_t(n);
    }
    return f;
}

// Where the chunk of a type starts (its length field), or 0.
std::size_t chunkAt(const Bytes& d, const char* type, std::size_t from = 8)
{
    for (std::size_t at = from; at + 8 <= d.size();) {
        const std::uint32_t n = std::uint32_t(d[at]) << 24 | d[at + 1] << 16 | d[at + 2] << 8 | d[at + 3];
        if (std::memcmp(d.data() + at + 4, type, 4) == 0)
            return at;
        at += 12 + std::size_t(n);
    }
    return 0;
}

// Two bitmaps are the same: depth, size, resolution, table and the bytes of
// every pixel.
void expectSameBitmap(const Bitmap& got, const Bitmap& want, const QString& name)
{
    const QByteArray n = name.toUtf8();
    QVERIFY2(!got.isNull() && !want.isNull(), n);
    QVERIFY2(got.bitsPerPixel() == want.bitsPerPixel(),
             qPrintable(QStringLiteral("%1: depth %2, GraphicsMagick %3").arg(name).arg(got.bitsPerPixel()).arg(want.bitsPerPixel())));
    QVERIFY2(got.width() == want.width() && got.height() == want.height(), n);
    QVERIFY2(got.xResolution() == want.xResolution() && got.yResolution() == want.yResolution(),
             qPrintable(QStringLiteral("%1: %2x%3 dpi, GraphicsMagick %4x%5").arg(name).arg(got.xResolution()).arg(got.yResolution())
                            .arg(want.xResolution()).arg(want.yResolution())));
    const auto gotTable = got.palette();
    const auto wantTable = want.palette();
    QVERIFY2(gotTable.size() == wantTable.size(),
             qPrintable(QStringLiteral("%1: %2 table entries, GraphicsMagick %3").arg(name).arg(gotTable.size()).arg(wantTable.size())));
    for (std::size_t i = 0; i < gotTable.size(); ++i)
        QVERIFY2((gotTable[i] | 0xFF000000u) == (wantTable[i] | 0xFF000000u),
                 qPrintable(QStringLiteral("%1: entry %2 is %3, GraphicsMagick %4").arg(name).arg(i).arg(gotTable[i], 8, 16).arg(wantTable[i], 8, 16)));
    const int bytesPerPixel = got.bitsPerPixel() <= 8 ? 1 : got.bitsPerPixel() / 8;
    for (int y = 0; y < want.height(); ++y) {
        const uchar* a = got.image().constScanLine(y);
        const uchar* b = want.image().constScanLine(y);
        for (int x = 0; x < want.width() * bytesPerPixel; ++x)
            QVERIFY2(a[x] == b[x], qPrintable(QStringLiteral("%1: pixel (%2,%3) byte %4 is %5, GraphicsMagick %6")
                                                  .arg(name).arg(x / bytesPerPixel).arg(y).arg(x % bytesPerPixel).arg(a[x]).arg(b[x])));
    }
}

struct Decoded {
    std::optional<Result> direct; // libpng's verdict, none when it leaves the file alone
    Bitmap directBitmap;
    Result codec = result::Ok;    // through the codec table
    Bitmap codecBitmap;
    Result magick = result::Ok;   // GraphicsMagick alone
    Bitmap magickBitmap;
};

Decoded decodeEveryWay(const Bytes& data)
{
    Decoded d;
    codecs::StoredLayout layout;
    if (codecs::pngLayout(data, layout) == result::Ok && Bitmap::isValidSize(layout.width, layout.height))
        d.direct = codecs::png::decode(data, layout, d.directBitmap);
    d.codec = codecs::kPngCodec.read(data, 0, d.codecBitmap);
    d.magick = codecs::png::decodeWithMagick(data, d.magickBitmap);
    return d;
}

} // namespace

class TestPngDirect : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    // Every file written by another program: name, and whether the direct
    // path is to decode it (false: 16-bit samples, left to GraphicsMagick).
    std::vector<std::pair<QString, bool>> m_files;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        codecs::ensureMagickInitialised();
        QVERIFY(m_dir.isValid());
        QVERIFY(writeFile(path(QStringLiteral("src.ppm")), ppm()));
        QVERIFY(writeFile(path(QStringLiteral("src.pam")), pam()));
        QVERIFY(writeFile(path(QStringLiteral("few.ppm")), ppm(3)));
        QVERIFY(writeFile(path(QStringLiteral("src31.ppm")), ppm(256, 31)));
        QVERIFY(writeFile(path(QStringLiteral("grey.pgm")), pgm(255)));
        QVERIFY(writeFile(path(QStringLiteral("grey15.pgm")), pgm(15)));
        QVERIFY(writeFile(path(QStringLiteral("grey3.pgm")), pgm(3)));
        QVERIFY(writeFile(path(QStringLiteral("grey1.pgm")), pgm(1)));
        QVERIFY(writeFile(path(QStringLiteral("alpha.pgm")), [] {
            QByteArray out = QByteArrayLiteral("P5\n") + QByteArray::number(kWidth) + ' ' + QByteArray::number(kHeight) + "\n255\n";
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x)
                    out.append(char(sampleAt(x, y, 3)));
            return out;
        }()));

        // ImageMagick.
        const QString im = tool("convert", "imagemagick");
        QVERIFY2(!im.isEmpty(), "ImageMagick's convert is needed (package imagemagick)");
        const auto magick = [&](const QString& name, QStringList args) {
            args.append(path(name));
            QVERIFY2(run(im, args), qPrintable(name));
            m_files.emplace_back(name, !name.contains(QLatin1String("16")));
        };
        const QString src = path(QStringLiteral("src.ppm"));
        const QString srcA = path(QStringLiteral("src.pam"));
        const QString grey = path(QStringLiteral("grey.pgm"));
        QVERIFY(run(im, {src, QStringLiteral("-units"), QStringLiteral("PixelsPerInch"), QStringLiteral("-density"), QStringLiteral("300x150"),
                         QStringLiteral("PNG24:") + path(QStringLiteral("im_rgb.png"))}));
        m_files.emplace_back(QStringLiteral("im_rgb.png"), true);
        QVERIFY(run(im, {srcA, QStringLiteral("PNG32:") + path(QStringLiteral("im_rgba.png"))}));
        m_files.emplace_back(QStringLiteral("im_rgba.png"), true);
        QVERIFY(run(im, {src, QStringLiteral("-interlace"), QStringLiteral("PNG"), QStringLiteral("PNG24:") + path(QStringLiteral("im_rgb_adam7.png"))}));
        m_files.emplace_back(QStringLiteral("im_rgb_adam7.png"), true);
        QVERIFY(run(im, {src, QStringLiteral("-colors"), QStringLiteral("200"), QStringLiteral("PNG8:") + path(QStringLiteral("im_palette.png"))}));
        m_files.emplace_back(QStringLiteral("im_palette.png"), true);
        QVERIFY(run(im, {srcA, QStringLiteral("-colorspace"), QStringLiteral("Gray"), QStringLiteral("-define"), QStringLiteral("png:color-type=4"),
                         path(QStringLiteral("im_grey_alpha.png"))}));
        m_files.emplace_back(QStringLiteral("im_grey_alpha.png"), true);
        magick(QStringLiteral("im_grey.png"), {grey, QStringLiteral("-define"), QStringLiteral("png:color-type=0"), QStringLiteral("-define"),
                                               QStringLiteral("png:bit-depth=8")});
        QVERIFY(run(im, {src, QStringLiteral("-depth"), QStringLiteral("16"), QStringLiteral("PNG48:") + path(QStringLiteral("im_rgb16.png"))}));
        m_files.emplace_back(QStringLiteral("im_rgb16.png"), false);

        // Pillow.
        const QString python = QStringLiteral("/usr/bin/python3");
        QVERIFY2(run(python, {QStringLiteral("-c"), QStringLiteral("import PIL.Image")}), "python3 with Pillow is needed (package python3-pil)");
        const char* script = R"(
import sys, os
from PIL import Image
d = sys.argv[1]
pam = open(os.path.join(d, 'src.pam'), 'rb').read()
rgba = Image.frombytes('RGBA', (int(sys.argv[2]), int(sys.argv[3])), pam[pam.index(b'ENDHDR\n') + 7:])
rgb = rgba.convert('RGB')
L = rgb.convert('L')
rgb.save(os.path.join(d, 'pil_rgb.png'), dpi=(300, 72))
rgba.save(os.path.join(d, 'pil_rgba.png'))
L.save(os.path.join(d, 'pil_grey.png'))
L.putalpha(rgba.getchannel('A'))
L.save(os.path.join(d, 'pil_grey_alpha.png'))
rgb.convert('L').convert('1').save(os.path.join(d, 'pil_bilevel.png'))
rgb.quantize(256).save(os.path.join(d, 'pil_p256.png'))
rgb.quantize(16).save(os.path.join(d, 'pil_p16.png'), bits=4)
rgb.quantize(4).save(os.path.join(d, 'pil_p4.png'), bits=2)
rgb.quantize(2).save(os.path.join(d, 'pil_p2.png'), bits=1)
rgb.quantize(7).save(os.path.join(d, 'pil_p7_sparse.png'))
rgb.quantize(16).save(os.path.join(d, 'pil_p16_trns.png'), transparency=bytes([0, 128, 255, 7]))
rgb.convert('L').save(os.path.join(d, 'pil_grey_trns.png'), transparency=100)
rgb.save(os.path.join(d, 'pil_rgb_trns.png'), transparency=rgb.getpixel((5, 5)))
Image.frombytes('I;16', rgb.size, bytes(range(256)) * (rgb.size[0] * rgb.size[1] * 2 // 256) + bytes(rgb.size[0] * rgb.size[1] * 2 % 256)).save(os.path.join(d, 'pil_grey16.png'))
)";
        QVERIFY(run(python, {QStringLiteral("-c"), QString::fromLatin1(script), m_dir.path(), QString::number(kWidth), QString::number(kHeight)}));
        for (const char* name : {"pil_rgb.png", "pil_rgba.png", "pil_grey.png", "pil_grey_alpha.png", "pil_bilevel.png", "pil_p256.png",
                                 "pil_p16.png", "pil_p4.png", "pil_p2.png", "pil_p7_sparse.png", "pil_p16_trns.png", "pil_grey_trns.png"})
            m_files.emplace_back(QString::fromLatin1(name), true);
        m_files.emplace_back(QStringLiteral("pil_grey16.png"), false);
        m_files.emplace_back(QStringLiteral("pil_rgb_trns.png"), false);

        // netpbm: low-depth grey, interlacing, gamma and sBIT chunks,
        // resolution, transparent colours.
        const QString pnmtopng = tool("pnmtopng", "netpbm");
        QVERIFY2(!pnmtopng.isEmpty(), "pnmtopng is needed (package netpbm)");
        const auto netpbm = [&](const QString& name, QStringList args, const char* input) {
            args.append(path(QString::fromLatin1(input)));
            QVERIFY2(run(pnmtopng, args, path(name)), qPrintable(name));
            m_files.emplace_back(name, true);
        };
        netpbm(QStringLiteral("pnm_rgb_adam7_gamma.png"), {QStringLiteral("-interlace"), QStringLiteral("-gamma"), QStringLiteral("0.45"),
                                                           QStringLiteral("-size"), QStringLiteral("11811 5906 1")}, "src.ppm");
        netpbm(QStringLiteral("pnm_rgba.png"), {QStringLiteral("-alpha=") + path(QStringLiteral("alpha.pgm"))}, "src.ppm");
        netpbm(QStringLiteral("pnm_rgba_adam7.png"), {QStringLiteral("-interlace"), QStringLiteral("-alpha=") + path(QStringLiteral("alpha.pgm"))}, "src.ppm");
        netpbm(QStringLiteral("pnm_grey.png"), {QStringLiteral("-size"), QStringLiteral("100 100 0")}, "grey.pgm");
        netpbm(QStringLiteral("pnm_grey4.png"), {}, "grey15.pgm");
        netpbm(QStringLiteral("pnm_grey2.png"), {}, "grey3.pgm");
        netpbm(QStringLiteral("pnm_grey2_adam7.png"), {QStringLiteral("-interlace")}, "grey3.pgm");
        netpbm(QStringLiteral("pnm_grey1.png"), {}, "grey1.pgm");
        netpbm(QStringLiteral("pnm_grey4_trns.png"), {QStringLiteral("-transparent=rgb:77/77/77")}, "grey15.pgm");
        netpbm(QStringLiteral("pnm_palette.png"), {}, "few.ppm");
        netpbm(QStringLiteral("pnm_palette_adam7_trns.png"), {QStringLiteral("-interlace"), QStringLiteral("-transparent=rgb:ff/7f/00")}, "few.ppm");
        netpbm(QStringLiteral("pnm_rgb_sbit.png"), {QStringLiteral("-force")}, "src31.ppm");
        netpbm(QStringLiteral("pnm_rgb_trns.png"), {QStringLiteral("-force"), QStringLiteral("-transparent=rgb:ff/7f/00")}, "few.ppm");
        m_files.back().second = false;
    }

    // Every kind of PNG the direct path takes decodes exactly as through
    // GraphicsMagick, and through the codec table the same; 16-bit files are
    // left to GraphicsMagick and still load.
    void foreignFilesMatchGraphicsMagick()
    {
        std::set<std::pair<int, int>> kinds; // colour type, bit depth of the files decoded directly
        std::set<std::string> chunks;
        std::set<int> interlacedTypes;
        std::set<int> transparentTypes;
        for (const auto& [name, direct] : m_files) {
            const Bytes data = toBytes(readBytes(path(name)));
            QVERIFY2(!data.empty(), qPrintable(name));
            const PngFacts facts = factsOf(data);
            const Decoded d = decodeEveryWay(data);
            QVERIFY2(d.magick == result::Ok, qPrintable(QStringLiteral("%1: GraphicsMagick %2").arg(name).arg(d.magick)));
            QVERIFY2(d.codec == result::Ok, qPrintable(QStringLiteral("%1: codec %2").arg(name).arg(d.codec)));
            expectSameBitmap(d.codecBitmap, d.magickBitmap, name);
            if (!direct) {
                QVERIFY2(!d.direct, qPrintable(name + QStringLiteral(" went through libpng")));
                QVERIFY2(facts.bitDepth == 16 || (facts.colourType == 2 && facts.chunks.count("tRNS")), qPrintable(name));
                continue;
            }
            QVERIFY2(d.direct, qPrintable(name + QStringLiteral(" was left to GraphicsMagick")));
            QVERIFY2(*d.direct == result::Ok, qPrintable(QStringLiteral("%1: %2").arg(name).arg(*d.direct)));
            expectSameBitmap(d.directBitmap, d.magickBitmap, name);
            kinds.emplace(facts.colourType, facts.bitDepth);
            chunks.insert(facts.chunks.begin(), facts.chunks.end());
            if (facts.interlaced)
                interlacedTypes.insert(facts.colourType);
            if (facts.chunks.count("tRNS"))
                transparentTypes.insert(facts.colourType);
        }
        // The writers produced every kind this path claims.
        for (const auto& kind : {std::pair{0, 1}, {0, 2}, {0, 4}, {0, 8}, {2, 8}, {3, 1}, {3, 2}, {3, 4}, {3, 8}, {4, 8}, {6, 8}})
            QVERIFY2(kinds.count(kind), qPrintable(QStringLiteral("no file of colour type %1 at %2 bits").arg(kind.first).arg(kind.second)));
        for (const char* chunk : {"tRNS", "gAMA", "sBIT", "pHYs"})
            QVERIFY2(chunks.count(chunk), chunk);
        QVERIFY(interlacedTypes.count(0) && interlacedTypes.count(2) && interlacedTypes.count(3) && interlacedTypes.count(6));
        QVERIFY(transparentTypes.count(0) && transparentTypes.count(3));
    }

    // What the direct path gives, checked against the source samples
    // themselves: GraphicsMagick could share a fault with it otherwise.
    void pixelsAreTheWritersSamples()
    {
        ImagingControl c;
        QCOMPARE(c.LoadFile(path(QStringLiteral("pnm_rgba.png")), 0, 0), result::Ok);
        QCOMPARE(c.BitsPerPixel(), std::int16_t(32));
        const Bitmap rgba = c.ImageHandle();
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                QCOMPARE(rgba.pixelRgb(x, y), qRgba(sampleAt(x, y, 0), sampleAt(x, y, 1), sampleAt(x, y, 2), sampleAt(x, y, 3)));

        QCOMPARE(c.LoadFile(path(QStringLiteral("pnm_grey2_adam7.png")), 0, 0), result::Ok);
        QCOMPARE(c.BitsPerPixel(), std::int16_t(4));
        const Bitmap grey = c.ImageHandle();
        QCOMPARE(int(grey.palette().size()), 4);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const int level = (sampleAt(x, y, 0) + sampleAt(x, y, 1)) / 2 * 3 / 255;
                QCOMPARE(int(grey.image().constScanLine(y)[x]), level);
                QCOMPARE(grey.pixelRgb(x, y) | 0xFF000000u, qRgb(level * 85, level * 85, level * 85));
            }

        // -size 11811 5906 1: pixels per metre, 300 and 150 dots per inch.
        QCOMPARE(c.LoadFile(path(QStringLiteral("pnm_rgb_adam7_gamma.png")), 0, 0), result::Ok);
        QCOMPARE(c.BitsPerPixel(), std::int16_t(24));
        QCOMPARE(c.XResolution(), std::int16_t(300));
        QCOMPARE(c.YResolution(), std::int16_t(150));
        QCOMPARE(c.ImageHandle().pixelRgb(40, 30), qRgb(sampleAt(40, 30, 0), sampleAt(40, 30, 1), sampleAt(40, 30, 2)));

        // The transparent grey of a 4-bit file is clear, the rest opaque.
        QCOMPARE(c.LoadFile(path(QStringLiteral("pnm_grey4_trns.png")), 0, 0), result::Ok);
        QCOMPARE(c.BitsPerPixel(), std::int16_t(32));
        int clear = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const int level = (sampleAt(x, y, 0) + sampleAt(x, y, 1)) / 2 * 15 / 255;
                const QRgb p = c.ImageHandle().pixelRgb(x, y);
                QCOMPARE(qAlpha(p), level == 7 ? 0 : 255);
                QCOMPARE(qRed(p), level * 17);
                clear += level == 7;
            }
        QVERIFY(clear > 0);
    }

    // Damaged copies of files of each route: cut anywhere, a flipped byte in
    // the header, the pixel data or a trailing chunk. The direct path gives
    // the code GraphicsMagick gives, and a failed read leaves no bitmap.
    void damagedFilesFailAsThroughGraphicsMagick()
    {
        int failures = 0;
        for (const char* name : {"pil_rgb.png", "pnm_rgba_adam7.png", "pil_p16_trns.png", "pnm_grey2.png", "im_palette.png", "pil_grey_alpha.png"}) {
            const Bytes good = toBytes(readBytes(path(QString::fromLatin1(name))));
            QVERIFY(good.size() > 200);
            std::vector<std::pair<QString, Bytes>> variants;
            for (int i = 1; i < 40; ++i) {
                const std::size_t keep = good.size() * std::size_t(i) / 40;
                variants.emplace_back(QStringLiteral("cut at %1").arg(keep), Bytes(good.begin(), good.begin() + std::ptrdiff_t(keep)));
            }
            for (std::size_t lose : {1, 4, 8, 12, 13})
                variants.emplace_back(QStringLiteral("last %1 bytes lost").arg(lose), Bytes(good.begin(), good.end() - std::ptrdiff_t(lose)));
            const std::size_t idat = chunkAt(good, "IDAT");
            QVERIFY(idat > 0);
            for (std::size_t at : {std::size_t(29), std::size_t(30), idat + 8, idat + 9, idat + 40, (idat + good.size()) / 2, good.size() - 20, good.size() - 5}) {
                Bytes flipped = good;
                flipped[at] ^= 0x5A;
                variants.emplace_back(QStringLiteral("byte %1 flipped").arg(at), flipped);
            }
            // The zlib stream's own check value damaged.
            {
                std::size_t last = idat;
                for (std::size_t next = idat; (next = chunkAt(good, "IDAT", next)) != 0; next += 12 + (std::size_t(good[next]) << 24 | good[next + 1] << 16 | good[next + 2] << 8 | good[next + 3]))
                    last = next;
                const std::size_t n = std::size_t(good[last]) << 24 | good[last + 1] << 16 | good[last + 2] << 8 | good[last + 3];
                Bytes bad = good;
                bad[last + 8 + n - 1] ^= 0x01;
                variants.emplace_back(QStringLiteral("adler32 damaged"), bad);
            }
            // A damaged zlib stream behind a correct CRC.
            {
                Bytes bad = good;
                const std::size_t n = std::size_t(bad[idat]) << 24 | bad[idat + 1] << 16 | bad[idat + 2] << 8 | bad[idat + 3];
                for (std::size_t i = 0; i < std::min<std::size_t>(n, 64); ++i)
                    bad[idat + 8 + n / 3 + i] = 0xFF;
                std::uint32_t crc = 0xFFFFFFFFu;
                for (std::size_t i = idat + 4; i < idat + 8 + n; ++i) {
                    crc ^= bad[i];
                    for (int k = 0; k < 8; ++k)
                        crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
                }
                crc ^= 0xFFFFFFFFu;
                for (int k = 0; k < 4; ++k)
                    bad[idat + 8 + n + std::size_t(k)] = std::uint8_t(crc >> (24 - 8 * k));
                variants.emplace_back(QStringLiteral("zlib data damaged"), bad);
            }
            for (const auto& [what, data] : variants) {
                const Decoded d = decodeEveryWay(data);
                const QString msg = QStringLiteral("%1, %2: direct %3, codec %4, GraphicsMagick %5")
                                        .arg(QLatin1String(name), what)
                                        .arg(d.direct ? int(*d.direct) : -1)
                                        .arg(d.codec)
                                        .arg(d.magick);
                QVERIFY2(d.codec == d.magick, qPrintable(msg));
                if (d.magick == result::Ok) {
                    expectSameBitmap(d.codecBitmap, d.magickBitmap, msg);
                } else {
                    ++failures;
                    QVERIFY2(d.codecBitmap.isNull() && d.directBitmap.isNull(), qPrintable(msg));
                }
                if (d.direct)
                    QVERIFY2(*d.direct == d.magick, qPrintable(msg));
            }
        }
        QVERIFY(failures > 100);

        // Through the control, a damaged file keeps the picture it had.
        ImagingControl c;
        QCOMPARE(c.LoadFile(path(QStringLiteral("pil_rgb.png")), 0, 0), result::Ok);
        const Bitmap before = c.ImageHandle();
        const Bytes good = toBytes(readBytes(path(QStringLiteral("pnm_rgba.png"))));
        QCOMPARE(c.LoadFromBlock(Bytes(good.begin(), good.begin() + std::ptrdiff_t(good.size() / 2)), 0, 0), result::ReadError);
        QVERIFY(c.ImageHandle() == before);
    }

    // 24 and 32-bit pictures we write: RGB or RGBA at 8 bits with the
    // resolution per metre, and gm and Pillow read the same samples back.
    void writtenFilesReadElsewhere()
    {
        const QString gm = tool("gm", "graphicsmagick");
        QVERIFY2(!gm.isEmpty(), "gm is needed (package graphicsmagick)");
        for (const int bits : {24, 32}) {
            Bitmap b = Bitmap::create(kWidth, kHeight, bits);
            for (int y = 0; y < kHeight; ++y) {
                uchar* row = b.image().scanLine(y);
                for (int x = 0; x < kWidth; ++x) {
                    if (bits == 24) {
                        for (int c = 0; c < 3; ++c)
                            row[3 * x + c] = uchar(sampleAt(x, y, c));
                    } else {
                        reinterpret_cast<QRgb*>(row)[x] = qRgba(sampleAt(x, y, 0), sampleAt(x, y, 1), sampleAt(x, y, 2), sampleAt(x, y, 3));
                    }
                }
            }
            b.setResolution(300, 150);
            ImagingControl c;
            c.SetImageHandle(b);
            const QString ours = path(QStringLiteral("ours%1.png").arg(bits));
            QCOMPARE(c.SaveFile(ours, int(FileFormat::Png), bits, 0, false), result::Ok);
            const Bytes data = toBytes(readBytes(ours));
            const PngFacts facts = factsOf(data);
            QCOMPARE(facts.bitDepth, 8);
            QCOMPARE(facts.colourType, bits == 32 ? 6 : 2);
            const std::size_t phys = chunkAt(data, "pHYs");
            QVERIFY(phys > 0);
            const auto be32 = [&](std::size_t at) { return std::uint32_t(data[at]) << 24 | data[at + 1] << 16 | data[at + 2] << 8 | data[at + 3]; };
            QCOMPARE(be32(phys + 8), 11811u);
            QCOMPARE(be32(phys + 12), 5906u);
            QCOMPARE(int(data[phys + 16]), 1);

            // gm's own decoding, as a PAM of the same samples.
            const QString pamOut = path(QStringLiteral("ours%1.pam").arg(bits));
            QVERIFY(run(gm, {QStringLiteral("convert"), ours, QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("PAM:") + pamOut}));
            const QByteArray pamBytes = readBytes(pamOut);
            const qsizetype header = pamBytes.indexOf("ENDHDR\n");
            QVERIFY(header > 0);
            const int channels = bits == 32 ? 4 : 3;
            QCOMPARE(pamBytes.size() - header - 7, qsizetype(kWidth) * kHeight * channels);
            const auto* samples = reinterpret_cast<const uchar*>(pamBytes.constData()) + header + 7;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x)
                    for (int ch = 0; ch < channels; ++ch)
                        QCOMPARE(int(samples[(y * kWidth + x) * channels + ch]), sampleAt(x, y, ch));

            // Pillow: the same samples, and the resolution.
            const QString script = QStringLiteral(
                "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
                "print(im.mode, round(im.info['dpi'][0]), round(im.info['dpi'][1]))\n"
                "open(sys.argv[2], 'wb').write(im.tobytes())\n");
            const QString raw = path(QStringLiteral("pil%1.raw").arg(bits));
            QProcess p;
            p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, ours, raw});
            QVERIFY(p.waitForFinished(60000));
            QCOMPARE(p.exitCode(), 0);
            QCOMPARE(QString::fromLatin1(p.readAllStandardOutput()).trimmed(), bits == 32 ? QStringLiteral("RGBA 300 150") : QStringLiteral("RGB 300 150"));
            QCOMPARE(readBytes(raw), pamBytes.mid(header + 7));

            // And we read back what we wrote.
            ImagingControl back;
            QCOMPARE(back.LoadFile(ours, 0, 0), result::Ok);
            QCOMPARE(back.BitsPerPixel(), std::int16_t(bits));
            for (int y = 0; y < kHeight; ++y)
                QVERIFY(std::memcmp(back.ImageHandle().image().constScanLine(y), b.image().constScanLine(y), std::size_t(kWidth * bits / 8)) == 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestPngDirect)
#include "test_png_direct.moc"
