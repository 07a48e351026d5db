// ardane-batch as a script sees it: exit statuses, the lines of `info`,
// error texts on stderr, and the files `convert` writes.

#include "imaging/ImagingControl.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace ardane::imaging;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run batch(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(ARDANE_BATCH), args);
    Run r;
    if (!p.waitForFinished(120000))
        return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
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

        const QString tif = dir.filePath(QStringLiteral("coded"));
        QCOMPARE(batch({QStringLiteral("convert"), sample, tif, QStringLiteral("--format"), QStringLiteral("17"),
                        QStringLiteral("--bits"), QStringLiteral("1"), QStringLiteral("--dither"), QStringLiteral("floyd")})
                     .status,
                 0);
        QCOMPARE(c.ProbeFile(tif, 0), result::Ok);
        QCOMPARE(c.ProbedFormat(), std::int16_t(FileFormat::Tiff));
        QCOMPARE(c.ProbedBitsPerPixel(), std::int16_t(1));
    }

    void convertRefusesWithTheErrorText()
    {
        QTemporaryDir dir;
        const QString sample = makeSample(dir);
        Run r = batch({QStringLiteral("convert"), sample, dir.filePath(QStringLiteral("x.cmp"))});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QLatin1String("Not available for file format requested")));

        r = batch({QStringLiteral("convert"), sample, dir.filePath(QStringLiteral("x.gif"))});
        QCOMPARE(r.status, 1); // a 24-bit image needs --bits for GIF
        QVERIFY(r.err.contains(QLatin1String("Current file format doesn't support specified number of colors - Bit Per Pixel")));

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
