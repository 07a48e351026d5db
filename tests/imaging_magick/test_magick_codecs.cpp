// GIF, TIFF, JPEG, PCX, PNG, Targa, EPS and Photo CD: every depth the format
// table promises survives a save and a load through the imaging control with
// its depth, table, pixels and resolution; an independent decoder (Pillow)
// reads what we write; damaged and hostile files end in an error code and
// leave the control's image alone.

#include "ForeignFiles.h"
#include "imaging/ImagingControl.h"
#include "imaging/codecs/Codec.h"
#include "imaging/codecs/Magick.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <thread>

using namespace ardane;
using namespace ardane::imaging;
namespace codecs = ardane::imaging::codecs;
using Bytes = std::vector<std::uint8_t>;

using ardane::test::imageMagick;
using ardane::test::maxDifference;
using ardane::test::pythonWithPillow;
using ardane::test::rgbBytes;

namespace {

constexpr FileFormat kOurFormats[] = {FileFormat::Pcx, FileFormat::Gif, FileFormat::Tga, FileFormat::Jpeg,
                                      FileFormat::Eps, FileFormat::Tiff, FileFormat::Png};

QRgb tableColour(int i) { return qRgb((i * 97 + 13) & 255, (i * 53 + 200) & 255, (i * 29 + 7) & 255); }

std::vector<QRgb> scrambledTable(int n)
{
    std::vector<QRgb> t;
    for (int i = 0; i < n; ++i)
        t.push_back(tableColour(i));
    return t;
}

// A picture at any depth with every table entry in use, odd width (padded
// rows), and for 32 bits every kind of alpha from clear to opaque.
Bitmap sample(int bits, int w = 37, int h = 23, std::vector<QRgb> table = {})
{
    if (bits <= 8 && table.empty())
        table = scrambledTable(1 << bits);
    Bitmap b = Bitmap::create(w, h, bits, table);
    const int n = int(table.size());
    for (int y = 0; y < h; ++y) {
        uchar* row = b.image().scanLine(y);
        for (int x = 0; x < w; ++x) {
            switch (bits) {
            case 16:
                reinterpret_cast<quint16*>(row)[x] = quint16((x * 31 / (w - 1)) << 10 | (y * 31 / (h - 1)) << 5 | ((x + y) % 32));
                break;
            case 24:
                row[3 * x] = uchar(x * 255 / (w - 1));
                row[3 * x + 1] = uchar(y * 255 / (h - 1));
                row[3 * x + 2] = uchar((x * y * 3) & 255);
                break;
            case 32:
                reinterpret_cast<QRgb*>(row)[x] = qRgba(x * 255 / (w - 1), y * 255 / (h - 1), (x * y * 3) & 255, (x * 7 + y * 13) % 256);
                break;
            default: row[x] = uchar((x * 3 + y * 7 + (x * y) % 5) % n); break;
            }
        }
    }
    b.setResolution(150, 200);
    return b;
}

// Smooth content for the lossy coder: gradients, and for the indexed depths
// a gradient over their grey ramp.
Bitmap smoothSample(int bits, int w = 64, int h = 48)
{
    Bitmap b = Bitmap::create(w, h, bits);
    const int top = (1 << std::min(bits, 8)) - 1;
    for (int y = 0; y < h; ++y) {
        uchar* row = b.image().scanLine(y);
        for (int x = 0; x < w; ++x) {
            if (bits <= 8) {
                const int v = (x * 255 / (w - 1) + y * 255 / (h - 1)) / 2;
                row[x] = uchar((v * top + 127) / 255);
            } else {
                row[3 * x] = uchar(x * 255 / (w - 1));
                row[3 * x + 1] = uchar(y * 255 / (h - 1));
                row[3 * x + 2] = uchar(255 - (x + y) * 255 / (w + h - 2));
            }
        }
    }
    b.setResolution(150, 200);
    return b;
}

int luma(QRgb c) { return (qRed(c) * 77 + qGreen(c) * 150 + qBlue(c) * 29 + 128) >> 8; }

const char* compressionOf(FileFormat f)
{
    switch (f) {
    case FileFormat::Png: return "Deflate";
    case FileFormat::Gif:
    case FileFormat::Tiff: return "LZW";
    case FileFormat::Jpeg: return "JPEG";
    case FileFormat::Pcx: return "RLE";
    default: return "None";
    }
}

// Resolution a file of the format gives back for a bitmap saved at `dpi`.
int dpiBack(FileFormat f, int dpi)
{
    switch (f) {
    case FileFormat::Gif:
    case FileFormat::Tga: return 96; // no field for it: the default stands
    case FileFormat::Eps: return 72; // one pixel per point
    default: return dpi;
    }
}

QString nameOf(FileFormat f) { return QString::fromLatin1(formatInfo(f)->name.data(), qsizetype(formatInfo(f)->name.size())); }

// The largest difference of any channel (alpha included), and a description
// of the first pixel that differs by more than `tolerance`.
int compareRgba(const Bitmap& got, const Bitmap& want, int tolerance, QString& firstBad)
{
    int worst = 0;
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x) {
            const QRgb a = got.pixelRgb(x, y), b = want.pixelRgb(x, y);
            const int d = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b)),
                                    std::abs(qAlpha(a) - qAlpha(b))});
            if (d > tolerance && firstBad.isEmpty())
                firstBad = QStringLiteral("(%1,%2) got %3 want %4").arg(x).arg(y).arg(a, 8, 16).arg(b, 8, 16);
            worst = std::max(worst, d);
        }
    return worst;
}

// Indexed bitmaps: same table (the first entries when the format pads it)
// and the same index in every pixel.
void expectSameIndexed(const Bitmap& got, const Bitmap& want, bool padded)
{
    const auto gotTable = got.palette();
    const auto wantTable = want.palette();
    if (padded) {
        QCOMPARE(int(gotTable.size()), 1 << want.bitsPerPixel());
        for (std::size_t i = 0; i < gotTable.size(); ++i)
            QCOMPARE(gotTable[i] | 0xFF000000u, i < wantTable.size() ? wantTable[i] | 0xFF000000u : qRgb(0, 0, 0));
    } else {
        QCOMPARE(gotTable.size(), wantTable.size());
        for (std::size_t i = 0; i < gotTable.size(); ++i)
            QCOMPARE(gotTable[i] | 0xFF000000u, wantTable[i] | 0xFF000000u);
    }
    for (int y = 0; y < want.height(); ++y)
        QVERIFY2(std::memcmp(got.image().constScanLine(y), want.image().constScanLine(y), std::size_t(want.width())) == 0,
                 qPrintable(QStringLiteral("indices differ in row %1").arg(y)));
}

// Whether every pixel of a bitmap is a grey.
bool allPixelsGrey(const Bitmap& b)
{
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) {
            const QRgb c = b.pixelRgb(x, y);
            if (qRed(c) != qGreen(c) || qGreen(c) != qBlue(c))
                return false;
        }
    return true;
}

// The depth a saved bitmap comes back at. JPEG holds grey (loaded at 8 bits)
// or colour (24 bits): an indexed picture is grey when every colour it uses
// is a grey.
int depthBack(FileFormat f, const Bitmap& saved)
{
    if (f != FileFormat::Jpeg || !saved.isIndexed())
        return saved.bitsPerPixel();
    return allPixelsGrey(saved) ? 8 : 24;
}

