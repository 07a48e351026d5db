// `ardane-batch apply` as a script sees it: the pixels each operation leaves
// in OUT, the order of a chain, the corners --fill paints, and the message,
// exit status and missing OUT of every value it refuses.

#include "BatchRun.h"
#include "imaging/ImagingControl.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace ardane::imaging;

namespace {

using Run = ardane::test::BatchRun;

Run batch(const QStringList& args)
{
    return ardane::test::runBatch(args);
}

Bitmap makeImage(int w, int h, const std::function<QRgb(int, int)>& colour)
{
    Bitmap b = Bitmap::create(w, h, 24);
    for (int y = 0; y < h; ++y) {
        uchar* row = b.image().scanLine(y);
        for (int x = 0; x < w; ++x) {
            const QRgb c = colour(x, y);
            row[3 * x] = uchar(qRed(c));
            row[3 * x + 1] = uchar(qGreen(c));
            row[3 * x + 2] = uchar(qBlue(c));
        }
    }
    return b;
}

// Every channel different in every pixel of an 8x6 picture.
QRgb sampleColour(int x, int y) { return qRgb(x * 30 + 10, y * 40 + 5, 255 - x * 20 - y * 10); }
Bitmap sample() { return makeImage(8, 6, sampleColour); }

// A black 5x5 picture with one white pixel in the middle.
Bitmap speck()
{
    return makeImage(5, 5, [](int x, int y) { return x == 2 && y == 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0); });
}

class Session {
public:
    // `in` written as a BMP, apply run on it with `args` after IN and OUT.
    Run apply(const Bitmap& in, const QStringList& args, const QString& outName = QStringLiteral("out.bmp"))
    {
        ImagingControl c;
        c.SetImageHandle(in);
        m_in = m_dir.filePath(QStringLiteral("in.bmp"));
        m_out = m_dir.filePath(outName);
        QFile::remove(m_out);
        if (c.SaveFile(m_in, int(FileFormat::Bmp), 24, -1, false) != result::Ok)
            return {};
        return batch(QStringList{QStringLiteral("apply"), m_in, m_out} + args);
    }
    // OUT as read back; a null bitmap when it is missing.
    [[nodiscard]] Bitmap result() const
    {
        ImagingControl c;
        if (c.LoadFile(m_out, 0, 0) != result::Ok)
            return {};
        return c.ImageHandle();
    }
    [[nodiscard]] bool outExists() const { return QFile::exists(m_out); }

private:
    QTemporaryDir m_dir;
    QString m_in;
    QString m_out;
};

// `out` holds expected(x, y, pixel of `in` there) everywhere, same size.
bool samePixels(const Bitmap& in, const Bitmap& out, const std::function<QRgb(QRgb)>& expected)
{
    if (out.isNull() || out.width() != in.width() || out.height() != in.height())
        return false;
    for (int y = 0; y < in.height(); ++y)
        for (int x = 0; x < in.width(); ++x)
            if (out.pixelRgb(x, y) != expected(in.pixelRgb(x, y))) {
                qWarning("pixel %d,%d is %08x, expected %08x", x, y, out.pixelRgb(x, y), expected(in.pixelRgb(x, y)));
                return false;
            }
    return true;
}

QRgb perChannel(QRgb c, const std::function<int(int)>& f) { return qRgb(f(qRed(c)), f(qGreen(c)), f(qBlue(c))); }

} // namespace

