// ardane-batch as a script sees it: exit statuses, the lines of `info`,
// error texts on stderr, and the files `convert` writes.

#include "BatchRun.h"
#include "ForeignFiles.h"
#include "imaging/ImagingControl.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace ardane::imaging;

using ardane::test::imageMagick;
using ardane::test::maxDifference;
using ardane::test::pythonWithPillow;
using ardane::test::rgbBytes;

namespace {

using Run = ardane::test::BatchRun;

Run batch(const QStringList& args)
{
    return ardane::test::runBatch(args);
}

// A 40x30 picture with a red left half, a blue right half and a white corner.
QString makeSample(const QTemporaryDir& dir)
{
    ImagingControl c;
    Bitmap b = Bitmap::create(40, 30, 24);
    for (int y = 0; y < 30; ++y) {
        uchar* row = b.image().scanLine(y);
        for (int x = 0; x < 40; ++x) {
            const bool corner = x < 4 && y < 4;
            row[3 * x] = corner ? 255 : (x < 20 ? 255 : 0);
            row[3 * x + 1] = corner ? 255 : 0;
            row[3 * x + 2] = corner ? 255 : (x < 20 ? 0 : 255);
        }
    }
    c.SetImageHandle(b);
    const QString path = dir.filePath(QStringLiteral("sample.png"));
    return c.SaveFile(path, int(FileFormat::Png), 24, -1, false) == result::Ok ? path : QString();
}

// A program's standard output; `ok` says whether it ran and exited with 0.
QByteArray runTool(const QString& program, const QStringList& args, bool& ok, QByteArray& err)
{
    QProcess p;
    p.start(program, args);
    ok = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    err = p.readAllStandardError();
    return p.readAllStandardOutput();
}

// A 37x23 picture with every channel changing, saved as PNG.
QString makeColourful(const QTemporaryDir& dir)
{
    Bitmap b = Bitmap::create(37, 23, 24);
    for (int y = 0; y < 23; ++y) {
        uchar* row = b.image().scanLine(y);
        for (int x = 0; x < 37; ++x) {
            row[3 * x] = uchar(x * 7);
            row[3 * x + 1] = uchar(y * 11);
            row[3 * x + 2] = uchar((x * y * 5) & 255);
        }
    }
    ImagingControl c;
    c.SetImageHandle(b);
    const QString path = dir.filePath(QStringLiteral("colourful.png"));
    return c.SaveFile(path, int(FileFormat::Png), 24, -1, false) == result::Ok ? path : QString();
}

} // namespace

