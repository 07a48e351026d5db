// ardane-batch split and merge: the grey PNG files split writes and their
// samples, exact recombination, errors and their texts, files of another
// program in both directions.

#include "BatchRun.h"
#include "ForeignFiles.h"
#include "imaging/ImagingControl.h"
#include "imaging/ops/ColorPlanes.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace ardane::imaging;

namespace {

using Run = ardane::test::BatchRun;

Run batch(const QStringList& args)
{
    return ardane::test::runBatch(args);
}

// 37 x 23 with every channel changing and pure red at the top-left.
Bitmap colourful()
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
    uchar* first = b.image().scanLine(0);
    first[0] = 255;
    first[1] = 0;
    first[2] = 0;
    return b;
}

QString save(const Bitmap& b, const QString& path)
{
    ImagingControl c;
    c.SetImageHandle(b);
    return c.SaveFile(path, int(FileFormat::Png), 24, -1, false) == result::Ok ? path : QString();
}

Bitmap load(const QString& path)
{
    ImagingControl c;
    return c.LoadFile(path, 0, 0) == result::Ok ? c.ImageHandle() : Bitmap{};
}

// Bit depth and colour type from a PNG's header; -1 when it is not one.
std::pair<int, int> pngDepthAndType(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {-1, -1};
    const QByteArray head = f.read(26);
    if (head.size() < 26 || !head.startsWith("\x89PNG"))
        return {-1, -1};
    return {int(uchar(head[24])), int(uchar(head[25]))};
}

int grey(const Bitmap& b, int x, int y) { return qRed(b.pixelRgb(x, y)); }

} // namespace