class TestBatchApply : public QObject {
    Q_OBJECT
private slots:
    void helpListsEveryOperation()
    {
        const Run r = batch({QStringLiteral("--help")});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains(QLatin1String("ardane-batch apply IN OUT OPERATION...")));
        for (const char* syntax :
             {"add-noise=AMOUNT[,CHANNEL]", "average=SIZE", "contrast=V", "emboss=DIRECTION,DEPTH", "gamma=V", "grayscale",
              "histogram-contrast=V", "hue=V", "intensity=V", "invert", "median=SIZE", "mosaic=SIZE", "posterize=LEVELS",
              "saturation=V", "sharpen=V", "shear=ANGLE[,DIRECTION]", "rotate=DEGREES", "flip", "mirror",
              "resize=WIDTHxHEIGHT[,MODE]", "fill=#RRGGBB", "map=CHANNEL:SRC-DST[:SRC-DST...]", "--fill #RRGGBB"})
            QVERIFY2(r.out.contains(QLatin1String(syntax)), syntax);
        QVERIFY(r.out.contains(QLatin1String("V 220 to 250")));
        QVERIFY(r.out.contains(QLatin1String("SIZE 1 to 100")));
    }

    void pointOperationsChangeEachPixelByItself()
    {
        const Bitmap in = sample();
        Session s;
        const auto check = [&](const QStringList& ops, const std::function<QRgb(QRgb)>& expected) {
            const Run r = s.apply(in, ops);
            if (r.status != 0) {
                qWarning("%s: %s", qPrintable(ops.join(' ')), qPrintable(r.err));
                return false;
            }
            return samePixels(in, s.result(), expected);
        };
        QVERIFY(check({QStringLiteral("invert")}, [](QRgb c) { return perChannel(c, [](int v) { return 255 - v; }); }));
        QVERIFY(check({QStringLiteral("map=master:0-255:255-0")},
                      [](QRgb c) { return perChannel(c, [](int v) { return 255 - v; }); }));
        QVERIFY(check({QStringLiteral("posterize=2")},
                      [](QRgb c) { return perChannel(c, [](int v) { return v >= 128 ? 255 : 0; }); }));
        QVERIFY(check({QStringLiteral("contrast=1000")},
                      [](QRgb c) { return perChannel(c, [](int v) { return v >= 128 ? 255 : 0; }); }));
        QVERIFY(check({QStringLiteral("grayscale")}, [](QRgb c) {
            const int l = luminance(qRed(c), qGreen(c), qBlue(c));
            return qRgb(l, l, l);
        }));
        QVERIFY(check({QStringLiteral("saturation=-1000")}, [](QRgb c) {
            const int l = luminance(qRed(c), qGreen(c), qBlue(c));
            return qRgb(l, l, l);
        }));
        QVERIFY(check({QStringLiteral("intensity=-1000")}, [](QRgb) { return qRgb(0, 0, 0); }));
        QVERIFY(check({QStringLiteral("intensity=1000")}, [](QRgb) { return qRgb(255, 255, 255); }));
        QVERIFY(check({QStringLiteral("histogram-contrast=-1000")}, [](QRgb) { return qRgb(128, 128, 128); }));
        QVERIFY(check({QStringLiteral("gamma=250")}, [](QRgb c) {
            return perChannel(c, [](int v) { return int(std::lround(255.0 * std::pow(v / 255.0, 1.0 / 2.5))); });
        }));
        // Flat relief everywhere at depth 0.
        QVERIFY(check({QStringLiteral("emboss=south-west,0")}, [](QRgb) { return qRgb(128, 128, 128); }));

        // Hue turns the primaries; the red channel only is mapped by a map on red.
        const Bitmap primaries = makeImage(3, 1, [](int x, int) {
            return x == 0 ? qRgb(255, 0, 0) : x == 1 ? qRgb(0, 255, 0) : qRgb(0, 0, 255);
        });
        QCOMPARE(s.apply(primaries, {QStringLiteral("hue=120")}).status, 0);
        QCOMPARE(s.result().pixelRgb(0, 0), qRgb(0, 255, 0));
        QCOMPARE(s.result().pixelRgb(1, 0), qRgb(0, 0, 255));
        QCOMPARE(s.result().pixelRgb(2, 0), qRgb(255, 0, 0));

        // Straight lines between the pairs, the end values held outside them.
        const Bitmap levels = makeImage(6, 1, [](int x, int) {
            const int v[6] = {0, 20, 50, 150, 200, 250};
            return qRgb(v[x], v[x], 7);
        });
        QCOMPARE(s.apply(levels, {QStringLiteral("map=red:20-0:100-200:200-100")}).status, 0);
        const int mapped[6] = {0, 0, 75, 150, 100, 100};
        for (int x = 0; x < 6; ++x)
            QCOMPARE(s.result().pixelRgb(x, 0), qRgb(mapped[x], levels.pixelRgb(x, 0) >> 8 & 255, 7));
        QCOMPARE(s.apply(levels, {QStringLiteral("map=blue:0-99")}).status, 0);
        QCOMPARE(s.result().pixelRgb(5, 0), qRgb(250, 250, 99));
    }

    void areaOperationsLookAtTheNeighbours()
    {
        Session s;
        // The mean of the 3x3 window: 255 / 9 rounds to 28 around the speck.
        QCOMPARE(s.apply(speck(), {QStringLiteral("average=3")}).status, 0);
        QCOMPARE(s.result().pixelRgb(1, 1), qRgb(28, 28, 28));
        QCOMPARE(s.result().pixelRgb(2, 2), qRgb(28, 28, 28));
        QCOMPARE(s.result().pixelRgb(0, 0), qRgb(0, 0, 0));
        // A median removes the speck.
        QCOMPARE(s.apply(speck(), {QStringLiteral("median=3")}).status, 0);
        QVERIFY(samePixels(speck(), s.result(), [](QRgb) { return qRgb(0, 0, 0); }));
        // Blocks of 2 from the top-left: the speck's block is its mean.
        QCOMPARE(s.apply(speck(), {QStringLiteral("mosaic=2")}).status, 0);
        QCOMPARE(s.result().pixelRgb(2, 2), qRgb(64, 64, 64));
        QCOMPARE(s.result().pixelRgb(3, 3), qRgb(64, 64, 64));
        QCOMPARE(s.result().pixelRgb(1, 1), qRgb(0, 0, 0));
        // Sharpening brightens nothing on black but darkens nothing below 0,
        // and it does push the speck's neighbours down from the blur.
        QCOMPARE(s.apply(speck(), {QStringLiteral("sharpen=-1000")}).status, 0);
        QCOMPARE(s.result().pixelRgb(2, 2), qRgb(64, 64, 64)); // 255 * 4 / 16
        QCOMPARE(s.result().pixelRgb(2, 1), qRgb(32, 32, 32));
        // Lit from the east, the speck's west neighbour looks at it (dark side).
        QCOMPARE(s.apply(speck(), {QStringLiteral("emboss=east,250")}).status, 0);
        QCOMPARE(s.result().pixelRgb(1, 2), qRgb(0, 0, 0));
        QCOMPARE(s.result().pixelRgb(2, 2), qRgb(255, 255, 255));
        QCOMPARE(s.result().pixelRgb(0, 0), qRgb(128, 128, 128));

        // Noise on one channel leaves the others; the same run gives the same noise.
        const Bitmap grey = makeImage(16, 16, [](int, int) { return qRgb(128, 128, 128); });
        QCOMPARE(s.apply(grey, {QStringLiteral("add-noise=500,green")}).status, 0);
        const Bitmap first = s.result();
        bool changed = false;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const QRgb c = first.pixelRgb(x, y);
                QCOMPARE(qRed(c), 128);
                QCOMPARE(qBlue(c), 128);
                QVERIFY(std::abs(qGreen(c) - 128) <= 127);
                changed = changed || qGreen(c) != 128;
            }
        QVERIFY(changed);
        QCOMPARE(s.apply(grey, {QStringLiteral("add-noise=500,green")}).status, 0);
        QVERIFY(s.result() == first);
        QCOMPARE(s.apply(grey, {QStringLiteral("add-noise=1000")}).status, 0);
        const QRgb n = s.result().pixelRgb(3, 3);
        QVERIFY(qRed(n) == qGreen(n) && qGreen(n) == qBlue(n)); // master: one offset for all three
    }

    void geometryMovesPixels()
    {
        const Bitmap in = sample();
        Session s;
        // Clockwise: the top-left pixel goes to the top-right.
        QCOMPARE(s.apply(in, {QStringLiteral("rotate=90")}).status, 0);
        Bitmap out = s.result();
        QCOMPARE(out.width(), 6);
        QCOMPARE(out.height(), 8);
        QCOMPARE(out.pixelRgb(5, 0), sampleColour(0, 0));
        QCOMPARE(out.pixelRgb(0, 0), sampleColour(0, 5));
        QCOMPARE(out.pixelRgb(0, 7), sampleColour(7, 5));
        QCOMPARE(s.apply(in, {QStringLiteral("rotate=-90")}).status, 0);
        QCOMPARE(s.result().pixelRgb(0, 7), sampleColour(0, 0));
        QCOMPARE(s.apply(in, {QStringLiteral("rotate=450")}).status, 0); // a turn and a quarter
        QCOMPARE(s.result().pixelRgb(5, 0), sampleColour(0, 0));

        // A fractional angle grows the canvas; its corners take the fill.
        const Bitmap blue = makeImage(40, 30, [](int, int) { return qRgb(0, 0, 255); });
        QCOMPARE(s.apply(blue, {QStringLiteral("rotate=12.5")}).status, 0);
        out = s.result();
        QVERIFY(out.width() > 40 && out.height() > 30);
        QCOMPARE(out.pixelRgb(0, 0), qRgb(255, 255, 255));
        QCOMPARE(out.pixelRgb(out.width() / 2, out.height() / 2), qRgb(0, 0, 255));
        QCOMPARE(s.apply(blue, {QStringLiteral("rotate=12.5"), QStringLiteral("--fill"), QStringLiteral("#FF8000")}).status, 0);
        QCOMPARE(s.result().pixelRgb(0, 0), qRgb(255, 128, 0));

        QCOMPARE(s.apply(in, {QStringLiteral("flip")}).status, 0);
        QCOMPARE(s.result().pixelRgb(1, 0), sampleColour(1, 5));
        QCOMPARE(s.result().pixelRgb(1, 5), sampleColour(1, 0));
        QCOMPARE(s.apply(in, {QStringLiteral("mirror")}).status, 0);
        QCOMPARE(s.result().pixelRgb(0, 1), sampleColour(7, 1));
        QCOMPARE(s.result().pixelRgb(7, 1), sampleColour(0, 1));

        QCOMPARE(s.apply(in, {QStringLiteral("resize=4x3,nearest")}).status, 0);
        out = s.result();
        QCOMPARE(out.width(), 4);
        QCOMPARE(out.height(), 3);
        // Each output pixel takes the source pixel under its centre.
        QCOMPARE(out.pixelRgb(0, 0), sampleColour(1, 1));
        QCOMPARE(out.pixelRgb(3, 2), sampleColour(7, 5));
        const Bitmap flat = makeImage(8, 6, [](int, int) { return qRgb(10, 20, 30); });
        QCOMPARE(s.apply(flat, {QStringLiteral("resize=16x12")}).status, 0);
        QVERIFY(samePixels(makeImage(16, 12, [](int, int) { return 0u; }), s.result(),
                           [](QRgb) { return qRgb(10, 20, 30); }));

        QCOMPARE(s.apply(in, {QStringLiteral("fill=#102030")}).status, 0);
        QVERIFY(samePixels(in, s.result(), [](QRgb) { return qRgb(0x10, 0x20, 0x30); }));
    }

    void shearLeavesTheFillInTheCorners()
    {
        const Bitmap red = makeImage(10, 10, [](int, int) { return qRgb(255, 0, 0); });
        Session s;
        QCOMPARE(s.apply(red, {QStringLiteral("shear=45"), QStringLiteral("--fill"), QStringLiteral("#00ff00")}).status, 0);
        Bitmap out = s.result();
        QCOMPARE(out.width(), 20);
        QCOMPARE(out.height(), 10);
        QCOMPARE(out.pixelRgb(19, 0), qRgb(0, 255, 0)); // top right
        QCOMPARE(out.pixelRgb(0, 9), qRgb(0, 255, 0));  // bottom left
        // Row y moves right by floor(y + 0.5) pixels.
        QCOMPARE(out.pixelRgb(0, 0), qRgb(255, 0, 0));
        QCOMPARE(out.pixelRgb(9, 0), qRgb(255, 0, 0));
        QCOMPARE(out.pixelRgb(10, 0), qRgb(0, 255, 0));
        QCOMPARE(out.pixelRgb(8, 9), qRgb(0, 255, 0));
        QCOMPARE(out.pixelRgb(9, 9), qRgb(255, 0, 0));
        QCOMPARE(out.pixelRgb(18, 9), qRgb(255, 0, 0));
        QCOMPARE(s.apply(red, {QStringLiteral("shear=45,vertical")}).status, 0);
        out = s.result();
        QCOMPARE(out.width(), 10);
        QCOMPARE(out.height(), 20);
        QCOMPARE(out.pixelRgb(0, 19), qRgb(255, 255, 255)); // white unless told
        QCOMPARE(out.pixelRgb(9, 0), qRgb(255, 255, 255));
        QCOMPARE(out.pixelRgb(0, 0), qRgb(255, 0, 0));
    }

    void operationsRunInTheOrderGiven()
    {
        const Bitmap in = sample();
        Session s;
        QCOMPARE(s.apply(in, {QStringLiteral("fill=#000000"), QStringLiteral("invert")}).status, 0);
        QVERIFY(samePixels(in, s.result(), [](QRgb) { return qRgb(255, 255, 255); }));
        QCOMPARE(s.apply(in, {QStringLiteral("invert"), QStringLiteral("fill=#000000")}).status, 0);
        QVERIFY(samePixels(in, s.result(), [](QRgb) { return qRgb(0, 0, 0); }));
        // Mirror then turn: the top-right pixel ends at the top-right.
        QCOMPARE(s.apply(in, {QStringLiteral("mirror"), QStringLiteral("rotate=90"), QStringLiteral("invert")}).status, 0);
        QCOMPARE(s.result().pixelRgb(5, 0), perChannel(sampleColour(7, 0), [](int v) { return 255 - v; }));
        // No operation converts; convert's options hold.
        const Run gif = s.apply(in, {QStringLiteral("invert"), QStringLiteral("--bits"), QStringLiteral("8")},
                                QStringLiteral("out.gif"));
        QCOMPARE(gif.status, 0);
        QCOMPARE(s.result().bitsPerPixel(), 8);
        // (10, 5, 245) inverted is (245, 250, 10), then the nearest entry of the fixed palette.
        const QRgb g = s.result().pixelRgb(0, 0);
        QVERIFY(std::abs(qRed(g) - 245) < 24 && std::abs(qGreen(g) - 250) < 24 && std::abs(qBlue(g) - 10) < 24);
        QCOMPARE(s.apply(in, {}).status, 0);
        QVERIFY(samePixels(in, s.result(), [](QRgb c) { return c; }));
    }

    void refusedValuesNameTheOperationAndWriteNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, QStringList args, const char* message) {
            QTest::newRow(name) << args << QString::fromLatin1(message);
        };
        const char* noise = "apply: add-noise amount must be 0 to 1000";
        row("noise high", {"add-noise=1001"}, noise);
        row("noise low", {"add-noise=-1,red"}, noise);
        row("noise channel", {"add-noise=5,alpha"}, "apply: add-noise channel must be master, red, green or blue");
        row("average low", {"average=0"}, "apply: average must be 1 to 1000");
        row("average high", {"average=1001"}, "apply: average must be 1 to 1000");
        row("contrast low", {"contrast=-1001"}, "apply: contrast must be -1000 to 1000");
        row("contrast high", {"contrast=1001"}, "apply: contrast must be -1000 to 1000");
        row("emboss depth", {"emboss=north,1001"}, "apply: emboss depth must be 0 to 1000");
        row("emboss direction", {"emboss=up,5"},
            "apply: emboss direction must be north, north-east, east, south-east, south, south-west, west or north-west");
        row("gamma low", {"gamma=219"}, "apply: gamma must be 220 to 250");
        row("gamma high", {"gamma=251"}, "apply: gamma must be 220 to 250");
        row("histogram", {"histogram-contrast=-1001"}, "apply: histogram-contrast must be -1000 to 1000");
        row("hue low", {"hue=-1"}, "apply: hue must be 0 to 360");
        row("hue high", {"hue=361"}, "apply: hue must be 0 to 360");
        row("intensity", {"intensity=1001"}, "apply: intensity must be -1000 to 1000");
        row("median low", {"median=0"}, "apply: median must be 1 to 100");
        row("median high", {"median=101"}, "apply: median must be 1 to 100");
        row("mosaic low", {"mosaic=0"}, "apply: mosaic must be 1 to 1000");
        row("mosaic high", {"mosaic=1001"}, "apply: mosaic must be 1 to 1000");
        row("posterize low", {"posterize=1"}, "apply: posterize must be 2 to 64");
        row("posterize high", {"posterize=65"}, "apply: posterize must be 2 to 64");
        row("saturation", {"saturation=-1001"}, "apply: saturation must be -1000 to 1000");
        row("sharpen", {"sharpen=1001"}, "apply: sharpen must be -1000 to 1000");
        row("shear angle", {"shear=46"}, "apply: shear angle must be 0 to 45");
        row("shear negative", {"shear=-1,vertical"}, "apply: shear angle must be 0 to 45");
        row("shear direction", {"shear=10,up"}, "apply: shear direction must be horizontal or vertical");
        const char* size = "apply: resize must be WIDTHxHEIGHT, each 1 to 65535, at most 1073741824 pixels";
        row("resize zero", {"resize=0x10"}, size);
        row("resize side", {"resize=65536x1"}, size);
        row("resize area", {"resize=40000x40000"}, size);
        row("resize form", {"resize=10"}, size);
        row("resize mode", {"resize=10x10,bicubic"}, "apply: resize mode must be nearest or resample");
        row("fill name", {"fill=red"}, "apply: fill must be #RRGGBB");
        row("fill short", {"fill=#12345"}, "apply: fill must be #RRGGBB");
        const char* map =
            "apply: map must be CHANNEL:SRC-DST[:SRC-DST...] with CHANNEL master, red, green or blue and levels 0 to 255, SRC rising";
        row("map level", {"map=master:0-256"}, map);
        row("map channel", {"map=alpha:0-255"}, map);
        row("map falling", {"map=red:100-0:50-255"}, map);
        row("map no pairs", {"map=red"}, map);
        row("map pair form", {"map=red:5"}, map);
        row("rotate", {"rotate=quarter"}, "apply: rotate must be a number of degrees (to a hundredth, any size)");
        // Malformed words.
        row("no value", {"contrast"}, "apply: contrast must be given as contrast=V");
        row("too few", {"emboss=north"}, "apply: emboss must be given as emboss=DIRECTION,DEPTH");
        row("too many", {"shear=10,vertical,3"}, "apply: shear must be given as shear=ANGLE[,DIRECTION]");
        row("not a number", {"contrast=abc"}, "apply: contrast must be -1000 to 1000");
        row("empty value", {"sharpen="}, "apply: sharpen must be -1000 to 1000");
        row("value given", {"invert=1"}, "apply: invert takes no value");
        row("unknown", {"blur=3"}, "apply: unknown operation 'blur'");
        row("late error", {"invert", "posterize=100"}, "apply: posterize must be 2 to 64");
        row("fill option", {"rotate=5", "--fill", "white"}, "apply: --fill must be #RRGGBB");
        row("fill missing", {"rotate=5", "--fill"}, "apply: --fill needs a value");
        row("shared option", {"invert", "--quality", "0"}, "apply: --quality must be 1 to 100");
        row("unknown option", {"invert", "--fast", "1"}, "apply: unknown option --fast");
    }
    void refusedValuesNameTheOperationAndWriteNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        Session s;
        const Run r = s.apply(sample(), args);
        QCOMPARE(r.status, 2);
        QCOMPARE(r.err.trimmed(), message);
        QVERIFY(!s.outExists());
    }

    void missingFilesAndArguments()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("out.bmp"));
        const Run none = batch({QStringLiteral("apply"), dir.filePath(QStringLiteral("in.bmp"))});
        QCOMPARE(none.status, 2);
        QCOMPARE(none.err.trimmed(), QStringLiteral("apply: needs IN and OUT"));
        const QString missing = dir.filePath(QStringLiteral("missing.bmp"));
        const Run r = batch({QStringLiteral("apply"), missing, out, QStringLiteral("invert")});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err.trimmed(), missing + QStringLiteral(": Not able to open file"));
        QVERIFY(!QFile::exists(out));
    }
};

QTEST_GUILESS_MAIN(TestBatchApply)
#include "test_batch_apply.moc"
