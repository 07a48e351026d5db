// Windows BMP, OS/2 bitmap, metafile and packed-DIB codecs: round trips at
// every depth, the exact bytes we write, hand-built inputs of every encoding
// we read, what Pillow and GraphicsMagick make of our files, and malformed
// input.

#include "ForeignFiles.h"
#include "imaging/ImagingControl.h"
#include "imaging/codecs/Codec.h"
#include "imaging/codecs/Dib.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <climits>
#include <initializer_list>

using namespace ardane;
using namespace ardane::imaging;
using namespace ardane::imaging::codecs;

Q_DECLARE_METATYPE(ardane::imaging::codecs::Bytes)
Q_DECLARE_METATYPE(ardane::imaging::FileFormat)
Q_DECLARE_METATYPE(std::vector<int>)

using ardane::test::imageMagick;
using ardane::test::maxDifference;
using ardane::test::pythonWithPillow;
using ardane::test::rgbBytes;

namespace {

// --- little helpers ----------------------------------------------------------

std::uint32_t u16(const Bytes& b, std::size_t at) { return std::uint32_t(b.at(at) | b.at(at + 1) << 8); }
std::uint32_t u32(const Bytes& b, std::size_t at)
{
    return u16(b, at) | u16(b, at + 2) << 16;
}

struct Builder {
    Bytes b;
    Builder& u8(int v) { b.push_back(std::uint8_t(v)); return *this; }
    Builder& u16(int v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    Builder& u32(std::uint32_t v) { return u16(int(v & 0xFFFF)).u16(int(v >> 16)); }
    Builder& bytes(std::initializer_list<int> list)
    {
        for (int v : list)
            u8(v);
        return *this;
    }
    Builder& append(const Bytes& more)
    {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
};

// A 40-byte (or longer, zero-extended) information header.
Builder infoHeader(std::uint32_t size, std::int32_t w, std::int32_t h, int bits, std::uint32_t compression,
                   std::uint32_t clrUsed = 0, std::int32_t ppm = 0)
{
    Builder b;
    b.u32(size).u32(std::uint32_t(w)).u32(std::uint32_t(h)).u16(1).u16(bits).u32(compression).u32(0);
    b.u32(std::uint32_t(ppm)).u32(std::uint32_t(ppm)).u32(clrUsed).u32(0);
    while (b.b.size() < size)
        b.u8(0);
    return b;
}

// 'BM' file header in front of a DIB; the pixels at `offBits`.
Bytes bmpFile(const Bytes& dib, std::uint32_t offBits)
{
    Builder f;
    f.bytes({'B', 'M'}).u32(std::uint32_t(14 + dib.size())).u16(0).u16(0).u32(offBits).append(dib);
    return f.b;
}

void setU32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

std::vector<QRgb> testPalette(int n)
{
    std::vector<QRgb> p;
    for (int i = 0; i < n; ++i)
        p.push_back(qRgb((i * 37 + 5) & 255, (i * 91 + 11) & 255, (i * 53 + 200) & 255));
    return p;
}

// Palette sizes below the full table test that exactly the palette is written.
int paletteSizeFor(int bits) { return bits == 1 ? 2 : bits == 4 ? 11 : 200; }

Bitmap sample(int bits, int w = 13, int h = 7)
{
    Bitmap b = Bitmap::create(w, h, bits, bits <= 8 ? testPalette(paletteSizeFor(bits)) : std::vector<QRgb>{});
    QImage& img = b.image();
    for (int y = 0; y < h; ++y) {
        uchar* row = img.scanLine(y);
        for (int x = 0; x < w; ++x) {
            switch (bits) {
            case 1:
            case 4:
            case 8: row[x] = uchar((x * 3 + y * 7) % paletteSizeFor(bits)); break;
            case 16:
                reinterpret_cast<quint16*>(row)[x] = quint16(((x * 5 + y) & 31) << 10 | ((x + y * 3) & 31) << 5 | ((x * y) & 31));
                break;
            case 24:
                row[3 * x] = uchar(x * 19 + y);
                row[3 * x + 1] = uchar(y * 41 + x);
                row[3 * x + 2] = uchar(x * y * 7);
                break;
            case 32: reinterpret_cast<QRgb*>(row)[x] = qRgba(x * 19, y * 41, (x * y * 7) & 255, ((x + y) * 23) & 255); break;
            }
        }
    }
    b.setResolution(150, 72);
    return b;
}

const Codec& codecByName(const QString& name)
{
    if (name == "BMP")
        return kBmpCodec;
    if (name == "OS2")
        return kOs2BmpCodec;
    return kWmfCodec;
}

bool writeFile(const QString& path, const Bytes& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly)
        && f.write(reinterpret_cast<const char*>(data.data()), qint64(data.size())) == qint64(data.size());
}

// Runs a tool; returns its standard output, empty and `ok` false on failure.
QByteArray run(const QString& program, const QStringList& args, bool& ok, QByteArray* err = nullptr)
{
    QProcess p;
    p.start(program, args);
    ok = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (err)
        *err = p.readAllStandardError();
    return ok ? p.readAllStandardOutput() : QByteArray();
}

std::vector<int> indices(const Bitmap& b)
{
    std::vector<int> v;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            v.push_back(b.image().constScanLine(y)[x]);
    return v;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Pixels coded in the first row of an RLE8 or RLE4 pixel array (runs and
// literals up to the first end-of-line): more than the width when the writer
// codes rows to their padded width.
int pixelsInFirstRunLengthRow(const QByteArray& file)
{
    const Bytes b(file.begin(), file.end());
    std::size_t p = u32(b, 10);
    const bool fourBit = u16(b, 28) == 4;
    int pixels = 0;
    while (p + 1 < b.size()) {
        const int first = b[p], second = b[p + 1];
        p += 2;
        if (first > 0) {
            pixels += first;
        } else if (second == 0 || second == 1) {
            break;
        } else if (second == 2) {
            return -1; // a move: not what these writers produce
        } else {
            pixels += second;
            const std::size_t bytes = fourBit ? std::size_t(second + 1) / 2 : std::size_t(second);
            p += bytes + (bytes & 1);
        }
    }
    return pixels;
}

// A 4-bit run-length bitmap whose rows are coded past the width the way
// ImageMagick and GraphicsMagick code 8-bit rows, to a multiple of four
// pixels: a literal, then a closing run of two alternating colours that runs
// over the edge.
Bytes paddedRle4File(int width, int height, const std::vector<QRgb>& palette)
{
    const int padded = (width + 3) / 4 * 4;
    // (Pillow 9.4 misreads RLE4 literals of odd length: keep them even.)
    const int literal = (width - 1) / 2 * 2 >= 4 ? (width - 1) / 2 * 2 : 0;
    Builder d = infoHeader(40, width, height, 4, 2, std::uint32_t(palette.size()));
    for (QRgb c : palette)
        d.bytes({qBlue(c), qGreen(c), qRed(c), 0});
    for (int r = height - 1; r >= 0; --r) {
        if (literal > 0) {
            d.u8(0).u8(literal);
            Bytes packed(std::size_t(literal + 1) / 2, 0);
            for (int x = 0; x < literal; ++x)
                packed[std::size_t(x / 2)] |= std::uint8_t(((r * 5 + x * 3) % 16) << ((x & 1) ? 0 : 4));
            if (packed.size() & 1)
                packed.push_back(0);
            d.append(packed);
        }
        d.u8(padded - literal).u8(((r * 5 + literal * 3) % 16) << 4 | (r * 7 + 1) % 16);
        d.u8(0).u8(0);
    }
    d.u8(0).u8(1);
    return bmpFile(d.b, 14 + 40 + 4 * std::uint32_t(palette.size()));
}

// A true-colour picture of 40 colours for the other programs to quantise:
// colours change along the rows (literal runs) and a red bar gives long runs.
Bitmap manyColours(int width, int height)
{
    Bitmap b = Bitmap::create(width, height, 24);
    const std::vector<QRgb> colours = testPalette(40);
    for (int y = 0; y < height; ++y) {
        uchar* row = b.image().scanLine(y);
        for (int x = 0; x < width; ++x) {
            const QRgb c = (y >= 4 && y <= 12 && x < width / 2) ? qRgb(255, 0, 0) : colours[std::size_t((x * 7 + y * 3) % 40)];
            row[3 * x] = uchar(qRed(c));
            row[3 * x + 1] = uchar(qGreen(c));
            row[3 * x + 2] = uchar(qBlue(c));
        }
    }
    return b;
}

// A metafile of a rectangle: an optional placeable header with the given
// bounding box and units per inch, the window origin and extent, and the
// rectangle over the whole window.
Bytes rectangleMetafile(bool placeable, int width, int height, int inch)
{
    Builder r;
    r.u32(5).u16(0x020B).u16(0).u16(0);
    r.u32(5).u16(0x020C).u16(height).u16(width);
    r.u32(7).u16(0x041B).u16(height).u16(width).u16(0).u16(0);
    r.u32(3).u16(0);
    Builder f;
    if (placeable) {
        f.u32(0x9AC6CDD7).u16(0).u16(0).u16(0).u16(width).u16(height).u16(inch).u32(0);
        std::uint32_t sum = 0;
        for (std::size_t i = 0; i < 20; i += 2)
            sum ^= u16(f.b, i);
        f.u16(int(sum));
    }
    f.u16(1).u16(9).u16(0x0300).u32(std::uint32_t(9 + r.b.size() / 2)).u16(0).u32(7).u16(0).append(r.b);
    return f.b;
}

long peakResidentKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

class TestBmpCodecs : public QObject {
    Q_OBJECT

private slots:
    // --- what we write --------------------------------------------------------
    void packedDibLayout()
    {
        // 3x2, 8 bits, five colours: 40 + 5 * 4 + 2 rows of 4 bytes.
        Bitmap b = Bitmap::create(3, 2, 8, testPalette(5));
        b.image().scanLine(0)[0] = 1;
        b.image().scanLine(0)[2] = 4;
        b.image().scanLine(1)[1] = 3;
        b.setResolution(96, 300);
        const Bytes dib = toPackedDib(b);
        QCOMPARE(dib.size(), std::size_t(68));
        QCOMPARE(u32(dib, 0), 40u);
        QCOMPARE(u32(dib, 4), 3u);
        QCOMPARE(u32(dib, 8), 2u); // positive: bottom-up
        QCOMPARE(u16(dib, 12), 1u);
        QCOMPARE(u16(dib, 14), 8u);
        QCOMPARE(u32(dib, 16), 0u);
        QCOMPARE(u32(dib, 20), 8u);
        QCOMPARE(u32(dib, 24), 3780u);  // 96 dpi
        QCOMPARE(u32(dib, 28), 11811u); // 300 dpi
        QCOMPARE(u32(dib, 32), 5u);
        // Colour table: blue, green, red, 0.
        const QRgb c4 = testPalette(5)[4];
        QCOMPARE(int(dib[40 + 16]), qBlue(c4));
        QCOMPARE(int(dib[40 + 17]), qGreen(c4));
        QCOMPARE(int(dib[40 + 18]), qRed(c4));
        QCOMPARE(int(dib[40 + 19]), 0);
        // Bottom row first, each padded with one zero byte.
        const Bytes pixels(dib.begin() + 60, dib.end());
        QCOMPARE(pixels, (Bytes{0, 3, 0, 0, 1, 0, 4, 0}));

        // The BMP file is that DIB behind a 14-byte file header.
        Bytes file;
        QCOMPARE(kBmpCodec.write(b, 0, file), result::Ok);
        QCOMPARE(file.size(), std::size_t(82));
        QCOMPARE(Bytes(file.begin(), file.begin() + 14), (Bytes{'B', 'M', 82, 0, 0, 0, 0, 0, 0, 0, 74, 0, 0, 0}));
        QCOMPARE(Bytes(file.begin() + 14, file.end()), dib);

        // 16 bits go out as 5-5-5 without bit fields; 32 as blue, green, red, alpha.
        Bitmap b16 = Bitmap::create(2, 1, 16);
        reinterpret_cast<quint16*>(b16.image().scanLine(0))[0] = 0x7C1F;
        reinterpret_cast<quint16*>(b16.image().scanLine(0))[1] = 0x03E0;
        const Bytes d16 = toPackedDib(b16);
        QCOMPARE(d16.size(), std::size_t(44));
        QCOMPARE(u16(d16, 14), 16u);
        QCOMPARE(u32(d16, 16), 0u);
        QCOMPARE(u32(d16, 32), 0u);
        QCOMPARE(Bytes(d16.begin() + 40, d16.end()), (Bytes{0x1F, 0x7C, 0xE0, 0x03}));

        Bitmap b32 = Bitmap::create(1, 1, 32);
        reinterpret_cast<QRgb*>(b32.image().scanLine(0))[0] = qRgba(10, 20, 30, 40);
        const Bytes d32 = toPackedDib(b32);
        QCOMPARE(u32(d32, 16), 0u);
        QCOMPARE(Bytes(d32.begin() + 40, d32.end()), (Bytes{30, 20, 10, 40}));

        QVERIFY(toPackedDib(Bitmap()).empty());
    }

    void os2FileLayout()
    {
        Bitmap b = sample(4, 5, 3);
        Bytes file;
        QCOMPARE(kOs2BmpCodec.write(b, 0, file), result::Ok);
        const std::size_t stride = 4; // 5 nibbles -> 3 bytes -> 4
        QCOMPARE(file.size(), std::size_t(14 + 64 + 11 * 4 + 3 * stride));
        QCOMPARE(u32(file, 2), std::uint32_t(file.size()));
        QCOMPARE(u32(file, 10), std::uint32_t(14 + 64 + 11 * 4));
        QCOMPARE(u32(file, 14), 64u);     // cbFix
        QCOMPARE(u32(file, 18), 5u);      // cx
        QCOMPARE(u32(file, 22), 3u);      // cy
        QCOMPARE(u16(file, 26), 1u);      // cPlanes
        QCOMPARE(u16(file, 28), 4u);      // cBitCount
        QCOMPARE(u32(file, 30), 0u);      // ulCompression
        QCOMPARE(u32(file, 34), 12u);     // cbImage
        QCOMPARE(u32(file, 38), 5906u);   // 150 dpi in pixels per metre
        QCOMPARE(u32(file, 42), 2835u);   // 72 dpi
        QCOMPARE(u32(file, 46), 11u);     // cclrUsed
        for (std::size_t at = 54; at < 78; ++at) // units metric, bottom-up, no halftoning, RGB
            QCOMPARE(int(file[at]), 0);
        QCOMPARE(detectFormat(file), FileFormat::Os2Bmp);
        // First pixel row in the file is the bottom row: indices (0*3+2*7)%11=3, 6, 9, 1, 4.
        QCOMPARE(Bytes(file.begin() + 122, file.begin() + 126), (Bytes{0x36, 0x91, 0x40, 0x00}));

        Bytes untouched{1, 2, 3};
        QCOMPARE(kOs2BmpCodec.write(sample(16), 0, untouched), result::UnsupportedDepth);
        QCOMPARE(kOs2BmpCodec.write(sample(32), 0, untouched), result::UnsupportedDepth);
        QCOMPARE(untouched, (Bytes{1, 2, 3}));
        QCOMPARE(kBmpCodec.write(Bitmap(), 0, untouched), result::WriteError);
    }

    void wmfLayout()
    {
        Bitmap b = sample(8, 5, 3);
        b.setResolution(120, 60);
        Bytes file;
        QCOMPARE(kWmfCodec.write(b, 0, file), result::Ok);
        QCOMPARE(detectFormat(file), FileFormat::Wmf);
        // Placeable header.
        QCOMPARE(u32(file, 0), 0x9AC6CDD7u);
        QCOMPARE(u16(file, 4), 0u);
        QCOMPARE(u16(file, 6), 0u);
        QCOMPARE(u16(file, 8), 0u);
        QCOMPARE(u16(file, 10), 5u);
        QCOMPARE(u16(file, 12), 3u);
        QCOMPARE(u16(file, 14), 120u);
        QCOMPARE(u32(file, 16), 0u);
        std::uint32_t sum = 0;
        for (std::size_t i = 0; i < 20; i += 2)
            sum ^= u16(file, i);
        QCOMPARE(u16(file, 20), sum);
        QVERIFY(sum != 0);
        // Metafile header.
        const Bytes dib = toPackedDib(b);
        const std::uint32_t stretchWords = 14 + std::uint32_t(dib.size() / 2);
        QCOMPARE(u16(file, 22), 1u);
        QCOMPARE(u16(file, 24), 9u);
        QCOMPARE(u16(file, 26), 0x0300u);
        QCOMPARE(u32(file, 28), std::uint32_t((file.size() - 22) / 2));
        QCOMPARE(u16(file, 32), 0u);
        QCOMPARE(u32(file, 34), stretchWords);
        // Records: window origin, window extent, the bitmap, the end.
        std::size_t pos = 40;
        QCOMPARE(u32(file, pos), 5u);
        QCOMPARE(u16(file, pos + 4), 0x020Bu);
        pos += 10;
        QCOMPARE(u32(file, pos), 5u);
        QCOMPARE(u16(file, pos + 4), 0x020Cu);
        QCOMPARE(u16(file, pos + 6), 3u); // height first
        QCOMPARE(u16(file, pos + 8), 5u);
        pos += 10;
        QCOMPARE(u32(file, pos), stretchWords);
        QCOMPARE(u16(file, pos + 4), 0x0F43u);
        QCOMPARE(u32(file, pos + 6), 0x00CC0020u);
        QCOMPARE(u16(file, pos + 10), 0u);
        const std::uint32_t rects[8] = {3, 5, 0, 0, 3, 5, 0, 0};
        for (std::size_t i = 0; i < 8; ++i)
            QCOMPARE(u16(file, pos + 12 + 2 * i), rects[i]);
        QCOMPARE(Bytes(file.begin() + std::ptrdiff_t(pos + 28), file.begin() + std::ptrdiff_t(pos + 28 + dib.size())), dib);
        pos += 2 * std::size_t(stretchWords);
        QCOMPARE(u32(file, pos), 3u);
        QCOMPARE(u16(file, pos + 4), 0u);
        QCOMPARE(pos + 6, file.size());

        // Without a resolution the placeable header says 96 units per inch.
        Bitmap unset = sample(24, 2, 2);
        unset.setResolution(0, 0);
        QCOMPARE(kWmfCodec.write(unset, 0, file), result::Ok);
        QCOMPARE(u16(file, 14), 96u);
        Bitmap back;
        QCOMPARE(kWmfCodec.read(file, 0, back), result::Ok);
        QCOMPARE(back.xResolution(), 96);

        // Coordinates are 16-bit: too wide for a metafile.
        QCOMPARE(kWmfCodec.write(Bitmap::create(40000, 1, 1), 0, file), result::NotAvailable);
    }

    // --- round trips ---------------------------------------------------------
    void roundTrip_data()
    {
        QTest::addColumn<QString>("codec");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("width");
        QTest::addColumn<FileFormat>("format");
        for (int bits : {1, 4, 8, 16, 24, 32})
            for (int w : {1, 13, 32}) {
                QTest::addRow("BMP %d bpp, width %d", bits, w) << "BMP" << bits << w << FileFormat::Bmp;
                QTest::addRow("WMF %d bpp, width %d", bits, w) << "WMF" << bits << w << FileFormat::Wmf;
                if (bits != 16 && bits != 32)
                    QTest::addRow("OS2 %d bpp, width %d", bits, w) << "OS2" << bits << w << FileFormat::Os2Bmp;
                QTest::addRow("DIB %d bpp, width %d", bits, w) << "DIB" << bits << w << FileFormat::Unknown;
            }
    }
    void roundTrip()
    {
        QFETCH(QString, codec);
        QFETCH(int, bits);
        QFETCH(int, width);
        QFETCH(FileFormat, format);
        const Bitmap original = sample(bits, width, 7);
        Bitmap back;
        Bytes data;
        if (codec == "DIB") {
            data = toPackedDib(original);
            QCOMPARE(fromPackedDib(data, back), result::Ok);
        } else {
            const Codec& c = codecByName(codec);
            QCOMPARE(c.write(original, 0, data), result::Ok);
            QCOMPARE(detectFormat(data), format);
            QCOMPARE(c.read(data, 0, back), result::Ok);
            ProbeInfo info;
            QCOMPARE(c.probe(data, 0, info), result::Ok);
            QCOMPARE(info.format, format);
            QCOMPARE(info.width, width);
            QCOMPARE(info.height, 7);
            QCOMPARE(info.bitsPerPixel, bits);
            QCOMPARE(info.memorySize, original.memorySize());
            QCOMPARE(info.compression, std::string("None"));
        }
        QCOMPARE(back.bitsPerPixel(), bits);
        QCOMPARE(back.width(), width);
        QCOMPARE(back.height(), 7);
        QCOMPARE(back.xResolution(), 150);
        QCOMPARE(back.yResolution(), 72);
        QCOMPARE(back.palette(), original.palette());
        QVERIFY(back == original); // pixels, depth, palette, resolution
    }

    void eitherBitmapCodecReadsEitherFile()
    {
        const Bitmap original = sample(8, 6, 4);
        Bytes os2, bmp;
        QCOMPARE(kOs2BmpCodec.write(original, 0, os2), result::Ok);
        QCOMPARE(kBmpCodec.write(original, 0, bmp), result::Ok);
        Bitmap a, b;
        QCOMPARE(kBmpCodec.read(os2, 0, a), result::Ok);
        QCOMPARE(kOs2BmpCodec.read(bmp, 0, b), result::Ok);
        QVERIFY(a == original);
        QVERIFY(b == original);
        ProbeInfo info;
        QCOMPARE(kBmpCodec.probe(os2, 0, info), result::Ok);
        QCOMPARE(info.format, FileFormat::Os2Bmp);
        QCOMPARE(kOs2BmpCodec.probe(bmp, 0, info), result::Ok);
        QCOMPARE(info.format, FileFormat::Bmp);
        QCOMPARE(codecFor(detectFormat(os2)), &kOs2BmpCodec);
        QCOMPARE(codecFor(detectFormat(bmp)), &kBmpCodec);
    }

    // --- hand-built input ----------------------------------------------------
    void topDownAndBottomUp()
    {
        // 2x3, 24 bits; the rows hold red 10, 20, 30 in file order.
        for (bool topDown : {false, true}) {
            Builder d = infoHeader(40, 2, topDown ? -3 : 3, 24, 0);
            for (int r = 0; r < 3; ++r)
                d.bytes({0, 0, 10 * (r + 1), 0, 0, 10 * (r + 1), 0, 0});
            Bitmap b;
            QCOMPARE(fromPackedDib(d.b, b), result::Ok);
            QCOMPARE(b.bitsPerPixel(), 24);
            for (int y = 0; y < 3; ++y) {
                const int fileRow = topDown ? y : 2 - y;
                QCOMPARE(b.pixelRgb(1, y), qRgb(10 * (fileRow + 1), 0, 0));
            }
            QCOMPARE(b.xResolution(), 96); // none given
        }
    }

    void runLength8()
    {
        Builder d = infoHeader(40, 6, 4, 8, 1, 8);
        for (QRgb c : testPalette(8))
            d.bytes({qBlue(c), qGreen(c), qRed(c), 0});
        const Bytes rle{
            0x03, 0x01, 0x00, 0x03, 0x02, 0x03, 0x04, 0x00, 0x00, 0x00, // line 0: run, literal (padded), end of line
            0x00, 0x02, 0x02, 0x01,                                     // move 2 right, 1 up: line 1 stays empty
            0x02, 0x05, 0x00, 0x00,                                     // line 2
            0x06, 0x07, 0x00, 0x01,                                     // line 3, end of bitmap
        };
        d.append(rle);
        Bitmap b;
        QCOMPARE(fromPackedDib(d.b, b), result::Ok);
        QCOMPARE(b.bitsPerPixel(), 8);
        QCOMPARE(b.palette(), testPalette(8));
        QCOMPARE(indices(b), (std::vector<int>{7, 7, 7, 7, 7, 7, 0, 0, 5, 5, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 2, 3, 4}));

        // Through a file, the probe names the compression.
        const Bytes file = bmpFile(d.b, 14 + 40 + 32);
        ProbeInfo info;
        QCOMPARE(kBmpCodec.probe(file, 0, info), result::Ok);
        QCOMPARE(info.compression, std::string("RLE8"));
        QCOMPARE(info.bitsPerPixel, 8);
        Bitmap viaFile;
        QCOMPARE(kBmpCodec.read(file, 0, viaFile), result::Ok);
        QVERIFY(viaFile == b);
    }

    void runLength4()
    {
        Builder d = infoHeader(40, 7, 2, 4, 2);
        for (QRgb c : testPalette(16))
            d.bytes({qBlue(c), qGreen(c), qRed(c), 0});
        d.bytes({0x03, 0xA5, 0x00, 0x04, 0x12, 0x34, 0x00, 0x00,          // line 0: A 5 A, literal 1 2 3 4
                 0x00, 0x05, 0x12, 0x34, 0x50, 0x00, 0x02, 0xF7, 0x00, 0x01}); // line 1: literal of 5 (padded), F 7
        Bitmap b;
        QCOMPARE(fromPackedDib(d.b, b), result::Ok);
        QCOMPARE(b.bitsPerPixel(), 4);
        QCOMPARE(indices(b), (std::vector<int>{1, 2, 3, 4, 5, 15, 7, 10, 5, 10, 1, 2, 3, 4}));
        ProbeInfo info;
        QCOMPARE(kBmpCodec.probe(bmpFile(d.b, 14 + 40 + 64), 0, info), result::Ok);
        QCOMPARE(info.compression, std::string("RLE4"));

        // Rows all reached by end-of-line markers: the end-of-bitmap may be missing.
        Builder e = infoHeader(40, 2, 2, 8, 1, 2);
        e.bytes({0, 0, 0, 0, 255, 255, 255, 0}).bytes({0x02, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00});
        QCOMPARE(fromPackedDib(e.b, b), result::Ok);
        QCOMPARE(indices(b), (std::vector<int>{1, 0, 1, 1}));
    }

    void bitFields()
    {
        // 5-6-5 becomes 24 bits, each channel widened to the nearest 8-bit value.
        Builder d = infoHeader(40, 3, 1, 16, 3);
        d.u32(0xF800).u32(0x07E0).u32(0x001F);
        d.u16(0xF800).u16(0x07E0).u16(0x8408).u16(0);
        Bitmap b;
        QCOMPARE(fromPackedDib(d.b, b), result::Ok);
        QCOMPARE(b.bitsPerPixel(), 24);
        QCOMPARE(b.pixelRgb(0, 0), qRgb(255, 0, 0));
        QCOMPARE(b.pixelRgb(1, 0), qRgb(0, 255, 0));
        QCOMPARE(b.pixelRgb(2, 0), qRgb(132, 130, 66)); // 16/31, 32/63, 8/31
        ProbeInfo info;
        QCOMPARE(kBmpCodec.probe(bmpFile(d.b, 14 + 52), 0, info), result::Ok);
        QCOMPARE(info.compression, std::string("BitFields"));
        QCOMPARE(info.bitsPerPixel, 24);
        QCOMPARE(info.memorySize, std::int64_t(12));

        // 5-5-5 bit fields stay 16 bits, values unchanged.
        Builder e = infoHeader(40, 2, 1, 16, 3);
        e.u32(0x7C00).u32(0x03E0).u32(0x001F).u16(0x1234).u16(0x7FFF);
        QCOMPARE(fromPackedDib(e.b, b), result::Ok);
        QCOMPARE(b.bitsPerPixel(), 16);
        QCOMPARE(reinterpret_cast<const quint16*>(b.image().constScanLine(0))[0], quint16(0x1234));
        QCOMPARE(reinterpret_cast<const quint16*>(b.image().constScanLine(0))[1], quint16(0x7FFF));

        // 32 bits in a 124-byte header with an alpha mask.
        Builder v5 = infoHeader(124, 2, 1, 32, 3);
        setU32(v5.b, 40, 0x00FF0000);
        setU32(v5.b, 44, 0x0000FF00);
        setU32(v5.b, 48, 0x000000FF);
        setU32(v5.b, 52, 0xFF000000);
        v5.bytes({1, 2, 3, 128, 4, 5, 6, 0});
        QCOMPARE(fromPackedDib(v5.b, b), result::Ok);
        QCOMPARE(b.bitsPerPixel(), 32);
        QCOMPARE(b.pixelRgb(0, 0), qRgba(3, 2, 1, 128));
        QCOMPARE(b.pixelRgb(1, 0), qRgba(6, 5, 4, 0));

        // 1-5-5-5 with an alpha bit in a 56-byte header: 32 bits.
        Builder a = infoHeader(56, 2, 1, 16, 3);
        setU32(a.b, 40, 0x7C00);
        setU32(a.b, 44, 0x03E0);
        setU32(a.b, 48, 0x001F);
        setU32(a.b, 52, 0x8000);
        a.u16(0xFC00).u16(0x001F);
        QCOMPARE(fromPackedDib(a.b, b), result::Ok);
        QCOMPARE(b.bitsPerPixel(), 32);
        QCOMPARE(b.pixelRgb(0, 0), qRgba(255, 0, 0, 255));
        QCOMPARE(b.pixelRgb(1, 0), qRgba(0, 0, 255, 0));

        // 32 bits, blue-green-red-unused bit fields without alpha: opaque.
        Builder n = infoHeader(40, 1, 1, 32, 3);
        n.u32(0x0000FF00).u32(0x00FF0000).u32(0xFF000000).bytes({0, 7, 8, 9});
        QCOMPARE(fromPackedDib(n.b, b), result::Ok);
        QCOMPARE(b.pixelRgb(0, 0), qRgba(7, 8, 9, 255));
    }

    void alphaAndPaletteRepairs()
    {
        // 32 bits whose fourth byte is zero everywhere: an opaque image.
        Builder d = infoHeader(40, 2, 1, 32, 0);
        d.bytes({1, 2, 3, 0, 4, 5, 6, 0});
        Bitmap b;
        QCOMPARE(fromPackedDib(d.b, b), result::Ok);
        QCOMPARE(b.pixelRgb(0, 0), qRgba(3, 2, 1, 255));
        QCOMPARE(b.pixelRgb(1, 0), qRgba(6, 5, 4, 255));
        // One non-zero alpha: alpha kept as stored.
        d.b[d.b.size() - 1] = 9;
        QCOMPARE(fromPackedDib(d.b, b), result::Ok);
        QCOMPARE(b.pixelRgb(0, 0), qRgba(3, 2, 1, 0));
        QCOMPARE(b.pixelRgb(1, 0), qRgba(6, 5, 4, 9));

        // Two colours, but an index of 5 in the pixels: black entries are added.
        Builder p = infoHeader(40, 2, 1, 8, 0, 2);
        p.bytes({0, 0, 255, 0, 0, 255, 0, 0}).bytes({5, 1, 0, 0});
        QCOMPARE(fromPackedDib(p.b, b), result::Ok);
        QCOMPARE(b.palette().size(), std::size_t(6));
        QCOMPARE(b.palette()[1], qRgb(0, 255, 0));
        QCOMPARE(b.pixelRgb(0, 0), qRgb(0, 0, 0));
        QCOMPARE(b.pixelRgb(1, 0), qRgb(0, 255, 0));

        // 2 bits per pixel (Windows CE) load as 4.
        Builder two = infoHeader(40, 5, 1, 2, 0, 4);
        two.bytes({0, 0, 0, 0, 85, 85, 85, 0, 170, 170, 170, 0, 255, 255, 255, 0}).bytes({0x1B, 0x80, 0, 0});
        QCOMPARE(fromPackedDib(two.b, b), result::Ok);
        QCOMPARE(b.bitsPerPixel(), 4);
        QCOMPARE(indices(b), (std::vector<int>{0, 1, 2, 3, 2}));
    }

    void otherHeaders()
    {
        // OS/2 1.x: 12-byte header, 16-bit sizes, 3-byte colour entries.
        Builder core;
        core.u32(12).u16(3).u16(2).u16(1).u16(4);
        for (QRgb c : testPalette(16))
            core.bytes({qBlue(c), qGreen(c), qRed(c)});
        core.bytes({0x12, 0x30, 0, 0, 0xFE, 0xD0, 0, 0});
        const Bytes coreFile = bmpFile(core.b, 14 + 12 + 48);
        QCOMPARE(detectFormat(coreFile), FileFormat::Bmp);
        Bitmap b;
        QCOMPARE(kBmpCodec.read(coreFile, 0, b), result::Ok);
        QCOMPARE(b.bitsPerPixel(), 4);
        QCOMPARE(b.palette(), testPalette(16));
        QCOMPARE(indices(b), (std::vector<int>{15, 14, 13, 1, 2, 3}));
        QCOMPARE(fromPackedDib(core.b, b), result::Ok); // also as a packed DIB
        QCOMPARE(indices(b), (std::vector<int>{15, 14, 13, 1, 2, 3}));

        // OS/2 2.x short header (16 bytes): no compression or colour count fields.
        Builder shortHeader;
        shortHeader.u32(16).u32(2).u32(2).u16(1).u16(4);
        for (QRgb c : testPalette(16))
            shortHeader.bytes({qBlue(c), qGreen(c), qRed(c), 0});
        shortHeader.bytes({0x9A, 0, 0, 0, 0x12, 0, 0, 0});
        const Bytes shortFile = bmpFile(shortHeader.b, 14 + 16 + 64);
        QCOMPARE(detectFormat(shortFile), FileFormat::Os2Bmp);
        Bitmap viaOs2, viaBmp;
        QCOMPARE(kOs2BmpCodec.read(shortFile, 0, viaOs2), result::Ok);
        QCOMPARE(kBmpCodec.read(shortFile, 0, viaBmp), result::Ok);
        QVERIFY(viaOs2 == viaBmp);
        QCOMPARE(indices(viaOs2), (std::vector<int>{1, 2, 9, 10}));
        QCOMPARE(viaOs2.palette(), testPalette(16));
        ProbeInfo info;
        QCOMPARE(kOs2BmpCodec.probe(shortFile, 0, info), result::Ok);
        QCOMPARE(info.format, FileFormat::Os2Bmp);
        QCOMPARE(info.bitsPerPixel, 4);

        // OS/2 2.x compression 3 is Huffman 1-D, which we do not read.
        Builder huff = infoHeader(64, 8, 1, 1, 3);
        huff.bytes({0, 0, 0, 0, 255, 255, 255, 0, 0xFF, 0, 0, 0});
        QCOMPARE(kOs2BmpCodec.read(bmpFile(huff.b, 14 + 64 + 8), 0, b), result::UnknownCompression);

        // Windows V4 (108 bytes) and V5 (124 bytes), 24 bits, 100 dpi.
        for (std::uint32_t size : {108u, 124u}) {
            Builder v = infoHeader(size, 1, 2, 24, 0, 0, 3937);
            v.bytes({1, 2, 3, 0, 4, 5, 6, 0});
            const Bytes f = bmpFile(v.b, 14 + size);
            QCOMPARE(detectFormat(f), FileFormat::Bmp);
            QCOMPARE(kBmpCodec.read(f, 0, b), result::Ok);
            QCOMPARE(b.pixelRgb(0, 0), qRgb(6, 5, 4));
            QCOMPARE(b.pixelRgb(0, 1), qRgb(3, 2, 1));
            QCOMPARE(b.xResolution(), 100);
        }

        // A file offset that leaves room for fewer colours than the table would have.
        Builder few = infoHeader(40, 2, 1, 8, 0);
        few.bytes({0, 0, 255, 0, 255, 0, 0, 0}).bytes({1, 0, 0, 0});
        QCOMPARE(kBmpCodec.read(bmpFile(few.b, 14 + 40 + 8), 0, b), result::Ok);
        QCOMPARE(b.palette(), (std::vector<QRgb>{qRgb(255, 0, 0), qRgb(0, 0, 255)}));
        QCOMPARE(b.pixelRgb(0, 0), qRgb(0, 0, 255));
    }

    void wmfOtherBitmapRecords()
    {
        // A metafile with a small DIBSTRETCHBLT bitmap, then a larger
        // SETDIBTODEV one: the larger is taken.
        Bitmap small = sample(24, 2, 2);
        Bitmap large = sample(8, 4, 3);
        large.setResolution(0, 0); // the DIB says nothing: the placeable header's 200 is used
        const Bytes d1 = toPackedDib(small);
        const Bytes d2 = toPackedDib(large);
        Builder records;
        records.u32(std::uint32_t(13 + d1.size() / 2)).u16(0x0B41).u32(0x00CC0020);
        for (int i = 0; i < 8; ++i)
            records.u16(2);
        records.append(d1);
        records.u32(std::uint32_t(12 + d2.size() / 2)).u16(0x0D33).u16(0);
        for (int i = 0; i < 8; ++i)
            records.u16(0);
        records.append(d2);
        records.u32(3).u16(0);
        Builder f;
        f.u32(0x9AC6CDD7).u16(0).u16(0).u16(0).u16(4).u16(3).u16(200).u32(0).u16(0); // checksum left wrong
        f.u16(1).u16(9).u16(0x0300).u32(std::uint32_t(9 + records.b.size() / 2)).u16(0).u32(0).u16(0);
        f.append(records.b);
        Bitmap back;
        QCOMPARE(kWmfCodec.read(f.b, 0, back), result::Ok);
        QCOMPARE(back.bitsPerPixel(), 8);
        QCOMPARE(back.palette(), large.palette());
        QCOMPARE(indices(back), indices(large));
        QCOMPARE(back.xResolution(), 200);
        ProbeInfo info;
        QCOMPARE(kWmfCodec.probe(f.b, 0, info), result::Ok);
        QCOMPARE(info.bitsPerPixel, 8);
        QCOMPARE(info.width, 4);

        // A monochrome device-dependent bitmap in a STRETCHBLT record, no placeable header.
        Builder mono;
        mono.u32(std::uint32_t(13 + 5 + 2)).u16(0x0B23).u32(0x00CC0020);
        for (int i = 0; i < 8; ++i)
            mono.u16(0);
        mono.u16(0).u16(10).u16(2).u16(2).u8(1).u8(1).bytes({0xA5, 0x40, 0x5A, 0x80});
        mono.u32(3).u16(0);
        Builder m;
        m.u16(1).u16(9).u16(0x0300).u32(std::uint32_t(9 + mono.b.size() / 2)).u16(0).u32(0).u16(0).append(mono.b);
        QCOMPARE(detectFormat(m.b), FileFormat::Wmf);
        QCOMPARE(kWmfCodec.read(m.b, 0, back), result::Ok);
        QCOMPARE(back.bitsPerPixel(), 1);
        QCOMPARE(indices(back), (std::vector<int>{1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 1, 0, 1, 0, 1, 0}));
        QCOMPARE(back.pixelRgb(0, 0), qRgb(255, 255, 255));
    }

    // --- through the imaging control -----------------------------------------
    void imagingControl()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ImagingControl control;
        const Bitmap original = sample(8, 9, 5);
        control.SetImageHandle(original);
        struct Case { int format; const char* name; };
        for (const Case c : {Case{6, "a.bmp"}, Case{74, "a.os2"}, Case{15, "a.wmf"}}) {
            const QString path = dir.filePath(c.name);
            QCOMPARE(control.SaveFile(path, c.format, 0, 0, false), result::Ok);
            ImagingControl reader;
            QCOMPARE(reader.ProbeFile(path, 0), result::Ok);
            QCOMPARE(int(reader.ProbedFormat()), c.format);
            QCOMPARE(int(reader.ProbedBitsPerPixel()), 8);
            QCOMPARE(reader.ProbedWidth(), 9);
            QCOMPARE(reader.ProbedHeight(), 5);
            QCOMPARE(reader.ProbedMemorySize(), 12 * 5);
            QCOMPARE(reader.ProbedCompression(), std::string("None"));
            QCOMPARE(reader.LoadFile(path, 0, 0), result::Ok);
            QVERIFY(reader.ImageHandle() == original);
            QCOMPARE(int(reader.XResolution()), 150);
        }
        // The OS/2 format holds no 16 bits.
        Bitmap direct = sample(16, 3, 3);
        control.SetImageHandle(direct);
        std::vector<std::uint8_t> block;
        QCOMPARE(control.SaveToBlock(block, 74, 16, 0), result::UnsupportedDepth);

        // Clipboard transfer.
        const std::vector<std::uint8_t> dib = control.CopyToDib();
        QCOMPARE(dib, toPackedDib(direct));
        ImagingControl pasted;
        QCOMPARE(pasted.ReplaceFromDib(dib), result::Ok);
        QVERIFY(pasted.ImageHandle() == direct);

        // A bad file leaves the image alone and says why (pixels past the last row).
        Builder d = infoHeader(40, 4, 2, 8, 1, 2);
        d.bytes({0, 0, 0, 0, 255, 255, 255, 0}).bytes({0x00, 0x00, 0x00, 0x00, 0x01, 0x01});
        const Bytes bad = bmpFile(d.b, 14 + 48);
        const Result r = pasted.LoadFromBlock(bad, 0, 0);
        QCOMPARE(r, result::InvalidCompression);
        QCOMPARE(resultMessage(r), std::string_view("Invalid compression format"));
        QCOMPARE(pasted.ReplaceFromDib(ByteView(dib.data(), 30)), result::ReadError);
        QCOMPARE(resultMessage(result::ReadError), std::string_view("Error reading file"));
        QVERIFY(pasted.ImageHandle() == direct);
    }

    // --- other readers on our files ----------------------------------------
    void pillowReadsOurFiles()
    {
        const QString python = pythonWithPillow();
        if (python.isEmpty())
            QSKIP("Python with Pillow not found");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const char* script = "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
                             "print(im.format, im.size[0], im.size[1])\n"
                             "if im.format != 'WMF':\n    sys.stdout.write(im.convert('RGB').tobytes().hex())\n";
        struct Case { const Codec* codec; int bits; };
        for (const Case c : {Case{&kBmpCodec, 1}, Case{&kBmpCodec, 4}, Case{&kBmpCodec, 8}, Case{&kBmpCodec, 16},
                             Case{&kBmpCodec, 24}, Case{&kBmpCodec, 32}, Case{&kOs2BmpCodec, 1},
                             Case{&kOs2BmpCodec, 4}, Case{&kOs2BmpCodec, 8}, Case{&kOs2BmpCodec, 24},
                             Case{&kWmfCodec, 8}, Case{&kWmfCodec, 24}}) {
            const Bitmap b = sample(c.bits, 13, 7);
            Bytes data;
            QCOMPARE(c.codec->write(b, 0, data), result::Ok);
            const QString path = dir.filePath(QString("p%1_%2").arg(int(c.codec->format)).arg(c.bits));
            QVERIFY(writeFile(path, data));
            bool ok = false;
            QByteArray err;
            const QByteArray out = run(python, {"-c", script, path}, ok, &err);
            QVERIFY2(ok, err.constData());
            const QList<QByteArray> lines = out.split('\n');
            if (c.codec == &kWmfCodec) {
                QVERIFY2(lines[0].startsWith("WMF "), lines[0].constData());
                continue;
            }
            QCOMPARE(lines[0], QByteArray("BMP 13 7"));
            const QByteArray theirs = QByteArray::fromHex(lines.value(1));
            const QByteArray ours = rgbBytes(b);
            QCOMPARE(theirs.size(), ours.size());
            const int precision = c.bits == 16 ? 5 : 8;
            QVERIFY2(maxDifference(theirs, ours, precision) == 0,
                     qPrintable(QString("%1 bpp differs by %2").arg(c.bits).arg(maxDifference(theirs, ours))));
        }
    }

    void graphicsMagickReadsOurFiles()
    {
        const QString gm = QStandardPaths::findExecutable("gm");
        if (gm.isEmpty())
            QSKIP("gm not found");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // GraphicsMagick 1.3.40 takes the OS/2 2.x colour table for 3-byte
        // entries (they are 4-byte RGB2 values; Pillow above reads them right)
        // and refuses a 1-bit one, so for OS/2 we compare its pixels at 24 bits
        // and only identify the indexed files.
        struct Case { const Codec* codec; int bits; bool pixels; };
        for (const Case c : {Case{&kBmpCodec, 1, true}, Case{&kBmpCodec, 4, true}, Case{&kBmpCodec, 8, true},
                             Case{&kBmpCodec, 16, true}, Case{&kBmpCodec, 24, true}, Case{&kBmpCodec, 32, true},
                             Case{&kOs2BmpCodec, 4, false}, Case{&kOs2BmpCodec, 8, false},
                             Case{&kOs2BmpCodec, 24, true}}) {
            Bitmap b = sample(c.bits, 13, 7);
            if (c.bits == 32) { // compare colours only: make it opaque
                for (int y = 0; y < b.height(); ++y)
                    for (int x = 0; x < b.width(); ++x)
                        reinterpret_cast<QRgb*>(b.image().scanLine(y))[x] |= 0xFF000000u;
            }
            Bytes data;
            QCOMPARE(c.codec->write(b, 0, data), result::Ok);
            const QString path = dir.filePath(QString("g%1_%2.bmp").arg(int(c.codec->format)).arg(c.bits));
            QVERIFY(writeFile(path, data));
            bool ok = false;
            QByteArray err;
            const QByteArray id = run(gm, {"identify", "-format", "%m %w %h\n", path}, ok, &err);
            QVERIFY2(ok, err.constData());
            QCOMPARE(id.trimmed(), QByteArray("BMP 13 7"));
            if (!c.pixels)
                continue;
            const QByteArray theirs = run(gm, {"convert", path, "-depth", "8", "rgb:-"}, ok, &err);
            QVERIFY2(ok, err.constData());
            const QByteArray ours = rgbBytes(b);
            QCOMPARE(theirs.size(), ours.size());
            // GraphicsMagick widens 5-bit channels as about v * 8 - 1 (31 gives 247).
            QVERIFY2(maxDifference(theirs, ours) <= (c.bits == 16 ? 8 : 0),
                     qPrintable(QString("%1 bpp differs by %2").arg(c.bits).arg(maxDifference(theirs, ours))));
        }
    }

    void wmfDrawingFallsBackToRenderer()
    {
        // A blue page of 40x20 with a red rectangle in its middle, no bitmap
        // record. (The renderer scales the drawing's own extent to the page,
        // so the blue rectangle covers it all.)
        Builder r;
        r.u32(5).u16(0x020B).u16(0).u16(0);                  // window origin
        r.u32(5).u16(0x020C).u16(20).u16(40);                // window extent
        r.u32(7).u16(0x02FC).u16(0).u32(0x00FF0000).u16(0);  // object 0: solid blue brush
        r.u32(4).u16(0x012D).u16(0);
        r.u32(8).u16(0x02FA).u16(5).u16(0).u16(0).u32(0);    // object 1: null pen
        r.u32(4).u16(0x012D).u16(1);
        r.u32(7).u16(0x041B).u16(20).u16(40).u16(0).u16(0);  // rectangle 0,0 - 40,20
        r.u32(7).u16(0x02FC).u16(0).u32(0x000000FF).u16(0);  // object 2: solid red brush
        r.u32(4).u16(0x012D).u16(2);
        r.u32(7).u16(0x041B).u16(15).u16(30).u16(5).u16(10); // rectangle 10,5 - 30,15
        r.u32(3).u16(0);
        Builder f;
        f.u32(0x9AC6CDD7).u16(0).u16(0).u16(0).u16(40).u16(20).u16(96).u32(0);
        std::uint32_t sum = 0;
        for (std::size_t i = 0; i < 20; i += 2)
            sum ^= u16(f.b, i);
        f.u16(int(sum));
        f.u16(1).u16(9).u16(0x0300).u32(std::uint32_t(9 + r.b.size() / 2)).u16(3).u32(8).u16(0).append(r.b);

        // The frame is 40x20 units at 96 per inch: 30x15 pixels at 72 dpi, and
        // the red rectangle covers 7.5,3.75 - 22.5,11.25 of them.
        ProbeInfo info;
        QCOMPARE(kWmfCodec.probe(f.b, 0, info), result::Ok);
        QCOMPARE(info.bitsPerPixel, 24);
        QCOMPARE(info.width, 30);
        QCOMPARE(info.height, 15);
        QCOMPARE(info.compression, std::string("None"));
        Bitmap b;
        QCOMPARE(kWmfCodec.read(f.b, 0, b), result::Ok);
        QCOMPARE(b.bitsPerPixel(), 24);
        QCOMPARE(b.width(), 30);
        QCOMPARE(b.height(), 15);
        for (const QPoint inside : {QPoint(9, 5), QPoint(15, 7), QPoint(21, 10)})
            QCOMPARE(b.pixelRgb(inside.x(), inside.y()), qRgb(255, 0, 0));
        for (const QPoint outside : {QPoint(2, 1), QPoint(5, 7), QPoint(15, 13), QPoint(27, 13)})
            QCOMPARE(b.pixelRgb(outside.x(), outside.y()), qRgb(0, 0, 255));
        QCOMPARE(b.xResolution(), 72);
    }

    // --- files from other programs -------------------------------------------
    // Rows coded past the image width, hand-built: the pixels past the edge
    // are dropped, from runs and from literals, in both encodings.
    void runLengthRowsPastTheWidth_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("width");
        QTest::addColumn<Bytes>("rle");
        QTest::addColumn<std::vector<int>>("expected"); // top row first
        // 3x2: bottom row a run of 4, top row a literal of 4.
        QTest::newRow("RLE8 run and literal of 4 on 3") << 8 << 3 << Bytes{0x04, 0x01, 0x00, 0x00, 0x00, 0x04, 2, 3, 1, 2, 0x00, 0x01}
                                                        << std::vector<int>{2, 3, 1, 1, 1, 1};
        QTest::newRow("RLE4 run and literal of 4 on 3") << 4 << 3 << Bytes{0x04, 0x12, 0x00, 0x00, 0x00, 0x04, 0x34, 0x56, 0x00, 0x01}
                                                        << std::vector<int>{3, 4, 5, 1, 2, 1};
        // 1 pixel wide, coded to the 4-byte padded width, and a run after the edge.
        QTest::newRow("RLE8 width 1 padded to 4") << 8 << 1 << Bytes{0x04, 0x02, 0x00, 0x00, 0x01, 0x03, 0x03, 0x01, 0x00, 0x01}
                                                  << std::vector<int>{3, 2};
        QTest::newRow("RLE4 width 1 padded to 8") << 4 << 1 << Bytes{0x08, 0x21, 0x00, 0x00, 0x08, 0x31, 0x00, 0x01}
                                                  << std::vector<int>{3, 2};
    }
    void runLengthRowsPastTheWidth()
    {
        QFETCH(int, bits);
        QFETCH(int, width);
        QFETCH(Bytes, rle);
        QFETCH(std::vector<int>, expected);
        Builder d = infoHeader(40, width, 2, bits, bits == 8 ? 1 : 2, 8);
        for (QRgb c : testPalette(8))
            d.bytes({qBlue(c), qGreen(c), qRed(c), 0});
        d.append(rle);
        Bitmap b;
        QCOMPARE(fromPackedDib(d.b, b), result::Ok);
        QCOMPARE(b.bitsPerPixel(), bits);
        QCOMPARE(b.width(), width);
        QCOMPARE(indices(b), expected);
        Bitmap viaFile;
        QCOMPARE(kBmpCodec.read(bmpFile(d.b, 14 + 40 + 32), 0, viaFile), result::Ok);
        QVERIFY(viaFile == b);
    }

    // RLE8 files written by ImageMagick and GraphicsMagick (which code each
    // row to a multiple of four pixels) and RLE4 files coded the same way, at
    // widths with and without padding: our pixels are Pillow's and
    // GraphicsMagick's. (All files are made first, so that each decoder runs
    // once over all of them.)
    void foreignRunLengthFilesMatchOtherReaders()
    {
        const QString python = pythonWithPillow();
        QVERIFY2(!python.isEmpty(), "python3 with Pillow (python3-pil) is needed");
        const QString gm = QStandardPaths::findExecutable(QStringLiteral("gm"));
        QVERIFY2(!gm.isEmpty(), "gm (graphicsmagick) is needed");
        const QString magick = imageMagick();
        QVERIFY2(!magick.isEmpty(), "ImageMagick's convert (imagemagick) is needed");
        struct Case {
            QString writer;
            int width;
            QString path;
        };
        std::vector<Case> cases;
        QTemporaryDir dir;
        const int height = 40;
        bool ok = false;
        QByteArray err;
        for (const char* writer : {"ImageMagick", "GraphicsMagick", "RLE4"})
            for (int width : {127, 126, 125, 128, 7, 3, 1}) {
                Case k{QString::fromLatin1(writer), width, dir.filePath(QStringLiteral("%1_%2.bmp").arg(QLatin1String(writer)).arg(width))};
                if (k.writer == QLatin1String("RLE4")) {
                    QVERIFY(writeFile(k.path, paddedRle4File(width, height, testPalette(16))));
                } else {
                    ImagingControl source;
                    source.SetImageHandle(manyColours(width, height));
                    const QString png = dir.filePath(QStringLiteral("source%1.png").arg(width));
                    QCOMPARE(source.SaveFile(png, int(FileFormat::Png), 24, -1, false), result::Ok);
                    QStringList args;
                    if (k.writer == QLatin1String("GraphicsMagick"))
                        args << QStringLiteral("convert");
                    args << png << QStringLiteral("+dither") << QStringLiteral("-colors") << QStringLiteral("256") << QStringLiteral("-compress")
                         << QStringLiteral("RLE") << QStringLiteral("BMP3:") + k.path;
                    run(k.writer == QLatin1String("GraphicsMagick") ? gm : magick, args, ok, &err);
                    QVERIFY2(ok, err.constData());
                }
                cases.push_back(k);
            }

        // Pillow's pixels of every file, one line of hex each; GraphicsMagick's
        // as raw RGB files beside them, from one batch run.
        QStringList args{QStringLiteral("-c"), QStringLiteral("import sys\nfrom PIL import Image\nfor p in sys.argv[1:]:\n"
                                                             "    print(Image.open(p).convert('RGB').tobytes().hex())")};
        QByteArray batch;
        for (const Case& k : cases) {
            args << k.path;
            batch += "convert " + k.path.toUtf8() + " -depth 8 rgb:" + k.path.toUtf8() + ".rgb\n";
        }
        const QList<QByteArray> pillow = run(python, args, ok, &err).split('\n');
        QVERIFY2(ok, err.constData());
        QVERIFY(pillow.size() >= qsizetype(cases.size()));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("batch")), Bytes(batch.begin(), batch.end())));
        run(gm, {QStringLiteral("batch"), QStringLiteral("-stop-on-error"), QStringLiteral("on"), dir.filePath(QStringLiteral("batch"))}, ok, &err);
        QVERIFY2(ok, err.constData());