// Checks `got` against what was saved. JPEG is lossy; everything else must
// come back exactly.
void expectRoundTrip(FileFormat f, const Bitmap& got, const Bitmap& saved, bool paddedTable = false)
{
    QCOMPARE(got.bitsPerPixel(), depthBack(f, saved));
    QCOMPARE(got.width(), saved.width());
    QCOMPARE(got.height(), saved.height());
    QCOMPARE(got.xResolution(), dpiBack(f, saved.xResolution()));
    QCOMPARE(got.yResolution(), dpiBack(f, saved.yResolution()));
    if (f == FileFormat::Jpeg) {
        if (got.bitsPerPixel() == 8) {
            const auto table = got.palette();
            QCOMPARE(int(table.size()), 256);
            for (int i = 0; i < 256; ++i)
                QCOMPARE(table[std::size_t(i)] | 0xFF000000u, qRgb(i, i, i));
        }
        // 1 and 4-bit pictures are steps of a few levels: their edges ring a little more.
        const int tolerance = saved.bitsPerPixel() < 8 ? 16 : 6;
        QString bad;
        const int worst = compareRgba(got, saved, tolerance, bad);
        QVERIFY2(worst <= tolerance, qPrintable(QStringLiteral("JPEG error %1 at %2").arg(worst).arg(bad)));
        return;
    }
    if (saved.isIndexed()) {
        expectSameIndexed(got, saved, paddedTable);
        return;
    }
    QString bad;
    QCOMPARE(compareRgba(got, saved, 0, bad), 0);
}

bool tablePaddedBy(FileFormat f) { return f == FileFormat::Gif || f == FileFormat::Tiff || f == FileFormat::Pcx; }

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

Bytes toBytes(const QByteArray& a) { return Bytes(a.begin(), a.end()); }

// A little-endian TIFF with one strip of 8-bit grey samples.
Bytes tinyTiff(std::uint32_t width, std::uint32_t height, std::uint16_t compression)
{
    Bytes t = {'I', 'I', 42, 0, 8, 0, 0, 0};
    const auto u16 = [&](unsigned v) { t.push_back(std::uint8_t(v)); t.push_back(std::uint8_t(v >> 8)); };
    const auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    const auto entry = [&](unsigned tag, unsigned type, std::uint32_t value) {
        u16(tag);
        u16(type);
        u32(1);
        u32(value);
    };
    u16(8);
    entry(256, 4, width);
    entry(257, 4, height);
    entry(258, 3, 8);
    entry(259, 3, compression);
    entry(262, 3, 1);
    entry(273, 4, 8 + 2 + 8 * 12 + 4); // strip right after the directory
    entry(278, 4, height);
    entry(279, 4, 16);
    u32(0);
    for (int i = 0; i < 16; ++i)
        t.push_back(std::uint8_t(i * 16));
    return t;
}

// Probes and loads `path` into `c`, expecting the format, depth and size
// from both.
void expectProbeAndLoad(ImagingControl& c, const QString& path, FileFormat format, int bits, int width, int height)
{
    QCOMPARE(c.ProbeFile(path, 0), result::Ok);
    QCOMPARE(c.ProbedFormat(), std::int16_t(format));
    QCOMPARE(c.ProbedBitsPerPixel(), std::int16_t(bits));
    QCOMPARE(c.ProbedWidth(), width);
    QCOMPARE(c.ProbedHeight(), height);
    QCOMPARE(c.LoadFile(path, 0, 0), result::Ok);
    QCOMPARE(c.BitsPerPixel(), std::int16_t(bits));
    QCOMPARE(c.ImageWidth(), float(width));
    QCOMPARE(c.ImageHeight(), float(height));
}

// PostScript files of one picture from other programs, each with its
// bounding box on a page that is larger: GraphicsMagick (PS, whose first
// line does not say encapsulated), ImageMagick (level 3, compressed data),
// pnmtops (the picture in the middle of the page, one pixel per point) and
// Pillow. A program that is missing or fails leaves its file out.
struct ForeignPostScript {
    QString name;
    QString path;
};
std::vector<ForeignPostScript> writeForeignPostScript(const QTemporaryDir& dir, const QString& png, const QString& ppm)
{
    const QString gm = QStandardPaths::findExecutable(QStringLiteral("gm"));
    const QString magick = imageMagick();
    const QString python = pythonWithPillow();
    const QString pnmtops = QStandardPaths::findExecutable(QStringLiteral("pnmtops"));
    if (gm.isEmpty() || magick.isEmpty() || python.isEmpty() || pnmtops.isEmpty())
        return {};
    std::vector<ForeignPostScript> files;
    const auto prefixed = [](const char* coder, const QString& path) { return QString::fromLatin1(coder) + path; };
    const QString gmPs = dir.filePath(QStringLiteral("gm.ps"));
    if (QProcess::execute(gm, {QStringLiteral("convert"), png, prefixed("PS:", gmPs)}) == 0)
        files.push_back({QStringLiteral("gm.ps"), gmPs});
    const QString im = dir.filePath(QStringLiteral("im3.eps"));
    if (QProcess::execute(magick, {png, prefixed("EPS3:", im)}) == 0)
        files.push_back({QStringLiteral("im3.eps"), im});
    {
        const QString path = dir.filePath(QStringLiteral("pnmtops.ps"));
        QProcess p;
        p.setStandardOutputFile(path);
        p.start(pnmtops, {QStringLiteral("-noturn"), QStringLiteral("-dpi=72"), QStringLiteral("-equalpixels"), ppm});
        if (p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            files.push_back({QStringLiteral("pnmtops.ps"), path});
    }
    const QString pillow = dir.filePath(QStringLiteral("pillow.eps"));
    if (QProcess::execute(python, {QStringLiteral("-c"), QStringLiteral("import sys\nfrom PIL import Image\nImage.open(sys.argv[1]).save(sys.argv[2])"), png, pillow}) == 0)
        files.push_back({QStringLiteral("pillow.eps"), pillow});
    return files;
}

} // namespace