class TestBatch : public QObject {
    Q_OBJECT
private slots:
    void helpDocumentsBothCommands()
    {
        const Run r = batch({QStringLiteral("--help")});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains(QLatin1String("ardane-batch info FILE...")));
        QVERIFY(r.out.contains(QLatin1String("ardane-batch convert IN OUT")));
        for (const char* word : {"--format", "--bits", "--palette", "--dither", "--quality", "optimized", "stevenson", "ordered"})
            QVERIFY2(r.out.contains(QLatin1String(word)), word);
        QCOMPARE(batch({}).status, 2);
        QCOMPARE(batch({QStringLiteral("frobnicate")}).status, 2);
    }

    void infoDescribesFilesAndReportsFailures()
    {
        QTemporaryDir dir;
        const QString sample = makeSample(dir);
        QVERIFY(!sample.isEmpty());
        const Run ok = batch({QStringLiteral("info"), sample});
        QCOMPARE(ok.status, 0);
        QCOMPARE(ok.out.trimmed(),
                 sample + QStringLiteral(": PNG (75), 40x30, 24 bits/pixel, compression Deflate, 3600 bytes"));

        const QString missing = dir.filePath(QStringLiteral("missing.bmp"));
        const Run bad = batch({QStringLiteral("info"), sample, missing});
        QCOMPARE(bad.status, 1);
        QVERIFY(bad.out.startsWith(sample));
        QCOMPARE(bad.err.trimmed(), missing + QStringLiteral(": Not able to open file"));
    }

    void convertWritesTheRequestedFormatAndDepth()
    {
        QTemporaryDir dir;
        const QString sample = makeSample(dir);
        const QString bmp = dir.filePath(QStringLiteral("out.bmp"));
        QCOMPARE(batch({QStringLiteral("convert"), sample, bmp}).status, 0);
        ImagingControl c;
        QCOMPARE(c.ProbeFile(bmp, 0), result::Ok);
        QCOMPARE(c.ProbedFormat(), std::int16_t(FileFormat::Bmp));
        QCOMPARE(c.ProbedBitsPerPixel(), std::int16_t(24));
        QCOMPARE(c.LoadFile(bmp, 0, 0), result::Ok);
        QCOMPARE(c.ImageHandle().pixelRgb(10, 10), qRgb(255, 0, 0));
        QCOMPARE(c.ImageHandle().pixelRgb(30, 10), qRgb(0, 0, 255));

        // Explicit format by name and by code, with a depth change.
        const QString gif = dir.filePath(QStringLiteral("odd.name"));
        QCOMPARE(batch({QStringLiteral("convert"), sample, gif, QStringLiteral("--format"), QStringLiteral("gif"),
                        QStringLiteral("--bits"), QStringLiteral("8"), QStringLiteral("--palette"), QStringLiteral("optimized")})
                     .status,
                 0);
        QCOMPARE(c.ProbeFile(gif, 0), result::Ok);
        QCOMPARE(c.ProbedFormat(), std::int16_t(FileFormat::Gif));
        QCOMPARE(c.LoadFile(gif, 0, 0), result::Ok);
        // Three colours survive an optimised palette exactly.
        QCOMPARE(c.ImageHandle().pixelRgb(1, 1), qRgb(255, 255, 255));
        QCOMPARE(c.ImageHandle().pixelRgb(10, 10), qRgb(255, 0, 0));
        QCOMPARE(c.ImageHandle().pixelRgb(30, 10), qRgb(0, 0, 255));

        // Without --bits a GIF gets 8 bits and a palette made for the picture.
        const QString autoGif = dir.filePath(QStringLiteral("auto.gif"));
        QCOMPARE(batch({QStringLiteral("convert"), sample, autoGif}).status, 0);
        QCOMPARE(c.ProbeFile(autoGif, 0), result::Ok);
        QCOMPARE(c.ProbedBitsPerPixel(), std::int16_t(8));
        QCOMPARE(c.LoadFile(autoGif, 0, 0), result::Ok);
        QCOMPARE(c.ImageHandle().pixelRgb(1, 1), qRgb(255, 255, 255));
        QCOMPARE(c.ImageHandle().pixelRgb(10, 10), qRgb(255, 0, 0));
        QCOMPARE(c.ImageHandle().pixelRgb(30, 10), qRgb(0, 0, 255));

        const QString tif = dir.filePath(QStringLiteral("coded"));
        QCOMPARE(batch({QStringLiteral("convert"), sample, tif, QStringLiteral("--format"), QStringLiteral("17"),
                        QStringLiteral("--bits"), QStringLiteral("1"), QStringLiteral("--dither"), QStringLiteral("floyd")})
                     .status,
                 0);
        QCOMPARE(c.ProbeFile(tif, 0), result::Ok);
        QCOMPARE(c.ProbedFormat(), std::int16_t(FileFormat::Tiff));
        QCOMPARE(c.ProbedBitsPerPixel(), std::int16_t(1));
    }

    // Saving without a depth (as `convert` does without --bits): a depth the
    // format cannot hold becomes the nearest one it can, the next higher one,
    // else the next lower one.
    void convertPicksTheNearestDepth_data()
    {
        QTest::addColumn<int>("sourceBits");
        QTest::addColumn<bool>("greySource");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("expectedBits");
        QTest::newRow("16 to PNG") << 16 << false << QStringLiteral("png") << 24;
        QTest::newRow("16 to TIFF") << 16 << false << QStringLiteral("tif") << 24;
        QTest::newRow("16 to OS/2") << 16 << false << QStringLiteral("os2") << 24;
        QTest::newRow("16 to PCX") << 16 << false << QStringLiteral("pcx") << 24;
        QTest::newRow("16 to EPS") << 16 << false << QStringLiteral("eps") << 24;
        QTest::newRow("16 to BMP keeps 16") << 16 << false << QStringLiteral("bmp") << 16;
        QTest::newRow("32 to JPEG") << 32 << false << QStringLiteral("jpg") << 24;
        QTest::newRow("32 to PCX") << 32 << false << QStringLiteral("pcx") << 24;
        QTest::newRow("24 to GIF") << 24 << false << QStringLiteral("gif") << 8;
        QTest::newRow("4 colours to JPEG") << 4 << false << QStringLiteral("jpg") << 24;
        QTest::newRow("4 greys to JPEG") << 4 << true << QStringLiteral("jpg") << 8;
        QTest::newRow("4 to EPS") << 4 << false << QStringLiteral("eps") << 8;
    }
    void convertPicksTheNearestDepth()
    {
        QFETCH(int, sourceBits);
        QFETCH(bool, greySource);
        QFETCH(QString, target);
        QFETCH(int, expectedBits);
        // Few colours, so that every conversion here keeps them exactly
        // (JPEG aside): red, blue, white and grey in blocks.
        const QRgb colours[4] = {greySource ? qRgb(68, 68, 68) : qRgb(255, 0, 0), greySource ? qRgb(0, 0, 0) : qRgb(0, 0, 255),
                                 qRgb(255, 255, 255), qRgb(136, 136, 136)};
        Bitmap b = Bitmap::create(24, 16, sourceBits, sourceBits <= 8 ? std::vector<QRgb>(colours, colours + 4) : std::vector<QRgb>{});
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 24; ++x) {
                const int k = (x / 12) + 2 * (y / 8);
                uchar* row = b.image().scanLine(y);
                const QRgb c = colours[k];
                switch (sourceBits) {
                case 16:
                    reinterpret_cast<quint16*>(row)[x] = quint16((qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | (qBlue(c) >> 3));
                    break;
                case 24:
                    row[3 * x] = uchar(qRed(c));
                    row[3 * x + 1] = uchar(qGreen(c));
                    row[3 * x + 2] = uchar(qBlue(c));
                    break;
                case 32: reinterpret_cast<QRgb*>(row)[x] = c; break;
                default: row[x] = uchar(k); break;
                }
            }
        // The imaging control's own choice (depth 0), which `convert` uses.
        QTemporaryDir dir;
        ImagingControl c;
        c.SetImageHandle(b);
        const QString out = dir.filePath(QStringLiteral("out.") + target);
        const QByteArray suffix = target.toLatin1();
        const FormatInfo* format = formatByName(std::string_view(suffix.constData(), std::size_t(suffix.size())));
        QVERIFY(format);
        QCOMPARE(c.SaveFile(out, int(format->format), 0, -1, false), result::Ok);
        QVERIFY(c.ImageHandle() == b); // the control keeps its own picture
        QCOMPARE(c.ProbeFile(out, 0), result::Ok);
        QCOMPARE(int(c.ProbedBitsPerPixel()), expectedBits);
        QCOMPARE(c.LoadFile(out, 0, 0), result::Ok);
        QCOMPARE(int(c.BitsPerPixel()), expectedBits);
        const int tolerance = target == QLatin1String("jpg") ? 24 : (sourceBits == 16 ? 7 : 0); // 5-bit channels widen to 8
        for (const QPoint p : {QPoint(3, 3), QPoint(20, 3), QPoint(3, 12), QPoint(20, 12)}) {
            const QRgb want = b.pixelRgb(p.x(), p.y());
            const QRgb got = c.ImageHandle().pixelRgb(p.x(), p.y());
            const int d = std::max({std::abs(qRed(want) - qRed(got)), std::abs(qGreen(want) - qGreen(got)), std::abs(qBlue(want) - qBlue(got))});
            QVERIFY2(d <= tolerance, qPrintable(QStringLiteral("(%1,%2) got %3 want %4").arg(p.x()).arg(p.y()).arg(got, 8, 16).arg(want, 8, 16)));
        }
    }

    // 16-bit bitmaps (5-5-5 and 5-6-5 bit fields) and 16-bit Targa files
    // (plain and run-length, bottom-up and top-down, with the 1-bit alpha)
    // written by ImageMagick convert to PNG, and the PNG shows the pixels
    // Pillow decodes from the same file.
    void convertsSixteenBitFilesFromOtherPrograms()
    {
        const QString magick = imageMagick();
        QVERIFY2(!magick.isEmpty(), "ImageMagick's convert (imagemagick) is needed");
        const QString python = pythonWithPillow();
        QVERIFY2(!python.isEmpty(), "python3 with Pillow (python3-pil) is needed");
        QTemporaryDir dir;
        const QString source = makeColourful(dir);
        QVERIFY(!source.isEmpty());
        struct Case {
            const char* name;
            QStringList options;
            const char* extension;
            int storedBits;   // the depth it loads at
            int precision;    // bits a channel keeps, for the comparison
            int descriptor;   // Targa image descriptor (alpha bits, top-down bit); -1 for BMP
        };
        const QString d5 = QStringLiteral("-depth"), five = QStringLiteral("5"), rle = QStringLiteral("RLE");
        const std::vector<Case> cases = {
            {"bmp565", {QStringLiteral("-define"), QStringLiteral("bmp:subtype=RGB565")}, "bmp", 24, 5, -1},
            {"bmp555", {QStringLiteral("-define"), QStringLiteral("bmp:subtype=RGB555")}, "bmp", 16, 5, -1},
            {"tga", {d5, five}, "tga", 16, 5, 0x00},
            {"tga_rle", {d5, five, QStringLiteral("-compress"), rle}, "tga", 16, 5, 0x00},
            {"tga_topdown", {d5, five, QStringLiteral("-orient"), QStringLiteral("TopLeft")}, "tga", 16, 5, 0x20},
            {"tga_alpha", {QStringLiteral("-alpha"), QStringLiteral("on"), d5, five}, "tga", 16, 5, 0x01},
            {"tga_alpha_rle_topdown", {QStringLiteral("-alpha"), QStringLiteral("on"), d5, five, QStringLiteral("-compress"), rle,
                                       QStringLiteral("-orient"), QStringLiteral("TopLeft")}, "tga", 16, 5, 0x21},
        };
        QStringList files;
        bool ok = false;
        QByteArray err;
        for (const Case& k : cases) {
            const QString path = dir.filePath(QLatin1String(k.name) + QLatin1Char('.') + QLatin1String(k.extension));
            runTool(magick, QStringList{source} + k.options + QStringList{path}, ok, err);
            QVERIFY2(ok, err.constData());
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray head = f.read(32);
            if (k.descriptor >= 0) {
                QCOMPARE(int(uchar(head[16])), 16);
                QCOMPARE(int(uchar(head[17])), k.descriptor);
            } else {
                QCOMPARE(int(uchar(head[28])), 16);
            }
            files << path;
        }
        const QByteArray hex = runTool(python, QStringList{QStringLiteral("-c"), QStringLiteral(
            "import sys\nfrom PIL import Image\nfor p in sys.argv[1:]:\n    print(Image.open(p).convert('RGB').tobytes().hex())")} + files, ok, err);
        QVERIFY2(ok, err.constData());
        const QList<QByteArray> pillow = hex.split('\n');
        QVERIFY(pillow.size() >= files.size());

        for (std::size_t i = 0; i < cases.size(); ++i) {
            const Case& k = cases[i];
            const QString& in = files[qsizetype(i)];
            ImagingControl probe;
            QCOMPARE(probe.ProbeFile(in, 0), result::Ok);
            QCOMPARE(int(probe.ProbedBitsPerPixel()), k.storedBits);
            QCOMPARE(probe.ProbedWidth(), 37);
            const QString out = dir.filePath(QLatin1String(k.name) + QStringLiteral(".png"));
            const Run r = batch({QStringLiteral("convert"), in, out});
            QVERIFY2(r.status == 0, qPrintable(QLatin1String(k.name) + QStringLiteral(": ") + r.err));
            ImagingControl png;
            QCOMPARE(png.ProbeFile(out, 0), result::Ok);
            QCOMPARE(png.ProbedFormat(), std::int16_t(FileFormat::Png));
            QCOMPARE(int(png.ProbedBitsPerPixel()), 24);
            QCOMPARE(png.LoadFile(out, 0, 0), result::Ok);
            const QByteArray ours = rgbBytes(png.ImageHandle());
            const QByteArray theirs = QByteArray::fromHex(pillow[qsizetype(i)]);
            QCOMPARE(theirs.size(), ours.size());
            // 5-bit channels keep their five bits whichever way a reader widens
            // them; 6-bit green may round into a neighbouring 5-bit step.
            const int worst = maxDifference(ours, theirs, k.precision);
            QVERIFY2(worst <= (k.storedBits == 24 ? 1 : 0), qPrintable(QStringLiteral("%1 differs from Pillow by %2").arg(QLatin1String(k.name)).arg(worst)));
        }
    }

    void convertRefusesWithTheErrorText()
    {
        QTemporaryDir dir;
        const QString sample = makeSample(dir);
        Run r = batch({QStringLiteral("convert"), sample, dir.filePath(QStringLiteral("x.cmp"))});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QLatin1String("Not available for file format requested")));

        // A depth asked for must be one the format holds.
        r = batch({QStringLiteral("convert"), sample, dir.filePath(QStringLiteral("x.gif")), QStringLiteral("--bits"), QStringLiteral("24")});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QLatin1String("Current file format doesn't support specified number of colors - Bit Per Pixel")));
        r = batch({QStringLiteral("convert"), sample, dir.filePath(QStringLiteral("x16.png")), QStringLiteral("--bits"), QStringLiteral("16")});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QLatin1String("Current file format doesn't support specified number of colors - Bit Per Pixel")));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("x.gif"))));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("x16.png"))));

        r = batch({QStringLiteral("convert"), dir.filePath(QStringLiteral("none.png")), dir.filePath(QStringLiteral("x.png"))});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QLatin1String("Not able to open file")));

        r = batch({QStringLiteral("convert"), sample, dir.filePath(QStringLiteral("x.unknownext"))});
        QCOMPARE(r.status, 2);
        r = batch({QStringLiteral("convert"), sample, dir.filePath(QStringLiteral("x.png")), QStringLiteral("--bits"), QStringLiteral("12")});
        QCOMPARE(r.status, 2);
        r = batch({QStringLiteral("convert"), sample, dir.filePath(QStringLiteral("x.png")), QStringLiteral("--dither"), QStringLiteral("wobbly")});
        QCOMPARE(r.status, 2);
        r = batch({QStringLiteral("convert"), sample});
        QCOMPARE(r.status, 2);
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("x.png"))));
    }
};

QTEST_GUILESS_MAIN(TestBatch)
#include "test_batch.moc"