        for (std::size_t i = 0; i < cases.size(); ++i) {
            const Case& k = cases[i];
            const QString name = QStringLiteral("%1 %2: ").arg(k.writer).arg(k.width);
            const bool rle4 = k.writer == QLatin1String("RLE4");
            const QByteArray file = readAll(k.path);
            QVERIFY(file.size() > 54);
            const Bytes bytes(file.begin(), file.end());
            QCOMPARE(int(u32(bytes, 18)), k.width);
            QCOMPARE(int(u32(bytes, 30)), rle4 ? 2 : 1); // the compression really is run-length
            const int padded = (k.width + 3) / 4 * 4;
            if (padded > k.width)
                QVERIFY2(pixelsInFirstRunLengthRow(file) == padded, qPrintable(name + "the row is not coded past the width"));

            ImagingControl c;
            QCOMPARE(c.ProbeFile(k.path, 0), result::Ok);
            QCOMPARE(QString::fromStdString(c.ProbedCompression()), rle4 ? QStringLiteral("RLE4") : QStringLiteral("RLE8"));
            QVERIFY2(c.LoadFile(k.path, 0, 0) == result::Ok, qPrintable(name + "does not load"));
            QCOMPARE(int(c.BitsPerPixel()), rle4 ? 4 : 8);
            QCOMPARE(c.ImageWidth(), float(k.width));
            QCOMPARE(c.ImageHeight(), float(height));
            const QByteArray ours = rgbBytes(c.ImageHandle());

            const QByteArray theirs = QByteArray::fromHex(pillow[qsizetype(i)]);
            QCOMPARE(theirs.size(), ours.size());
            QVERIFY2(maxDifference(theirs, ours) == 0, qPrintable(name + QStringLiteral("Pillow differs by %1").arg(maxDifference(theirs, ours))));
            // GraphicsMagick's reader (ImageMagick's too) spills a one-pixel row
            // coded to four pixels into the rows above it; Pillow reads it as we do.
            if (k.width == 1)
                continue;
            const QByteArray gmPixels = readAll(k.path + QStringLiteral(".rgb"));
            QCOMPARE(gmPixels.size(), ours.size());
            QVERIFY2(maxDifference(gmPixels, ours) == 0, qPrintable(name + QStringLiteral("gm differs by %1").arg(maxDifference(gmPixels, ours))));
        }
    }

    // Placeable metafiles written by Inkscape (tests/data/wmf, 1200 units per
    // inch): the picture is the bounding box at 72 dpi, rounded up, and
    // matches Inkscape's own rendering and GraphicsMagick's.
    void inkscapeMetafilesOpenAtTheirSize_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("640x480 drawing") << QStringLiteral("inkscape_640x480") << 480 << 360; // 7999x5999 units
        QTest::newRow("300x150 drawing") << QStringLiteral("inkscape_300x150") << 225 << 113; // 3749x1874 units
    }
    void inkscapeMetafilesOpenAtTheirSize()
    {
        QFETCH(QString, name);
        QFETCH(int, width);
        QFETCH(int, height);
        const QString gm = QStandardPaths::findExecutable(QStringLiteral("gm"));
        QVERIFY2(!gm.isEmpty(), "gm (graphicsmagick) is needed");
        const QString wmf = QStringLiteral(ARDANE_SHARED_TEST_DATA "/wmf/") + name + QStringLiteral(".wmf");
        ImagingControl c;
        QCOMPARE(c.ProbeFile(wmf, 0), result::Ok);
        QCOMPARE(c.ProbedFormat(), std::int16_t(FileFormat::Wmf));
        QCOMPARE(c.ProbedWidth(), width);
        QCOMPARE(c.ProbedHeight(), height);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(c.LoadFile(wmf, 0, 0), result::Ok);
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QStringLiteral("took %1 ms").arg(timer.elapsed())));
        QCOMPARE(c.ImageWidth(), float(width));
        QCOMPARE(c.ImageHeight(), float(height));
        QCOMPARE(int(c.BitsPerPixel()), 24);
        QCOMPARE(int(c.XResolution()), 72);

        // Against Inkscape's rendering: edges are anti-aliased differently,
        // so nearly every pixel (the shapes and the page) must agree closely.
        ImagingControl inkscape;
        QCOMPARE(inkscape.LoadFile(QStringLiteral(ARDANE_SHARED_TEST_DATA "/wmf/") + name + QStringLiteral(".png"), 24, 0), result::Ok);
        QCOMPARE(inkscape.ImageWidth(), float(width));
        QCOMPARE(inkscape.ImageHeight(), float(height));
        const QByteArray ours = rgbBytes(c.ImageHandle());
        const QByteArray theirs = rgbBytes(inkscape.ImageHandle());
        qsizetype off = 0;
        for (qsizetype i = 0; i < ours.size(); i += 3) {
            int d = 0;
            for (int k = 0; k < 3; ++k)
                d = std::max(d, std::abs(int(uchar(ours[i + k])) - int(uchar(theirs[i + k]))));
            if (d > 48)
                ++off;
        }
        QVERIFY2(off * 100 < qsizetype(width) * height * 2, qPrintable(QStringLiteral("%1 of %2 pixels differ").arg(off).arg(width * height)));

        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("gm.png"));
        bool ok = false;
        QByteArray err;
        run(gm, {"convert", wmf, png}, ok, &err);
        QVERIFY2(ok, err.constData());
        ImagingControl viaGm;
        QCOMPARE(viaGm.LoadFile(png, 24, 0), result::Ok);
        QCOMPARE(viaGm.ImageWidth(), float(width));
        QCOMPARE(viaGm.ImageHeight(), float(height));
        QVERIFY2(maxDifference(rgbBytes(viaGm.ImageHandle()), ours) <= 2, "GraphicsMagick renders it otherwise");
    }

    // Tiny metafiles claiming large frames: sized by the rule above, opened
    // quickly, or refused before anything is rendered when the size is absurd.
    void metafileFramesAreCapped_data()
    {
        QTest::addColumn<bool>("placeable");
        QTest::addColumn<int>("units");
        QTest::addColumn<int>("inch");
        QTest::addColumn<Result>("expected");
        QTest::addColumn<int>("side"); // of the picture when it opens
        QTest::newRow("16384 units at 1440 per inch") << true << 16384 << 1440 << result::Ok << 820;
        QTest::newRow("16384 units without placeable header") << false << 16384 << 0 << result::Ok << 820;
        QTest::newRow("32767 units without placeable header") << false << 32767 << 0 << result::Ok << 1639;
        QTest::newRow("16384 units at 96 per inch") << true << 16384 << 96 << result::OutOfMemory << 0;  // 12288 square
        QTest::newRow("32767 units at 72 per inch") << true << 32767 << 72 << result::OutOfMemory << 0;  // 32767 square
        QTest::newRow("16384 units at 1 per inch") << true << 16384 << 1 << result::OutOfMemory << 0;
        QTest::newRow("8000 units at 96 per inch") << true << 8000 << 96 << result::OutOfMemory << 0;    // 6000 square: 36 megapixels
    }
    void metafileFramesAreCapped()
    {
        QFETCH(bool, placeable);
        QFETCH(int, units);
        QFETCH(int, inch);
        QFETCH(Result, expected);
        QFETCH(int, side);
        const Bytes wmf = rectangleMetafile(placeable, units, units, inch);
        if (placeable)
            QCOMPARE(wmf.size(), std::size_t(80));
        ImagingControl c;
        c.SetImageHandle(sample(8, 3, 3));
        const Bitmap before = c.ImageHandle();
        QElapsedTimer timer;
        timer.start();
        const Result r = c.LoadFromBlock(wmf, 0, 0);
        const qint64 elapsed = timer.elapsed();
        QCOMPARE(r, expected);
        QVERIFY2(elapsed < 1000, qPrintable(QStringLiteral("took %1 ms").arg(elapsed)));
        ProbeInfo info;
        QCOMPARE(kWmfCodec.probe(wmf, 0, info), expected);
        if (expected == result::Ok) {
            QCOMPARE(c.ImageWidth(), float(side));
            QCOMPARE(c.ImageHeight(), float(side));
            QCOMPARE(info.width, side);
            QCOMPARE(info.height, side);
            // The rectangle's dark outline runs along the picture's edges.
            QVERIFY2(qGray(c.ImageHandle().pixelRgb(0, side / 2)) < 160, "no outline on the left edge");
            QVERIFY2(qGray(c.ImageHandle().pixelRgb(side / 2, 0)) < 160, "no outline on the top edge");
            QVERIFY2(qGray(c.ImageHandle().pixelRgb(side - 1, side / 2)) < 160, "no outline on the right edge");
            QCOMPARE(c.ImageHandle().pixelRgb(side / 2, side / 2), qRgb(255, 255, 255));
        } else {
            QVERIFY(c.ImageHandle() == before);
        }
        // None of these may make the renderer take a lot of memory.
        QVERIFY2(peakResidentKiB() < 600 * 1024, qPrintable(QStringLiteral("peak %1 KiB").arg(peakResidentKiB())));
    }

    // --- malformed input -----------------------------------------------------
    void truncatedFiles()
    {
        // 4 pixels of 8 bits: rows need no padding, so every cut loses data.
        const Bitmap b = sample(8, 4, 3);
        Bytes bmp, os2, wmf;
        QCOMPARE(kBmpCodec.write(b, 0, bmp), result::Ok);
        QCOMPARE(kOs2BmpCodec.write(b, 0, os2), result::Ok);
        QCOMPARE(kWmfCodec.write(b, 0, wmf), result::Ok);
        const Bytes dib = toPackedDib(b);
        for (const Bytes* file : {&bmp, &os2}) {
            const std::size_t pixelsAt = u32(*file, 10);
            for (std::size_t len = 0; len < file->size(); ++len) {
                const ByteView cut(file->data(), len);
                Bitmap out = sample(1, 1, 1);
                const Result r = kBmpCodec.read(cut, 0, out);
                QCOMPARE(r, len < 2 ? result::InvalidFormat : result::ReadError);
                QCOMPARE(kOs2BmpCodec.read(cut, 0, out), r);
                QCOMPARE(out.width(), 1); // untouched
                // The probe needs the headers and the colour table.
                ProbeInfo info;
                QCOMPARE(kBmpCodec.probe(cut, 0, info) == result::Ok, len >= pixelsAt);
            }
        }
        for (std::size_t len = 0; len < dib.size(); ++len) {
            Bitmap out;
            QCOMPARE(fromPackedDib(ByteView(dib.data(), len), out), result::ReadError);
            QVERIFY(out.isNull());
        }
        // The metafile: every cut before the end record loses the bitmap.
        for (std::size_t len = 0; len + 6 < wmf.size(); ++len) {
            Bitmap out;
            const Result r = kWmfCodec.read(ByteView(wmf.data(), len), 0, out);
            QCOMPARE(r, len < 2 ? result::InvalidFormat : result::ReadError);
            ProbeInfo info;
            QVERIFY(kWmfCodec.probe(ByteView(wmf.data(), len), 0, info) != result::Ok);
        }
        // Only the end record missing: the bitmap is whole.
        Bitmap out;
        QCOMPARE(kWmfCodec.read(ByteView(wmf.data(), wmf.size() - 6), 0, out), result::Ok);
        QVERIFY(out == b);
    }

    void corruptHeaders_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<quint32>("value");
        QTest::addColumn<int>("width"); // 2 or 4 bytes
        QTest::addColumn<Result>("expected");
        QTest::addColumn<bool>("probeSees"); // the probe reads only headers
        // Offsets into a 4x3, 8-bit, four-colour BMP file.
        QTest::newRow("signature") << 0 << quint32('X') << 2 << result::InvalidFormat << true;
        QTest::newRow("offset past end") << 10 << quint32(0xFFFFFFF0) << 4 << result::ReadError << true;
        QTest::newRow("offset just past end") << 10 << quint32(83) << 4 << result::ReadError << true;
        QTest::newRow("offset at end") << 10 << quint32(82) << 4 << result::ReadError << false;
        QTest::newRow("header size 0") << 14 << quint32(0) << 4 << result::InvalidFormat << true;
        QTest::newRow("header size 100") << 14 << quint32(100) << 4 << result::InvalidFormat << true;
        QTest::newRow("header size huge") << 14 << quint32(0xFFFFFFFF) << 4 << result::InvalidFormat << true;
        QTest::newRow("header longer than file") << 14 << quint32(124) << 4 << result::ReadError << true;
        QTest::newRow("width 0") << 18 << quint32(0) << 4 << result::InvalidFormat << true;
        QTest::newRow("width negative") << 18 << quint32(-5) << 4 << result::InvalidFormat << true;
        QTest::newRow("width huge") << 18 << quint32(0x7FFFFFFF) << 4 << result::OutOfMemory << true;
        QTest::newRow("width 70000") << 18 << quint32(70000) << 4 << result::OutOfMemory << true;
        QTest::newRow("height 0") << 22 << quint32(0) << 4 << result::InvalidFormat << true;
        QTest::newRow("height most negative") << 22 << quint32(INT_MIN) << 4 << result::OutOfMemory << true;
        QTest::newRow("height huge") << 22 << quint32(0x7FFFFFFF) << 4 << result::OutOfMemory << true;
        QTest::newRow("height taller than data") << 22 << quint32(4000) << 4 << result::ReadError << false;
        QTest::newRow("bit count 7") << 28 << quint32(7) << 2 << result::InvalidFormat << true;
        QTest::newRow("bit count 0") << 28 << quint32(0) << 2 << result::InvalidFormat << true;
        QTest::newRow("bit count 64") << 28 << quint32(64) << 2 << result::InvalidFormat << true;
        QTest::newRow("compression JPEG") << 30 << quint32(4) << 4 << result::UnknownCompression << true;
        QTest::newRow("compression 99") << 30 << quint32(99) << 4 << result::UnknownCompression << true;
        QTest::newRow("RLE4 on 8 bits") << 30 << quint32(2) << 4 << result::InvalidCompression << true;
        QTest::newRow("bit fields on 8 bits") << 30 << quint32(3) << 4 << result::InvalidCompression << true;
        QTest::newRow("colours huge") << 46 << quint32(0xFFFFFFFF) << 4 << result::InvalidFormat << true;
        QTest::newRow("colours 257") << 46 << quint32(257) << 4 << result::InvalidFormat << true;
    }
    void corruptHeaders()
    {
        QFETCH(int, offset);
        QFETCH(quint32, value);
        QFETCH(int, width);
        QFETCH(Result, expected);
        QFETCH(bool, probeSees);
        Builder small = infoHeader(40, 4, 3, 8, 0, 4);
        small.append(Bytes(16, 0x40)).append(Bytes(12, 3));
        Bytes file = bmpFile(small.b, 14 + 40 + 16);
        QCOMPARE(file.size(), std::size_t(82));
        Bitmap ok;
        QCOMPARE(kBmpCodec.read(file, 0, ok), result::Ok);
        for (int i = 0; i < width; ++i)
            file[std::size_t(offset + i)] = std::uint8_t(value >> (8 * i));
        Bitmap out;
        QCOMPARE(kBmpCodec.read(file, 0, out), expected);
        QVERIFY(out.isNull());
        ProbeInfo info;
        QCOMPARE(kBmpCodec.probe(file, 0, info), probeSees ? expected : result::Ok);
        // The same header as a packed DIB fails the same way (no file header there).
        if (offset >= 18 && expected != result::ReadError)
            QCOMPARE(fromPackedDib(ByteView(file).subspan(14), out), expected);
    }

    void corruptDibs()
    {
        Bitmap out;
        // Top-down run-length data.
        Builder td = infoHeader(40, 2, -2, 8, 1, 2);
        td.append(Bytes(8, 0)).bytes({0, 1});
        QCOMPARE(fromPackedDib(td.b, out), result::InvalidCompression);
        // Bit fields on 24 bits; masks that are zero, overlap nothing or have holes.
        Builder bf24 = infoHeader(40, 1, 1, 24, 3);
        bf24.u32(0xFF0000).u32(0xFF00).u32(0xFF).bytes({1, 2, 3, 0});
        QCOMPARE(fromPackedDib(bf24.b, out), result::InvalidCompression);
        Builder zero = infoHeader(40, 1, 1, 16, 3);
        zero.u32(0).u32(0).u32(0).bytes({1, 2, 0, 0});
        QCOMPARE(fromPackedDib(zero.b, out), result::InvalidFormat);
        Builder holes = infoHeader(40, 1, 1, 16, 3);
        holes.u32(0xF00F).u32(0x07E0).u32(0x001F).bytes({1, 2, 0, 0});
        QCOMPARE(fromPackedDib(holes.b, out), result::InvalidFormat);
        Builder wide = infoHeader(40, 1, 1, 16, 3);
        wide.u32(0xF0000).u32(0x07E0).u32(0x001F).bytes({1, 2, 0, 0});
        QCOMPARE(fromPackedDib(wide.b, out), result::InvalidFormat);
        // Masks cut off.
        Builder cut = infoHeader(40, 1, 1, 16, 3);
        cut.u32(0xF800);
        QCOMPARE(fromPackedDib(cut.b, out), result::ReadError);
        // A colour table for a 24-bit DIB that runs past the end.
        Builder table = infoHeader(40, 1, 1, 24, 0, 200);
        table.bytes({1, 2, 3, 0});
        QCOMPARE(fromPackedDib(table.b, out), result::ReadError);
        // The 12-byte header knows no 16 or 32 bits.
        Builder core;
        core.u32(12).u16(1).u16(1).u16(1).u16(16).bytes({1, 2, 0, 0});
        QCOMPARE(fromPackedDib(core.b, out), result::InvalidFormat);
        QVERIFY(out.isNull());
    }

    void runLengthOverruns_data()
    {
        QTest::addColumn<Bytes>("rle");
        QTest::addColumn<Result>("expected");
        // A 4x2 image, 8 bits. Pixels past the right edge are dropped (writers
        // code rows to their padded width); see runLengthRowsPastTheWidth.
        QTest::newRow("run past row end") << Bytes{0x05, 0x01, 0x00, 0x01} << result::Ok;
        QTest::newRow("run after a full row") << Bytes{0x04, 0x01, 0x01, 0x01, 0x00, 0x01} << result::Ok;
        QTest::newRow("literal past row end") << Bytes{0x00, 0x05, 1, 2, 3, 4, 5, 0, 0x00, 0x01} << result::Ok;
        QTest::newRow("move past row end") << Bytes{0x00, 0x02, 0x05, 0x00, 0x00, 0x01} << result::InvalidCompression;
        QTest::newRow("move past last row") << Bytes{0x00, 0x02, 0x00, 0x03, 0x00, 0x01} << result::InvalidCompression;
        QTest::newRow("pixels past last row") << Bytes{0x00, 0x00, 0x00, 0x00, 0x01, 0x01} << result::InvalidCompression;
        QTest::newRow("ends without marker") << Bytes{0x02, 0x01} << result::ReadError;
        QTest::newRow("ends inside a pair") << Bytes{0x02, 0x01, 0x00} << result::ReadError;
        QTest::newRow("literal cut short") << Bytes{0x00, 0x04, 1, 2} << result::ReadError;
        QTest::newRow("move cut short") << Bytes{0x00, 0x02, 0x01} << result::ReadError;
        QTest::newRow("empty") << Bytes{} << result::ReadError;
        QTest::newRow("only the end marker") << Bytes{0x00, 0x01} << result::Ok;
    }
    void runLengthOverruns()
    {
        QFETCH(Bytes, rle);
        QFETCH(Result, expected);
        for (bool fourBit : {false, true}) {
            Builder d = infoHeader(40, 4, 2, fourBit ? 4 : 8, fourBit ? 2 : 1, 2);
            d.bytes({0, 0, 0, 0, 255, 255, 255, 0}).append(rle);
            Bitmap out;
            QCOMPARE(fromPackedDib(d.b, out), expected);
            QCOMPARE(kBmpCodec.read(bmpFile(d.b, 14 + 48), 0, out), expected);
        }
    }

    void corruptMetafiles()
    {
        const Bitmap b = sample(8, 5, 3);
        Bytes good;
        QCOMPARE(kWmfCodec.write(b, 0, good), result::Ok);
        auto readWith = [&](std::size_t at, std::uint32_t value, int bytes) {
            Bytes f = good;
            for (int i = 0; i < bytes; ++i)
                f[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
            Bitmap out;
            const Result r = kWmfCodec.read(f, 0, out);
            ProbeInfo info;
            const Result p = kWmfCodec.probe(f, 0, info);
            // The probe reads headers: it agrees except about missing pixels.
            return r == p || (r == result::ReadError && p == result::Ok && at > 60) ? r : Result(1);
        };
        QCOMPARE(readWith(22, 3, 2), result::InvalidFormat);          // metafile type
        QCOMPARE(readWith(24, 10, 2), result::InvalidFormat);         // header words
        QCOMPARE(readWith(26, 0x0200, 2), result::InvalidFormat);     // version
        QCOMPARE(readWith(40, 0, 4), result::InvalidFormat);          // record of no words
        QCOMPARE(readWith(40, 2, 4), result::InvalidFormat);          // shorter than its own header
        QCOMPARE(readWith(40, 0xFFFFFFFF, 4), result::ReadError);     // record past the end
        QCOMPARE(readWith(60, 0x7FFFFFFF, 4), result::ReadError);     // bitmap record past the end
        QCOMPARE(readWith(60 + 28 + 14, 7, 2), result::InvalidFormat);     // DIB bit count 7
        QCOMPARE(readWith(60 + 28 + 4, 0x7FFFFFFF, 4), result::OutOfMemory); // DIB width absurd
        QCOMPARE(readWith(60 + 28 + 32, 0xFFFFFFFF, 4), result::InvalidFormat); // DIB colour count
        QCOMPARE(readWith(60 + 28 + 8, 300, 4), result::ReadError);        // DIB rows missing
        // Record sizes that are fine: the placeable checksum is not held against a file.
        QCOMPARE(readWith(20, 0, 2), result::Ok);
    }
};

QTEST_GUILESS_MAIN(TestBmpCodecs)
#include "test_bmp_codecs.moc"