class TestBatchPlanes : public QObject {
    Q_OBJECT
private slots:
    void helpDescribesBothCommands()
    {
        const Run r = batch({QStringLiteral("--help")});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains(QLatin1String("ardane-batch split IN MODEL PREFIX")));
        QVERIFY(r.out.contains(QLatin1String("ardane-batch merge MODEL OUT PLANE0 PLANE1 PLANE2 [PLANE3]")));
        for (const char* word : {"rgb", "cmyk", "cmy", "hsv", "hls"})
            QVERIFY2(r.out.contains(QLatin1String(word)), word);
    }

    void splitWritesGreyPlanesInOrder()
    {
        QTemporaryDir dir;
        const Bitmap source = colourful();
        const QString in = save(source, dir.filePath(QStringLiteral("in.png")));
        QVERIFY(!in.isEmpty());
        for (const char* name : {"rgb", "CMYK", "Hsv"}) {
            const QString prefix = dir.filePath(QStringLiteral("%1-").arg(QLatin1String(name)));
            const Run r = batch({QStringLiteral("split"), in, QLatin1String(name), prefix});
            QCOMPARE(r.status, 0);
            QCOMPARE(r.err, QString());
            const int count = QLatin1String(name).compare(QLatin1String("cmyk"), Qt::CaseInsensitive) == 0 ? 4 : 3;
            QCOMPARE(QFile::exists(prefix + QString::number(count) + QStringLiteral(".png")), false);
            std::vector<Bitmap> planes;
            for (int i = 0; i < count; ++i) {
                const QString path = prefix + QString::number(i) + QStringLiteral(".png");
                QCOMPARE(pngDepthAndType(path), std::make_pair(8, 0)); // 8-bit grey samples
                planes.push_back(load(path));
                QCOMPARE(planes.back().width(), 37);
                QCOMPARE(planes.back().height(), 23);
            }
            for (int y = 0; y < 23; ++y)
                for (int x = 0; x < 37; ++x) {
                    const QRgb c = source.pixelRgb(x, y);
                    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
                    if (count == 4) {
                        const int k = 255 - std::max({r, g, b});
                        QCOMPARE(grey(planes[0], x, y), 255 - r - k);
                        QCOMPARE(grey(planes[1], x, y), 255 - g - k);
                        QCOMPARE(grey(planes[2], x, y), 255 - b - k);
                        QCOMPARE(grey(planes[3], x, y), k);
                    } else if (name[0] == 'r') {
                        QCOMPARE(grey(planes[0], x, y), b);
                        QCOMPARE(grey(planes[1], x, y), g);
                        QCOMPARE(grey(planes[2], x, y), r);
                    } else {
                        QCOMPARE(grey(planes[2], x, y), std::max({r, g, b})); // value
                    }
                }
            if (name[0] == 'H') { // pure red: hue 0, full saturation and value
                QCOMPARE(grey(planes[0], 0, 0), 0);
                QCOMPARE(grey(planes[1], 0, 0), 255);
                QCOMPARE(grey(planes[2], 0, 0), 255);
            }
        }
    }

    void mergeRecombinesExactly()
    {
        QTemporaryDir dir;
        const Bitmap source = colourful();
        const QString in = save(source, dir.filePath(QStringLiteral("in.png")));
        QVERIFY(!in.isEmpty());
        for (const char* name : {"rgb", "cmyk", "cmy"}) {
            const QString prefix = dir.filePath(QLatin1String(name));
            QCOMPARE(batch({QStringLiteral("split"), in, QLatin1String(name), prefix}).status, 0);
            QStringList args{QStringLiteral("merge"), QLatin1String(name), dir.filePath(QStringLiteral("out.png"))};
            for (int i = 0; i < (name[3] == 'k' ? 4 : 3); ++i)
                args << prefix + QString::number(i) + QStringLiteral(".png");
            const Run r = batch(args);
            QCOMPARE(r.status, 0);
            QCOMPARE(r.err, QString());
            const Bitmap merged = load(dir.filePath(QStringLiteral("out.png")));
            QCOMPARE(merged.bitsPerPixel(), 24);
            QCOMPARE(ardane::test::rgbBytes(merged), ardane::test::rgbBytes(source));
        }
        // The output options of convert: a BMP named by --format, at 8 bits.
        const QString bmp = dir.filePath(QStringLiteral("out.data"));
        const Run r = batch({QStringLiteral("merge"), QStringLiteral("rgb"), bmp, dir.filePath(QStringLiteral("rgb0.png")),
                             dir.filePath(QStringLiteral("rgb1.png")), dir.filePath(QStringLiteral("rgb2.png")),
                             QStringLiteral("--format"), QStringLiteral("bmp"), QStringLiteral("--bits"), QStringLiteral("8")});
        QCOMPARE(r.status, 0);
        QFile f(bmp);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.read(2), QByteArray("BM"));
        QCOMPARE(load(bmp).bitsPerPixel(), 8);
    }

    void errorsNameTheCommandAndWriteNothing()
    {
        QTemporaryDir dir;
        const QString in = save(colourful(), dir.filePath(QStringLiteral("in.png")));
        QVERIFY(!in.isEmpty());
        const QString p = dir.filePath(QStringLiteral("p"));
        QCOMPARE(batch({QStringLiteral("split"), in, QStringLiteral("rgb"), p}).status, 0);
        const QString p0 = p + QStringLiteral("0.png"), p1 = p + QStringLiteral("1.png"), p2 = p + QStringLiteral("2.png");
        const QString out = dir.filePath(QStringLiteral("out.png"));
        const QString missing = dir.filePath(QStringLiteral("missing.png"));

        struct Case {
            QStringList args;
            int status;
            QString err;
        };
        const QList<Case> cases{
            {{QStringLiteral("split"), in, QStringLiteral("lab"), p},
             2, QStringLiteral("split: unknown colour model 'lab' (rgb, cmyk, cmy, hsv or hls)")},
            {{QStringLiteral("split"), missing, QStringLiteral("rgb"), dir.filePath(QStringLiteral("q"))},
             1, missing + QStringLiteral(": Not able to open file")},
            {{QStringLiteral("split"), in, QStringLiteral("rgb"), dir.filePath(QStringLiteral("no/such/folder/q"))},
             1, dir.filePath(QStringLiteral("no/such/folder/q0.png")) + QStringLiteral(": Error Writing file")},
            {{QStringLiteral("split"), in, QStringLiteral("rgb"), p, QStringLiteral("--bits"), QStringLiteral("8")},
             2, QStringLiteral("split: unknown option --bits")},
            {{QStringLiteral("merge"), QStringLiteral("xyz"), out, p0, p1, p2},
             2, QStringLiteral("merge: unknown colour model 'xyz' (rgb, cmyk, cmy, hsv or hls)")},
            {{QStringLiteral("merge"), QStringLiteral("CMYK"), out, p0, p1, p2},
             2, QStringLiteral("merge: cmyk needs 4 planes, 3 given")},
            {{QStringLiteral("merge"), QStringLiteral("hls"), out, p0, p1},
             2, QStringLiteral("merge: hls needs 3 planes, 2 given")},
            {{QStringLiteral("merge"), QStringLiteral("rgb"), out, p0, missing, p2},
             1, missing + QStringLiteral(": Not able to open file")},
            {{QStringLiteral("merge"), QStringLiteral("rgb"), dir.filePath(QStringLiteral("out.xyz")), p0, p1, p2},
             2, QStringLiteral("merge: cannot tell the output format from '%1'").arg(dir.filePath(QStringLiteral("out.xyz")))},
            {{QStringLiteral("merge"), QStringLiteral("rgb"), out, p0, p1, p2, QStringLiteral("--quality"), QStringLiteral("0")},
             2, QStringLiteral("merge: --quality must be 1 to 100")},
        };
        for (const Case& c : cases) {
            const Run r = batch(c.args);
            QVERIFY2(r.status == c.status, qPrintable(c.args.join(QLatin1Char(' ')) + QStringLiteral(": ") + r.err));
            QCOMPARE(r.err.trimmed(), c.err);
        }
        QVERIFY(!QFile::exists(out));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("q0.png"))));
        const Run few = batch({QStringLiteral("split"), in, QStringLiteral("rgb")});
        QCOMPARE(few.status, 2);
        QVERIFY(few.err.startsWith(QLatin1String("split: needs IN, MODEL and PREFIX\nUsage:")));
        const Run none = batch({QStringLiteral("merge"), QStringLiteral("rgb")});
        QCOMPARE(none.status, 2);
        QVERIFY(none.err.startsWith(QLatin1String("merge: needs MODEL, OUT and the planes\nUsage:")));
    }

    // ImageMagick makes the picture split reads and the planes merge reads,
    // and reads the planes split writes.
    void filesOfAnotherProgram()
    {
        const QString magick = ardane::test::imageMagick();
        if (magick.isEmpty())
            QSKIP("ImageMagick's convert is not installed");
        QTemporaryDir dir;
        const auto run = [&magick](const QStringList& args, QByteArray& output) {
            QProcess p;
            p.start(magick, args);
            const bool ok = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
            output = p.readAllStandardOutput();
            return ok;
        };
        QByteArray ignored;
        const QString in = dir.filePath(QStringLiteral("magick.png"));
        QVERIFY(run({QStringLiteral("-size"), QStringLiteral("8x4"), QStringLiteral("xc:rgb(200,100,50)"), in}, ignored));
        const QString prefix = dir.filePath(QStringLiteral("m"));
        QCOMPARE(batch({QStringLiteral("split"), in, QStringLiteral("cmyk"), prefix}).status, 0);
        const int expected[] = {0, 100, 150, 55};
        for (int i = 0; i < 4; ++i) {
            QByteArray samples;
            QVERIFY(run({prefix + QString::number(i) + QStringLiteral(".png"), QStringLiteral("-depth"),
                         QStringLiteral("8"), QStringLiteral("gray:-")},
                        samples));
            QCOMPARE(samples, QByteArray(32, char(expected[i])));
        }

        // Three grey planes of different sizes from ImageMagick.
        QStringList planes;
        const char* specs[][2] = {{"6x4", "xc:rgb(30,30,30)"}, {"8x3", "xc:rgb(100,100,100)"}, {"4x4", "xc:rgb(200,200,200)"}};
        for (int i = 0; i < 3; ++i) {
            planes << dir.filePath(QStringLiteral("g%1.png").arg(i));
            QVERIFY(run({QStringLiteral("-size"), QLatin1String(specs[i][0]), QLatin1String(specs[i][1]),
                         QStringLiteral("-colorspace"), QStringLiteral("Gray"), planes.back()},
                        ignored));
        }
        const QString out = dir.filePath(QStringLiteral("merged.png"));
        const Run r = batch(QStringList{QStringLiteral("merge"), QStringLiteral("rgb"), out} + planes);
        QCOMPARE(r.status, 0);
        const Bitmap merged = load(out);
        QCOMPARE(merged.width(), 8);
        QCOMPARE(merged.height(), 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x)
                QCOMPARE(merged.pixelRgb(x, y), qRgb(x < 4 ? 200 : 0, y < 3 ? 100 : 0, x < 6 ? 30 : 0));
    }
};

QTEST_GUILESS_MAIN(TestBatchPlanes)
#include "test_batch_planes.moc"