class TestMagickCodecs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { codecs::ensureMagickInitialised(); }

    // Every (format, depth) pair the format table lists for our formats.
    void everyWritableDepthRoundTrips_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("bits");
        for (FileFormat f : kOurFormats)
            for (int bits : {1, 4, 8, 16, 24, 32})
                if (canWriteDepth(*formatInfo(f), bits))
                    QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(nameOf(f)).arg(bits))) << int(f) << bits;
    }
    void everyWritableDepthRoundTrips()
    {
        QFETCH(int, format);
        QFETCH(int, bits);
        const auto f = FileFormat(format);
        const Bitmap saved = f == FileFormat::Jpeg ? smoothSample(bits) : sample(bits);
        ImagingControl c;
        c.SetImageHandle(saved);

        // In memory.
        Bytes block;
        QCOMPARE(c.SaveToBlock(block, format, 0, 95), result::Ok);
        QCOMPARE(codecs::detectFormat(block), f);
        ImagingControl fromBlock;
        QCOMPARE(fromBlock.LoadFromBlock(block, 0, 0), result::Ok);
        expectRoundTrip(f, fromBlock.ImageHandle(), saved);
        if (QTest::currentTestFailed())
            return;

        // Through a file, with the probe's description.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("picture"));
        QCOMPARE(c.SaveFile(path, format, bits, 95, false), result::Ok);
        QCOMPARE(toBytes(readBytes(path)), block);
        ImagingControl probe;
        QCOMPARE(probe.ProbeFile(path, 0), result::Ok);
        QCOMPARE(probe.ProbedFormat(), std::int16_t(format));
        const int backBits = depthBack(f, saved);
        QCOMPARE(probe.ProbedBitsPerPixel(), std::int16_t(backBits));
        QCOMPARE(probe.ProbedWidth(), saved.width());
        QCOMPARE(probe.ProbedHeight(), saved.height());
        QCOMPARE(probe.ProbedMemorySize(), std::int32_t(((saved.width() * backBits + 31) / 32) * 4 * saved.height()));
        QCOMPARE(QString::fromStdString(probe.ProbedCompression()), QString::fromLatin1(compressionOf(f)));
        QVERIFY(!probe.HasImage()); // probing loads nothing
        QCOMPARE(probe.LoadFile(path, 0, 0), result::Ok);
        QVERIFY(probe.ImageHandle() == fromBlock.ImageHandle());
        QCOMPARE(probe.LoadFile(path, 0, 1), result::InvalidFormat); // one page only
    }

    // Tables shorter than the depth allows, a two-colour table with white
    // first (which GraphicsMagick's own PNG writer would reorder), and grey
    // ramps (which writers like to store as grey samples instead of a table).
    void shortReversedAndGreyTables_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("entries");
        QTest::addColumn<bool>("grey");
        for (FileFormat f : kOurFormats) {
            if (f == FileFormat::Jpeg)
                continue;
            for (auto [bits, entries, grey] : {std::tuple{8, 16, false}, {4, 3, false}, {1, 2, false}, {8, 256, true}, {8, 16, true},
                                               {4, 16, true}, {1, 2, true}})
                if (canWriteDepth(*formatInfo(f), bits))
                    QTest::newRow(qPrintable(QStringLiteral("%1 %2/%3%4").arg(nameOf(f)).arg(bits).arg(entries).arg(grey ? " grey" : "")))
                        << int(f) << bits << entries << grey;
        }
    }
    void shortReversedAndGreyTables()
    {
        QFETCH(int, format);
        QFETCH(int, bits);
        QFETCH(int, entries);
        QFETCH(bool, grey);
        std::vector<QRgb> table = entries == 2 ? std::vector<QRgb>{qRgb(255, 255, 255), qRgb(0, 0, 0)} : scrambledTable(entries);
        if (grey) {
            table.clear();
            for (int i = 0; i < entries; ++i)
                table.push_back(qRgb(i * 255 / (entries - 1), i * 255 / (entries - 1), i * 255 / (entries - 1)));
        }
        const Bitmap saved = sample(bits, 37, 23, table);
        ImagingControl c;
        c.SetImageHandle(saved);
        Bytes block;
        QCOMPARE(c.SaveToBlock(block, format, 0, 0), result::Ok);
        ImagingControl back;
        QCOMPARE(back.LoadFromBlock(block, 0, 0), result::Ok);
        // PNG, Targa and EPS keep a table of any length; GIF, TIFF and PCX
        // tables always have 2^bits entries, so ours comes back padded with black.
        expectRoundTrip(FileFormat(format), back.ImageHandle(), saved, tablePaddedBy(FileFormat(format)));
    }

    void independentDecoderReadsOurFiles()
    {
        const QString python = pythonWithPillow();
        if (python.isEmpty())
            QSKIP("python3 with Pillow not available");
        struct Written {
            FileFormat format;
            int bits;
            QString path;
            Bitmap saved;
            QString mode;
        };
        QTemporaryDir dir;
        std::vector<Written> files;
        const auto pillowMode = [](FileFormat f, int bits) -> QString {
            if (f == FileFormat::Jpeg)
                return bits <= 8 ? QStringLiteral("L") : QStringLiteral("RGB"); // smoothSample: grey below 16 bits
            if (f == FileFormat::Pcx && bits == 1)
                return QStringLiteral("1");
            if (bits <= 8)
                return QStringLiteral("P");
            return bits == 32 ? QStringLiteral("RGBA") : QStringLiteral("RGB");
        };
        for (FileFormat f : kOurFormats) {
            if (f == FileFormat::Eps)
                continue; // Pillow only rasterises EPS through Ghostscript itself
            for (int bits : {1, 4, 8, 16, 24, 32}) {
                if (!canWriteDepth(*formatInfo(f), bits))
                    continue;
                Written w{f, bits, dir.filePath(QStringLiteral("%1_%2").arg(nameOf(f)).arg(bits)),
                          f == FileFormat::Jpeg ? smoothSample(bits) : sample(bits), pillowMode(f, bits)};
                ImagingControl c;
                c.SetImageHandle(w.saved);
                QCOMPARE(c.SaveFile(w.path, int(f), bits, 95, false), result::Ok);
                files.push_back(w);
            }
        }
        const char* script = R"(
import sys
from PIL import Image
for p in sys.argv[1:]:
    try:
        im = Image.open(p)
        im.load()
        open(p + '.rgba', 'wb').write(im.convert('RGBA').tobytes())
        print(p, im.format, im.mode, im.size[0], im.size[1], sep='\t')
    except Exception as e:
        print(p, 'ERROR', repr(e).replace('\t', ' '), 0, 0, sep='\t')
)";
        QStringList args{QStringLiteral("-c"), QString::fromLatin1(script)};
        for (const Written& w : files)
            args << w.path;
        QProcess p;
        p.start(python, args);
        QVERIFY(p.waitForFinished(120000));
        const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), qsizetype(files.size()));
        for (std::size_t i = 0; i < files.size(); ++i) {
            const Written& w = files[i];
            const QStringList fields = lines[qsizetype(i)].split(QLatin1Char('\t'));
            QCOMPARE(fields.size(), 5);
            QVERIFY2(fields[1] != QLatin1String("ERROR"), qPrintable(lines[qsizetype(i)]));
            QCOMPARE(fields[2], w.mode);
            QCOMPARE(fields[3].toInt(), w.saved.width());
            QCOMPARE(fields[4].toInt(), w.saved.height());
            const QByteArray rgba = readBytes(w.path + QStringLiteral(".rgba"));
            QCOMPARE(rgba.size(), qsizetype(w.saved.width()) * w.saved.height() * 4);
            const int tolerance = w.format == FileFormat::Jpeg ? 8 : 0;
            int worst = 0;
            for (int y = 0; y < w.saved.height(); ++y)
                for (int x = 0; x < w.saved.width(); ++x) {
                    const auto* px = reinterpret_cast<const uchar*>(rgba.constData()) + (qsizetype(y) * w.saved.width() + x) * 4;
                    QRgb want = w.saved.pixelRgb(x, y);
                    if (w.format == FileFormat::Jpeg && w.bits <= 8)
                        QCOMPARE(qRed(want), qBlue(want)); // a grey picture
                    if (w.mode == QLatin1String("1")) {
                        // Pillow reads 1-bit PCX as black and white whatever the table.
                        QCOMPARE(px[0] != 0, w.saved.image().constScanLine(y)[x] == 1);
                        continue;
                    }
                    int d = std::max({std::abs(px[0] - qRed(want)), std::abs(px[1] - qGreen(want)), std::abs(px[2] - qBlue(want)),
                                      std::abs(px[3] - qAlpha(want))});
                    if (w.bits == 16) // 5-bit channels widened differently: compare the 5 bits
                        d = std::max({std::abs((px[0] >> 3) - (qRed(want) >> 3)), std::abs((px[1] >> 3) - (qGreen(want) >> 3)),
                                      std::abs((px[2] >> 3) - (qBlue(want) >> 3))});
                    worst = std::max(worst, d);
                }
            QVERIFY2(worst <= tolerance, qPrintable(QStringLiteral("%1: Pillow's pixels differ by %2").arg(w.path).arg(worst)));
        }
    }

    // Above a megapixel the pixels move in bands on several threads.
    void largePicturesRoundTrip_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("bits");
        for (auto [f, bits] : {std::pair{FileFormat::Tiff, 24}, {FileFormat::Gif, 8}, {FileFormat::Png, 32}, {FileFormat::Tga, 16}, {FileFormat::Tiff, 4}})
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(nameOf(f)).arg(bits))) << int(f) << bits;
    }
    void largePicturesRoundTrip()
    {
        QFETCH(int, format);
        QFETCH(int, bits);
        const Bitmap saved = sample(bits, 1201, 901);
        ImagingControl c;
        c.SetImageHandle(saved);
        Bytes block;
        QCOMPARE(c.SaveToBlock(block, format, 0, 0), result::Ok);
        ImagingControl back;
        QCOMPARE(back.LoadFromBlock(block, 0, 0), result::Ok);
        expectRoundTrip(FileFormat(format), back.ImageHandle(), saved);
    }

    // An indexed picture saved as JPEG keeps its colours: a colour file of
    // its table colours, unless every entry its pixels use is a grey, which
    // gives a grey file. Blocks of 16 x 16 pixels of one index, so that JPEG
    // keeps each block's colour closely.
    void indexedPicturesKeepTheirColoursInJpeg_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<QList<QRgb>>("table");
        QTest::addColumn<QList<int>>("used"); // indices of the blocks, left to right
        QTest::addColumn<bool>("grey");
        const QRgb red = qRgb(220, 30, 40), green = qRgb(20, 200, 60), blue = qRgb(30, 40, 210);
        QTest::newRow("8 bits colour") << 8 << QList<QRgb>{qRgb(0, 0, 0), red, green, blue, qRgb(128, 128, 128)} << QList<int>{1, 2, 3, 4} << false;
        QTest::newRow("8 bits, only its greys used") << 8 << QList<QRgb>{red, qRgb(40, 40, 40), green, qRgb(200, 200, 200)} << QList<int>{1, 3, 1, 3} << true;
        QTest::newRow("8 bits, one colour among greys") << 8 << QList<QRgb>{qRgb(40, 40, 40), qRgb(200, 200, 200), blue} << QList<int>{0, 1, 0, 2} << false;
        QTest::newRow("4 bits colour") << 4 << QList<QRgb>{qRgb(255, 255, 255), red, green, blue} << QList<int>{0, 1, 2, 3} << false;
        QTest::newRow("4 bits grey") << 4 << QList<QRgb>{qRgb(0, 0, 0), qRgb(85, 85, 85), qRgb(170, 170, 170), qRgb(255, 255, 255)} << QList<int>{3, 2, 1, 0} << true;
        QTest::newRow("1 bit colour") << 1 << QList<QRgb>{qRgb(0, 0, 0), red} << QList<int>{0, 1, 1, 0} << false;
        QTest::newRow("1 bit black and white") << 1 << QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)} << QList<int>{0, 1, 0, 1} << true;
    }
    void indexedPicturesKeepTheirColoursInJpeg()
    {
        QFETCH(int, bits);
        QFETCH(QList<QRgb>, table);
        QFETCH(QList<int>, used);
        QFETCH(bool, grey);
        constexpr int kBlock = 16;
        const int w = kBlock * int(used.size()), h = 2 * kBlock;
        Bitmap picture = Bitmap::create(w, h, bits, std::vector<QRgb>(table.begin(), table.end()));
        QVERIFY(!picture.isNull());
        for (int y = 0; y < h; ++y) {
            uchar* row = picture.image().scanLine(y);
            for (int x = 0; x < w; ++x)
                row[x] = uchar(used[x / kBlock]);
        }
        ImagingControl c;
        c.SetImageHandle(picture);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("indexed.jpg"));
        // As the program saves: at the image's own depth.
        QCOMPARE(c.SaveFile(path, int(FileFormat::Jpeg), bits, 95, false), result::Ok);
        const Bytes data = toBytes(readBytes(path));
        std::size_t sof = 2;
        while (sof + 1 < data.size() && !(data[sof] == 0xFF && (data[sof + 1] == 0xC0 || data[sof + 1] == 0xC2)))
            ++sof;
        QVERIFY(sof + 9 < data.size());
        QCOMPARE(int(data[sof + 9]), grey ? 1 : 3); // components in the frame
        Bytes block;
        QCOMPARE(c.SaveToBlock(block, int(FileFormat::Jpeg), 0, 95), result::Ok);
        QCOMPARE(block, data);

        ImagingControl back;
        QCOMPARE(back.LoadFile(path, 0, 0), result::Ok);
        QCOMPARE(back.BitsPerPixel(), std::int16_t(grey ? 8 : 24));
        // The middle of every block has its table colour.
        for (int i = 0; i < int(used.size()); ++i) {
            const QRgb want = table[used[i]];
            const QRgb got = back.ImageHandle().pixelRgb(i * kBlock + kBlock / 2, kBlock);
            const int d = std::max({std::abs(qRed(got) - qRed(want)), std::abs(qGreen(got) - qGreen(want)), std::abs(qBlue(got) - qBlue(want))});
            QVERIFY2(d <= 6, qPrintable(QStringLiteral("block %1: got %2 want %3").arg(i).arg(got, 8, 16).arg(want, 8, 16)));
            if (grey)
                QCOMPARE(qRed(got), luma(got)); // a grey file gives greys
        }
    }

    void jpegQualityIsHonoured()
    {
        const Bitmap noisy = sample(24, 96, 64);
        ImagingControl c;
        c.SetImageHandle(noisy);
        Bytes low, high;
        QCOMPARE(c.SaveToBlock(low, int(FileFormat::Jpeg), 24, 10), result::Ok);
        QCOMPARE(c.SaveToBlock(high, int(FileFormat::Jpeg), 24, 100), result::Ok);
        QVERIFY2(low.size() * 3 < high.size(), qPrintable(QStringLiteral("%1 vs %2").arg(low.size()).arg(high.size())));
        ImagingControl a, b;
        QCOMPARE(a.LoadFromBlock(low, 0, 0), result::Ok);
        QCOMPARE(b.LoadFromBlock(high, 0, 0), result::Ok);
        QString ignored;
        const int lowError = compareRgba(a.ImageHandle(), noisy, 255, ignored);
        const int highError = compareRgba(b.ImageHandle(), noisy, 255, ignored);
        QVERIFY2(highError < lowError, qPrintable(QStringLiteral("%1 vs %2").arg(highError).arg(lowError)));
    }

    // Pages appended one by one to TIFF and GIF files, then read back by page.
    void multiPageFiles_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("TIFF") << int(FileFormat::Tiff);
        QTest::newRow("GIF") << int(FileFormat::Gif);
    }
    void multiPageFiles()
    {
        QFETCH(int, format);
        const bool tiff = format == int(FileFormat::Tiff);
        // (A GIF page whose table is the start of the first page's table would be
        // stored against that table, at its depth: these tables are not.)
        const std::vector<Bitmap> pages = {sample(8), sample(1, 20, 11, {qRgb(1, 2, 3), qRgb(250, 251, 252)}),
                                           tiff ? sample(24, 15, 9) : sample(4, 15, 9, {qRgb(9, 9, 9), qRgb(1, 1, 1), qRgb(7, 7, 7)}),
                                           tiff ? sample(32, 8, 8) : sample(8, 8, 8, scrambledTable(256))};
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("pages"));
        for (const Bitmap& page : pages) {
            ImagingControl c;
            c.SetImageHandle(page);
            QCOMPARE(c.SaveFile(path, format, 0, 0, true), result::Ok);
        }
        ImagingControl c;
        for (int i = 0; i < int(pages.size()); ++i) {
            const Bitmap& want = pages[std::size_t(i)];
            QCOMPARE(c.ProbeFile(path, i), result::Ok);
            QCOMPARE(c.ProbedBitsPerPixel(), std::int16_t(want.bitsPerPixel()));
            QCOMPARE(c.ProbedWidth(), want.width());
            QCOMPARE(c.LoadFile(path, 0, i), result::Ok);
            expectRoundTrip(FileFormat(format), c.ImageHandle(), want, tablePaddedBy(FileFormat(format)));
        }
        const Bitmap last = c.ImageHandle();
        codecs::ProbeInfo info;
        const Bytes file = toBytes(readBytes(path));
        QCOMPARE(codecs::codecFor(FileFormat(format))->probe(file, 2, info), result::Ok);
        QCOMPARE(info.pages, int(pages.size()));
        QCOMPARE(info.width, pages[2].width());
        QCOMPARE(c.ProbeFile(path, int(pages.size())), result::InvalidFormat);
        QCOMPARE(c.LoadFile(path, 0, int(pages.size())), result::InvalidFormat);
        QCOMPARE(c.LoadFile(path, 0, -1), result::InvalidFormat);
        QVERIFY(c.ImageHandle() == last);

        // Appending to a file of another format is refused and leaves it alone.
        const QByteArray before = readBytes(path);
        ImagingControl other;
        other.SetImageHandle(sample(8));
        const int otherFormat = tiff ? int(FileFormat::Gif) : int(FileFormat::Tiff);
        QCOMPARE(other.SaveFile(path, otherFormat, 0, 0, true), result::InvalidFormat);
        QCOMPARE(readBytes(path), before);
    }

    // Damaged copies of good files: each must fail with an error code, and the
    // control must keep the picture it had.
    void damagedFilesFailCleanly_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("bits");
        for (auto [f, bits] : {std::pair{FileFormat::Png, 24}, {FileFormat::Png, 8}, {FileFormat::Gif, 8}, {FileFormat::Tiff, 24},
                               {FileFormat::Tiff, 4}, {FileFormat::Jpeg, 24}, {FileFormat::Pcx, 8}, {FileFormat::Pcx, 24},
                               {FileFormat::Tga, 24}, {FileFormat::Tga, 8}, {FileFormat::Tga, 16}, {FileFormat::Eps, 8}})
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(nameOf(f)).arg(bits))) << int(f) << bits;
    }
    void damagedFilesFailCleanly()
    {
        QFETCH(int, format);
        QFETCH(int, bits);
        ImagingControl writer;
        writer.SetImageHandle(sample(bits, 64, 40));
        Bytes good;
        QCOMPARE(writer.SaveToBlock(good, format, 0, 90), result::Ok);
        const codecs::Codec* codec = codecs::codecFor(FileFormat(format));
        QVERIFY(codec);

        ImagingControl c;
        c.SetImageHandle(sample(24, 5, 4));
        const Bitmap before = c.ImageHandle();
        const auto expectFailure = [&](const Bytes& bad, const char* what, bool mustBeReadError) {
            const Result load = c.LoadFromBlock(bad, 0, 0);
            Bitmap out;
            const Result direct = codec->read(bad, 0, out);
            codecs::ProbeInfo info;
            const Result probe = codec->probe(bad, 0, info);
            const QString msg = QStringLiteral("%1: load %2, codec %3, probe %4").arg(QLatin1String(what)).arg(load).arg(direct).arg(probe);
            QVERIFY2(load != result::Ok && direct != result::Ok, qPrintable(msg));
            if (mustBeReadError)
                QVERIFY2(load == result::ReadError && direct == result::ReadError, qPrintable(msg));
            else
                QVERIFY2(load == result::ReadError || load == result::InvalidFormat, qPrintable(msg));
            QVERIFY2(out.isNull(), what);
            QVERIFY2(c.ImageHandle() == before, what);
        };

        expectFailure({}, "empty", false);
        Bitmap untouched;
        QCOMPARE(codec->read({}, 0, untouched), result::InvalidFormat);
        for (std::size_t keep : {std::size_t(4), std::size_t(20), std::size_t(100)})
            expectFailure(Bytes(good.begin(), good.begin() + std::min(keep, good.size() - 1)), "cut in the header", false);
        for (double part : {0.5, 0.8, 0.95})
            expectFailure(Bytes(good.begin(), good.begin() + std::ptrdiff_t(double(good.size()) * part)), "cut in the pixels", true);
    }

    // Headers with absurd or empty sizes, and compressions nobody decodes:
    // refused before any pixel memory is taken.
    void hostileHeaders()
    {
        const auto patched = [](FileFormat f, int bits, auto&& patch) {
            ImagingControl w;
            w.SetImageHandle(sample(bits, 16, 16));
            Bytes b;
            if (w.SaveToBlock(b, int(f), 0, 90) != result::Ok)
                return Bytes();
            patch(b);
            return b;
        };
        const auto be32 = [](Bytes& b, std::size_t at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i)
                b[at + std::size_t(i)] = std::uint8_t(v >> (24 - 8 * i));
        };
        const auto le16 = [](Bytes& b, std::size_t at, unsigned v) {
            b[at] = std::uint8_t(v);
            b[at + 1] = std::uint8_t(v >> 8);
        };
        struct Case {
            const char* name;
            Bytes data;
            Result expected;
        };
        std::vector<Case> cases;
        cases.push_back({"PNG 200000 wide", patched(FileFormat::Png, 24, [&](Bytes& b) { be32(b, 16, 200000); }), result::OutOfMemory});
        cases.push_back({"PNG 60000 x 60000", patched(FileFormat::Png, 8, [&](Bytes& b) { be32(b, 16, 60000); be32(b, 20, 60000); }), result::OutOfMemory});
        cases.push_back({"PNG zero high", patched(FileFormat::Png, 8, [&](Bytes& b) { be32(b, 20, 0); }), result::ReadError});
        cases.push_back({"PNG colour type 7", patched(FileFormat::Png, 24, [&](Bytes& b) { b[25] = 7; }), result::ReadError});
        cases.push_back({"GIF 65535 x 65535", patched(FileFormat::Gif, 8, [&](Bytes& b) {
                             le16(b, 6, 65535);
                             le16(b, 8, 65535);
                             std::size_t frame = 13 + 256 * 3;
                             while (b[frame] == 0x21) { // extensions before the frame
                                 frame += 2;
                                 while (b[frame])
                                     frame += b[frame] + 1u;
                                 ++frame;
                             }
                             QCOMPARE(int(b[frame]), 0x2C);
                             le16(b, frame + 5, 65535);
                             le16(b, frame + 7, 65535);
                         }),
                         result::OutOfMemory});
        cases.push_back({"TGA 65535 x 65535", patched(FileFormat::Tga, 24, [&](Bytes& b) { le16(b, 12, 65535); le16(b, 14, 65535); }), result::OutOfMemory});
        cases.push_back({"PCX 65535 x 65535", patched(FileFormat::Pcx, 8, [&](Bytes& b) { le16(b, 8, 65534); le16(b, 10, 65534); }), result::OutOfMemory});
        cases.push_back({"JPEG 65000 x 65000", patched(FileFormat::Jpeg, 24, [&](Bytes& b) {
                             for (std::size_t i = 2; i + 9 < b.size(); ++i)
                                 if (b[i] == 0xFF && b[i + 1] == 0xC0) {
                                     b[i + 5] = 0xFD; b[i + 6] = 0xE8; // height 65000
                                     b[i + 7] = 0xFD; b[i + 8] = 0xE8; // width 65000
                                     return;
                                 }
                             QFAIL("no SOF0 marker");
                         }),
                         result::OutOfMemory});
        cases.push_back({"TIFF 4e9 wide", tinyTiff(4000000000u, 2, 1), result::OutOfMemory});
        cases.push_back({"TIFF compression 12345", tinyTiff(4, 4, 12345), result::UnknownCompression});
        cases.push_back({"EPS without bounding box", toBytes("%!PS-Adobe-3.0 EPSF-3.0\n%%EndComments\nshowpage\n"), result::ReadError});
        cases.push_back({"EPS 70000 points wide", toBytes("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 70000 10\n%%EndComments\nshowpage\n"), result::OutOfMemory});

        // The uncompressed 4x4 TIFF itself is fine: only the compression is wrong.
        {
            ImagingControl ok;
            QCOMPARE(ok.LoadFromBlock(tinyTiff(4, 4, 1), 0, 0), result::Ok);
            QCOMPARE(ok.BitsPerPixel(), std::int16_t(8));
            QCOMPARE(qGray(ok.ImageHandle().pixelRgb(1, 2)), 9 * 16);
        }
        for (const Case& k : cases) {
            QVERIFY2(!k.data.empty(), k.name);
            ImagingControl c;
            c.SetImageHandle(sample(8, 3, 3));
            const Bitmap before = c.ImageHandle();
            QElapsedTimer timer;
            timer.start();
            const Result load = c.LoadFromBlock(k.data, 0, 0);
            QVERIFY2(load == k.expected, qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(k.name)).arg(load)));
            QVERIFY2(timer.elapsed() < 5000, k.name);
            QVERIFY(c.ImageHandle() == before);
            const codecs::Codec* codec = codecs::codecFor(codecs::detectFormat(k.data));
            QVERIFY2(codec, k.name);
            codecs::ProbeInfo info;
            const Result probe = codec->probe(k.data, 0, info);
            if (k.expected != result::UnknownCompression) // probing reads no pixels, so it may not notice
                QVERIFY2(probe == k.expected, qPrintable(QStringLiteral("%1: probe %2").arg(QLatin1String(k.name)).arg(probe)));
        }
    }

    // Files from other programs: the depth follows what the file stores, and
    // probe and load agree on it.
    void foreignFilesLoadAtTheirStoredDepth()
    {
        const QString python = pythonWithPillow();
        if (python.isEmpty())
            QSKIP("python3 with Pillow not available");
        QTemporaryDir dir;
        const char* script = R"(
import sys, os
from PIL import Image
d = sys.argv[1]
rgb = Image.new('RGB', (9, 5))
rgb.putdata([((x * 29) % 256, (y * 50) % 256, (x * y * 7) % 256) for y in range(5) for x in range(9)])
L = rgb.convert('L')
rgb.save(os.path.join(d, 'rgb.png'), dpi=(300, 300))
rgb.convert('RGBA').save(os.path.join(d, 'rgba.tif'))
L.save(os.path.join(d, 'grey.png'))
L.save(os.path.join(d, 'grey.tif'))
L.convert('1').save(os.path.join(d, 'bilevel.tif'))
L.convert('1').save(os.path.join(d, 'bilevel.png'))
L.save(os.path.join(d, 'grey.jpg'))
rgb.convert('CMYK').save(os.path.join(d, 'cmyk.jpg'))
rgb.quantize(16).save(os.path.join(d, 'p16.png'), bits=4)
rgb.quantize(16).save(os.path.join(d, 'p16t.png'), transparency=2)
rgb.quantize(16).save(os.path.join(d, 'p16t.gif'), transparency=2)
rgb.quantize(200).save(os.path.join(d, 'p200.tga'))
rgb.save(os.path.join(d, 'rgb_rle.tga'), rle=True)
rgb.save(os.path.join(d, 'rgb.pcx'))
Image.frombytes('I;16', (9, 5), bytes(range(90))).save(os.path.join(d, 'grey16.png'))
)";
        QProcess p;
        p.start(python, {QStringLiteral("-c"), QString::fromLatin1(script), dir.path()});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        const std::pair<const char*, int> expected[] = {
            {"rgb.png", 24}, {"rgba.tif", 32}, {"grey.png", 8}, {"grey.tif", 8}, {"bilevel.tif", 1}, {"grey.jpg", 8},
            {"cmyk.jpg", 24}, {"p16.png", 4}, {"p16t.png", 32}, {"p16t.gif", 32}, {"p200.tga", 8}, {"rgb_rle.tga", 24},
            {"rgb.pcx", 24}, {"grey16.png", 8}, {"bilevel.png", 1},
        };
        ImagingControl reference;
        QCOMPARE(reference.LoadFile(dir.filePath(QStringLiteral("rgb.png")), 0, 0), result::Ok);
        QCOMPARE(reference.XResolution(), std::int16_t(300));
        for (const auto& [name, bits] : expected) {
            const QString path = dir.filePath(QString::fromLatin1(name));
            ImagingControl c;
            QVERIFY2(c.ProbeFile(path, 0) == result::Ok, name);
            QVERIFY2(c.ProbedBitsPerPixel() == bits, qPrintable(QStringLiteral("%1 probed %2").arg(QLatin1String(name)).arg(c.ProbedBitsPerPixel())));
            QVERIFY2(c.LoadFile(path, 0, 0) == result::Ok, name);
            QVERIFY2(c.BitsPerPixel() == bits, qPrintable(QStringLiteral("%1 loaded %2").arg(QLatin1String(name)).arg(c.BitsPerPixel())));
            QCOMPARE(c.ImageWidth(), 9.0f);
            // Grey samples without a table (TIFF) land on the same greys as a
            // grey PNG's table.
            if (std::strcmp(name, "grey.tif") == 0 || std::strcmp(name, "bilevel.tif") == 0) {
                ImagingControl png;
                QCOMPARE(png.LoadFile(dir.filePath(bits == 1 ? QStringLiteral("bilevel.png") : QStringLiteral("grey.png")), 0, 0), result::Ok);
                QString bad;
                QVERIFY2(compareRgba(c.ImageHandle(), png.ImageHandle(), 0, bad) == 0, qPrintable(QLatin1String(name) + bad));
            }
            // Lossless true-colour files show the same colours as the PNG.
            if (std::strcmp(name, "rgba.tif") == 0 || std::strcmp(name, "rgb_rle.tga") == 0 || std::strcmp(name, "rgb.pcx") == 0) {
                QString bad;
                QVERIFY2(compareRgba(c.ImageHandle(), reference.ImageHandle(), 0, bad) == 0, qPrintable(QLatin1String(name) + bad));
            }
        }
    }

    // JPEG pixels go through libjpeg directly: they must match what
    // GraphicsMagick decodes from the same file, and what we write carries
    // the resolution and the sampling its quality calls for.
    void jpegThroughLibjpeg()
    {
        const QString gm = QStandardPaths::findExecutable(QStringLiteral("gm"));
        if (gm.isEmpty())
            QSKIP("the gm command is not available to decode for comparison");
        QTemporaryDir dir;
        // True colour, a colour table, a grey ramp.
        for (const int kind : {0, 1, 2}) {
            const int bits = kind == 0 ? 24 : 8;
            const bool grey = kind == 2;
            Bitmap picture = kind == 0 ? smoothSample(24, 131, 77) : grey ? smoothSample(8, 131, 77) : sample(8, 131, 77);
            picture.setResolution(300, 150);
            for (const int quality : {75, 95}) {
                ImagingControl c;
                c.SetImageHandle(picture);
                const QString jpg = dir.filePath(QStringLiteral("q%1_%2.jpg").arg(quality).arg(kind));
                QCOMPARE(c.SaveFile(jpg, int(FileFormat::Jpeg), bits, quality, false), result::Ok);

                // The frame header: one component for grey, three for colour,
                // luma subsampled 2x2 below quality 90 and not from 90 up.
                QFile file(jpg);
                QVERIFY(file.open(QIODevice::ReadOnly));
                const Bytes data = toBytes(file.readAll());
                std::size_t sof = 2;
                while (sof + 1 < data.size() && !(data[sof] == 0xFF && (data[sof + 1] == 0xC0 || data[sof + 1] == 0xC2)))
                    ++sof;
                QVERIFY(sof + 11 < data.size());
                QCOMPARE(int(data[sof + 9]), grey ? 1 : 3);
                QCOMPARE(int(data[sof + 11]), !grey && quality < 90 ? 0x22 : 0x11);

                ImagingControl back;
                QCOMPARE(back.LoadFile(jpg, 0, 0), result::Ok);
                QCOMPARE(back.BitsPerPixel(), std::int16_t(grey ? 8 : 24));
                QCOMPARE(back.XResolution(), std::int16_t(300));
                QCOMPARE(back.YResolution(), std::int16_t(150));

                // GraphicsMagick's decoding of the same file, kept losslessly.
                const QString png = dir.filePath(QStringLiteral("gm_q%1_%2.png").arg(quality).arg(kind));
                QCOMPARE(QProcess::execute(gm, {QStringLiteral("convert"), jpg, png}), 0);
                ImagingControl reference;
                QCOMPARE(reference.LoadFile(png, 0, 0), result::Ok);
                QString bad;
                QVERIFY2(compareRgba(back.ImageHandle(), reference.ImageHandle(), 0, bad) == 0, qPrintable(bad));
            }
        }

        // Density in dots per centimetre (unit 2): 118 per cm is 300 dpi.
        ImagingControl c;
        c.SetImageHandle(smoothSample(24, 16, 16));
        Bytes block;
        QCOMPARE(c.SaveToBlock(block, int(FileFormat::Jpeg), 24, 80), result::Ok);
        QVERIFY(block.size() > 20 && block[6] == 'J' && block[7] == 'F' && block[8] == 'I' && block[9] == 'F');
        block[13] = 2;
        block[14] = 0; block[15] = 118;
        block[16] = 0; block[17] = 118;
        ImagingControl cm;
        QCOMPARE(cm.LoadFromBlock(block, 0, 0), result::Ok);
        QCOMPARE(cm.XResolution(), std::int16_t(300));
        QCOMPARE(cm.YResolution(), std::int16_t(300));
    }

    // 8-bit RGB and grey TIFF pages go through libtiff directly: what we
    // decode must match GraphicsMagick's decoding of the same file, whether
    // rows are packed like the file's (width 132) or padded (width 131), and
    // what we write is LZW with the predictor and carries the resolution.
    void tiffThroughLibtiff()
    {
        const QString gm = QStandardPaths::findExecutable(QStringLiteral("gm"));
        if (gm.isEmpty())
            QSKIP("the gm command is not available to decode for comparison");
        QTemporaryDir dir;
        for (const int width : {131, 132}) {
            Bitmap picture = smoothSample(24, width, 77);
            picture.setResolution(300, 150);
            ImagingControl c;
            c.SetImageHandle(picture);
            const QString tif = dir.filePath(QStringLiteral("rgb%1.tif").arg(width));
            QCOMPARE(c.SaveFile(tif, int(FileFormat::Tiff), 24, 0, false), result::Ok);
            QFile file(tif);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const Bytes data = toBytes(file.readAll());
            // Little-endian, first directory: compression 5 (LZW) and predictor 2.
            QVERIFY(data.size() > 8 && data[0] == 'I' && data[1] == 'I');
            const std::size_t ifd = data[4] | data[5] << 8 | data[6] << 16 | std::size_t(data[7]) << 24;
            QVERIFY(ifd + 2 < data.size());
            std::map<int, int> tags;
            const int count = data[ifd] | data[ifd + 1] << 8;
            for (int i = 0; i < count && ifd + 2 + 12 * (i + 1) <= data.size(); ++i) {
                const std::size_t e = ifd + 2 + 12 * std::size_t(i);
                tags[data[e] | data[e + 1] << 8] = data[e + 8] | data[e + 9] << 8;
            }
            QCOMPARE(tags[259], 5);
            QCOMPARE(tags[317], 2);
            QCOMPARE(tags[277], 3);

            ImagingControl back;
            QCOMPARE(back.LoadFile(tif, 0, 0), result::Ok);
            QCOMPARE(back.BitsPerPixel(), std::int16_t(24));
            QCOMPARE(back.XResolution(), std::int16_t(300));
            QCOMPARE(back.YResolution(), std::int16_t(150));
            QString bad;
            QVERIFY2(compareRgba(back.ImageHandle(), picture, 0, bad) == 0, qPrintable(bad));

            const QString png = dir.filePath(QStringLiteral("gm%1.png").arg(width));
            QCOMPARE(QProcess::execute(gm, {QStringLiteral("convert"), tif, png}), 0);
            ImagingControl reference;
            QCOMPARE(reference.LoadFile(png, 0, 0), result::Ok);
            QVERIFY2(compareRgba(back.ImageHandle(), reference.ImageHandle(), 0, bad) == 0, qPrintable(bad));

            // A grey file from another writer, resolution in dots per centimetre.
            const QString grey = dir.filePath(QStringLiteral("grey%1.tif").arg(width));
            QCOMPARE(QProcess::execute(gm, {QStringLiteral("convert"), png, QStringLiteral("-colorspace"), QStringLiteral("gray"),
                                            QStringLiteral("-units"), QStringLiteral("PixelsPerCentimeter"), QStringLiteral("-density"),
                                            QStringLiteral("118x59"), QStringLiteral("-compress"), QStringLiteral("Zip"), grey}), 0);
            const QString greyPng = dir.filePath(QStringLiteral("grey%1.png").arg(width));
            QCOMPARE(QProcess::execute(gm, {QStringLiteral("convert"), grey, greyPng}), 0);
            ImagingControl g, gRef;
            QCOMPARE(g.LoadFile(grey, 0, 0), result::Ok);
            QCOMPARE(gRef.LoadFile(greyPng, 0, 0), result::Ok);
            QCOMPARE(g.BitsPerPixel(), std::int16_t(8));
            QCOMPARE(g.XResolution(), std::int16_t(300));
            QCOMPARE(g.YResolution(), std::int16_t(150));
            QVERIFY2(compareRgba(g.ImageHandle(), gRef.ImageHandle(), 0, bad) == 0, qPrintable(bad));
        }
    }

    // PostScript from other programs whose page is larger than its bounding
    // box opens as the box, one pixel per point, showing the picture the
    // writer was given; cut short, it fails.
    void foreignPostScriptOpensAtItsBoundingBox()
    {
        QTemporaryDir dir;
        Bitmap picture = sample(24, 40, 30);
        picture.setResolution(72, 72);
        ImagingControl c;
        c.SetImageHandle(picture);
        const QString png = dir.filePath(QStringLiteral("in.png"));
        QCOMPARE(c.SaveFile(png, int(FileFormat::Png), 24, 0, false), result::Ok);
        const QString ppm = dir.filePath(QStringLiteral("in.ppm"));
        QCOMPARE(QProcess::execute(QStandardPaths::findExecutable(QStringLiteral("gm")), {QStringLiteral("convert"), png, ppm}), 0);
        const std::vector<ForeignPostScript> files = writeForeignPostScript(dir, png, ppm);
        QVERIFY2(files.size() == 4, "gm, ImageMagick's convert, pnmtops (netpbm) and python3 with Pillow must all write PostScript");
        for (const ForeignPostScript& f : files) {
            const QByteArray text = readBytes(f.path);
            if (f.name == QLatin1String("gm.ps"))
                QVERIFY2(!text.left(text.indexOf('\n')).contains("EPSF"), "GraphicsMagick's PS is not marked encapsulated");
            if (f.name == QLatin1String("pnmtops.ps"))
                QVERIFY2(!text.contains("%%BoundingBox: 0 0 "), "pnmtops puts the picture in the middle of the page");
            ImagingControl e;
            QVERIFY2(e.ProbeFile(f.path, 0) == result::Ok, qPrintable(f.name));
            QCOMPARE(e.ProbedFormat(), std::int16_t(FileFormat::Eps));
            QVERIFY2(e.ProbedWidth() == 40 && e.ProbedHeight() == 30,
                     qPrintable(QStringLiteral("%1: probed %2x%3").arg(f.name).arg(e.ProbedWidth()).arg(e.ProbedHeight())));
            QVERIFY2(e.LoadFile(f.path, 0, 0) == result::Ok, qPrintable(f.name));
            QVERIFY2(e.ImageWidth() == 40.0f && e.ImageHeight() == 30.0f,
                     qPrintable(QStringLiteral("%1: loaded %2x%3").arg(f.name).arg(e.ImageWidth()).arg(e.ImageHeight())));
            QString bad;
            const int worst = compareRgba(e.ImageHandle(), picture, 255, bad);
            QVERIFY2(worst <= 2, qPrintable(QStringLiteral("%1 differs by %2 %3").arg(f.name).arg(worst).arg(bad)));

            // Cut short before the end of its image data (in the prolog, just
            // before the data ends), the file fails with a read error, as
            // cut-off BMP, PNG and JPEG files do, and changes nothing. The
            // data has ended by the first trailer comment.
            qsizetype dataEnd = -1;
            for (const char* marker : {"%%PageTrailer", "%%Trailer", "%%%%EndBinary", "%%EndBinary"}) {
                const qsizetype at = text.indexOf(marker);
                if (at > 0 && (dataEnd < 0 || at < dataEnd))
                    dataEnd = at;
            }
            QVERIFY2(dataEnd > 0, qPrintable(f.name));
            for (const double part : {0.3, 0.97}) {
                const Bytes cut = toBytes(text.left(qsizetype(double(dataEnd) * part)));
                const Bitmap before = e.ImageHandle();
                const Result r = e.LoadFromBlock(cut, 0, 0);
                QVERIFY2(r == result::ReadError, qPrintable(QStringLiteral("%1 cut at %2 of its data: %3").arg(f.name).arg(part).arg(r)));
                QVERIFY(e.ImageHandle() == before);
            }
        }
    }

    void epsFromAnotherWriterAndPhotoCd()
    {
        const QString gm = QStandardPaths::findExecutable(QStringLiteral("gm"));
        if (gm.isEmpty())
            QSKIP("the gm command is not available to make the foreign files");
        QTemporaryDir dir;
        Bitmap picture = sample(24, 40, 30);
        picture.setResolution(72, 72);
        ImagingControl c;
        c.SetImageHandle(picture);
        const QString png = dir.filePath(QStringLiteral("in.png"));
        QCOMPARE(c.SaveFile(png, int(FileFormat::Png), 24, 0, false), result::Ok);
        const QString eps = dir.filePath(QStringLiteral("other.eps"));
        QCOMPARE(QProcess::execute(gm, {QStringLiteral("convert"), png, QStringLiteral("EPS:") + eps}), 0);
        // Photo CD's base image is 768x512; a picture of that size fills it.
        const Bitmap photoSource = smoothSample(24, 768, 512);
        c.SetImageHandle(photoSource);
        const QString photoPng = dir.filePath(QStringLiteral("photo.png"));
        QCOMPARE(c.SaveFile(photoPng, int(FileFormat::Png), 24, 0, false), result::Ok);
        const QString pcd = dir.filePath(QStringLiteral("photo.pcd"));
        QCOMPARE(QProcess::execute(gm, {QStringLiteral("convert"), photoPng, QStringLiteral("PCD:") + pcd}), 0);

        // An EPS without our bitmap comment loads as true colour at its box size.
        ImagingControl e;
        expectProbeAndLoad(e, eps, FileFormat::Eps, 24, 40, 30);
        QString bad;
        const int worst = compareRgba(e.ImageHandle(), picture, 255, bad);
        QVERIFY2(worst <= 2, qPrintable(QStringLiteral("EPS differs by %1 %2").arg(worst).arg(bad)));

        // Photo CD: always the 768x512 base image, true colour, read only.
        ImagingControl d;
        expectProbeAndLoad(d, pcd, FileFormat::PhotoCd, 24, 768, 512);
        // YCC with subsampled colour keeps smooth gradients close (GraphicsMagick's
        // own converter gives the same pixels; the difference is the format's).
        const int photoError = compareRgba(d.ImageHandle(), photoSource, 255, bad);
        QVERIFY2(photoError <= 32, qPrintable(QStringLiteral("Photo CD differs by %1 %2").arg(photoError).arg(bad)));
        QCOMPARE(d.LoadFile(pcd, 0, 1), result::InvalidFormat);
        QCOMPARE(d.SaveFile(dir.filePath(QStringLiteral("x.pcd")), int(FileFormat::PhotoCd), 24, 0, false), result::NotAvailable);
    }

    // The codecs are used from worker threads; initialisation and coding must
    // hold up when several start at once.
    void concurrentUse()
    {
        std::atomic<int> failures{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([t, &failures] {
                for (int i = 0; i < 5; ++i) {
                    const FileFormat f = std::array{FileFormat::Png, FileFormat::Tiff, FileFormat::Gif, FileFormat::Jpeg}[std::size_t(t)];
                    const Bitmap b = f == FileFormat::Gif ? sample(8, 30 + i, 20) : sample(24, 30 + i, 20);
                    ImagingControl c;
                    c.SetImageHandle(b);
                    Bytes block;
                    ImagingControl back;
                    if (c.SaveToBlock(block, int(f), 0, 95) != result::Ok || back.LoadFromBlock(block, 0, 0) != result::Ok
                        || back.ImageWidth() != float(b.width()) || back.BitsPerPixel() != b.bitsPerPixel())
                        ++failures;
                }
            });
        for (auto& t : threads)
            t.join();
        QCOMPARE(failures.load(), 0);
    }
};

QTEST_GUILESS_MAIN(TestMagickCodecs)
#include "test_magick_codecs.moc"
