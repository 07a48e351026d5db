// Crop, resize, flips, rotation and fill: exact pixel positions on small
// images at every depth, plus the blending cases with values worked out by hand.

#include "imaging/ops/Geometry.h"

#include <QTest>

#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>

using namespace ardane;
using namespace ardane::imaging;
using namespace ardane::imaging::ops;

namespace {

int bytesOf(int bits) { return bits <= 8 ? 1 : bits / 8; }

// The stored value of a pixel whatever the depth (index, 555 word, RGB bytes, ARGB).
quint32 raw(const Bitmap& b, int x, int y)
{
    const int n = bytesOf(b.bitsPerPixel());
    quint32 v = 0;
    std::memcpy(&v, b.image().constScanLine(y) + x * n, std::size_t(n));
    return v;
}

void setRaw(Bitmap& b, int x, int y, quint32 v)
{
    const int n = bytesOf(b.bitsPerPixel());
    std::memcpy(b.image().scanLine(y) + x * n, &v, std::size_t(n));
}

// Pixels whose stored values differ as much as the depth allows and follow no
// symmetry, so any misplaced pixel shows. Indexed images get a table of
// distinct colours with every index used.
Bitmap patterned(int bits, int w, int h)
{
    std::vector<QRgb> palette;
    if (bits <= 8)
        for (int i = 0; i < (1 << bits); ++i)
            palette.push_back(qRgb(i * 7 % 256, 255 - i, i * 13 % 256));
    Bitmap b = Bitmap::create(w, h, bits, palette);
    b.setResolution(300, 200);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const quint32 v = quint32(x * x * 131 + y * 71 + x * y * 3 + 5) * 2654435761u;
            switch (bits) {
            case 1: setRaw(b, x, y, (x * x + y * 3 + x * y) % 2); break;
            case 4: setRaw(b, x, y, quint32(x * 5 + y * 3 + x * y) % 16); break;
            case 8: setRaw(b, x, y, v >> 24); break;
            case 16: setRaw(b, x, y, (v >> 8) & 0x7FFF); break;
            case 24: setRaw(b, x, y, v >> 8); break;
            default: setRaw(b, x, y, v); break;
            }
        }
    return b;
}

void compareRaw(const Bitmap& out, const Bitmap& in, const std::function<QPoint(int, int)>& sourceOf)
{
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const QPoint s = sourceOf(x, y);
            if (raw(out, x, y) != raw(in, s.x(), s.y()))
                QFAIL(qPrintable(QStringLiteral("%1 bits: (%2,%3) should come from (%4,%5)")
                                     .arg(in.bitsPerPixel()).arg(x).arg(y).arg(s.x()).arg(s.y())));
        }
}

void compareKept(const Bitmap& out, const Bitmap& in)
{
    QCOMPARE(out.bitsPerPixel(), in.bitsPerPixel());
    QCOMPARE(out.palette(), in.palette());
    QCOMPARE(out.xResolution(), in.xResolution());
    QCOMPARE(out.yResolution(), in.yResolution());
}

Bitmap row24(std::initializer_list<QRgb> colours, int height = 1)
{
    Bitmap b = Bitmap::create(int(colours.size()), height, 24);
    for (int y = 0; y < height; ++y) {
        int x = 0;
        for (QRgb c : colours) {
            uchar* p = b.image().scanLine(y) + 3 * x++;
            p[0] = uchar(qRed(c));
            p[1] = uchar(qGreen(c));
            p[2] = uchar(qBlue(c));
        }
    }
    return b;
}

const int kDepths[] = {1, 4, 8, 16, 24, 32};

} // namespace

class TestGeometry : public QObject {
    Q_OBJECT
private slots:
    void cropClipsToImage()
    {
        for (int bits : kDepths) {
            const Bitmap in = patterned(bits, 5, 4);
            Bitmap out;
            QCOMPARE(crop(in, -1, -1, 3, 3, out), result::Ok);
            QCOMPARE(QSize(out.width(), out.height()), QSize(2, 2));
            compareKept(out, in);
            compareRaw(out, in, [](int x, int y) { return QPoint(x, y); });

            QCOMPARE(crop(in, 3, 2, 10, 10, out), result::Ok);
            QCOMPARE(QSize(out.width(), out.height()), QSize(2, 2));
            compareRaw(out, in, [](int x, int y) { return QPoint(x + 3, y + 2); });

            QCOMPARE(crop(in, 1, 1, 3, 2, out), result::Ok);
            QCOMPARE(QSize(out.width(), out.height()), QSize(3, 2));
            compareRaw(out, in, [](int x, int y) { return QPoint(x + 1, y + 1); });
        }
        const Bitmap in = patterned(24, 5, 4);
        Bitmap untouched = patterned(8, 1, 1);
        const Bitmap before = untouched;
        QCOMPARE(crop(in, 5, 0, 1, 1, untouched), result::OutOfMemory);   // right of the image
        QCOMPARE(crop(in, -3, 0, 3, 2, untouched), result::OutOfMemory);  // ends at its left edge
        QCOMPARE(crop(in, 0, 0, 0, 4, untouched), result::OutOfMemory);   // empty
        QCOMPARE(crop(in, 0, 0, 4, -1, untouched), result::OutOfMemory);
        QVERIFY(untouched == before);
        QCOMPARE(crop(Bitmap(), 0, 0, 1, 1, untouched), result::OutOfMemory);
    }

    void nearestResizeMapping()
    {
        // Output pixel d takes source floor((d + 0.5) * src / dst) on each axis.
        const QSize cases[][2] = {{{7, 3}, {3, 7}}, {{3, 7}, {7, 3}}, {{5, 4}, {8, 6}}, {{6, 5}, {6, 5}}, {{4, 9}, {1, 2}}};
        for (int bits : kDepths)
            for (const auto& c : cases) {
                const Bitmap in = patterned(bits, c[0].width(), c[0].height());
                Bitmap out;
                QCOMPARE(resize(in, c[1].width(), c[1].height(), ResizeMode::Nearest, out), result::Ok);
                QCOMPARE(QSize(out.width(), out.height()), c[1]);
                compareKept(out, in);
                compareRaw(out, in, [&](int x, int y) {
                    return QPoint(int(std::floor((x + 0.5) * c[0].width() / c[1].width())),
                                  int(std::floor((y + 0.5) * c[0].height() / c[1].height())));
                });
            }
        // 5 -> 3 picks 0, 2, 4 exactly.
        const Bitmap strip = row24({qRgb(1, 0, 0), qRgb(2, 0, 0), qRgb(3, 0, 0), qRgb(4, 0, 0), qRgb(5, 0, 0)});
        Bitmap out;
        QCOMPARE(resize(strip, 3, 1, ResizeMode::Nearest, out), result::Ok);
        QCOMPARE(out.pixelRgb(0, 0), qRgb(1, 0, 0));
        QCOMPARE(out.pixelRgb(1, 0), qRgb(3, 0, 0));
        QCOMPARE(out.pixelRgb(2, 0), qRgb(5, 0, 0));

        QCOMPARE(resize(strip, 0, 1, ResizeMode::Nearest, out), result::OutOfMemory);
        QCOMPARE(resize(strip, 2, 2, ResizeMode(2), out), result::NotAvailable);
    }

    void resampleAveragesAndInterpolates()
    {
        // Halving: each output pixel is the mean of its 2x2 block.
        Bitmap in = Bitmap::create(4, 2, 24);
        const int values[2][4] = {{0, 100, 10, 20}, {200, 40, 30, 40}};
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x) {
                uchar* p = in.image().scanLine(y) + 3 * x;
                p[0] = uchar(values[y][x]);
                p[1] = uchar(255 - values[y][x]);
                p[2] = 7;
            }
        in.setResolution(120, 60);
        Bitmap out;
        QCOMPARE(resize(in, 2, 1, ResizeMode::Resample, out), result::Ok);
        QCOMPARE(out.pixelRgb(0, 0), qRgb(85, 170, 7));
        QCOMPARE(out.pixelRgb(1, 0), qRgb(25, 230, 7));
        QCOMPARE(out.xResolution(), 120);

        // 3 -> 2: partly covered pixels count by the part covered:
        // (0 * 1 + 90 * 0.5) / 1.5 = 30 and (90 * 0.5 + 180 * 1) / 1.5 = 150.
        const Bitmap three = row24({qRgb(0, 0, 0), qRgb(90, 90, 90), qRgb(180, 180, 180)}, 2);
        QCOMPARE(resize(three, 2, 2, ResizeMode::Resample, out), result::Ok);
        QCOMPARE(out.pixelRgb(0, 1), qRgb(30, 30, 30));
        QCOMPARE(out.pixelRgb(1, 1), qRgb(150, 150, 150));

        // Enlarging 2 -> 4 interpolates between centres and clamps at the edges.
        const Bitmap two = row24({qRgb(0, 0, 0), qRgb(100, 200, 40)});
        QCOMPARE(resize(two, 4, 1, ResizeMode::Resample, out), result::Ok);
        QCOMPARE(out.pixelRgb(0, 0), qRgb(0, 0, 0));
        QCOMPARE(out.pixelRgb(1, 0), qRgb(25, 50, 10));
        QCOMPARE(out.pixelRgb(2, 0), qRgb(75, 150, 30));
        QCOMPARE(out.pixelRgb(3, 0), qRgb(100, 200, 40));

        // Alpha weights the colour: a transparent neighbour does not darken red.
        Bitmap argb = Bitmap::create(2, 1, 32);
        setRaw(argb, 0, 0, qRgba(255, 0, 0, 255));
        setRaw(argb, 1, 0, qRgba(0, 0, 255, 0));
        QCOMPARE(resize(argb, 1, 1, ResizeMode::Resample, out), result::Ok);
        QCOMPARE(raw(out, 0, 0), quint32(qRgba(255, 0, 0, 128)));

        // Indexed: averaged in colour, then the nearest entry of its own table.
        Bitmap grey = Bitmap::create(2, 2, 8); // table: grey ramp, index = level
        grey.image().scanLine(0)[0] = 10;
        grey.image().scanLine(0)[1] = 20;
        grey.image().scanLine(1)[0] = 30;
        grey.image().scanLine(1)[1] = 2;
        QCOMPARE(resize(grey, 1, 1, ResizeMode::Resample, out), result::Ok);
        compareKept(out, grey);
        QCOMPARE(raw(out, 0, 0), quint32(16));
        Bitmap four = Bitmap::create(2, 1, 4, {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(120, 0, 0)});
        four.image().scanLine(0)[1] = 1;
        QCOMPARE(resize(four, 1, 1, ResizeMode::Resample, out), result::Ok);
        QCOMPARE(raw(out, 0, 0), quint32(2)); // 127.5 red is nearest to (120, 0, 0)
        QCOMPARE(out.palette(), four.palette());

        // 16 bits: a flat colour stays exactly the same.
        Bitmap flat16 = Bitmap::create(6, 4, 16);
        fill(flat16, makeColorRef(200, 100, 50));
        QCOMPARE(resize(flat16, 4, 7, ResizeMode::Resample, out), result::Ok);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 4; ++x)
                QCOMPARE(raw(out, x, y), raw(flat16, 0, 0));
    }

    void flipsAtEveryDepth()
    {
        for (int bits : kDepths)
            for (const QSize size : {QSize(5, 3), QSize(4, 4), QSize(1, 2)}) {
                const Bitmap in = patterned(bits, size.width(), size.height());
                Bitmap v = in;
                flipVertical(v);
                compareKept(v, in);
                compareRaw(v, in, [&](int x, int y) { return QPoint(x, size.height() - 1 - y); });
                Bitmap h = in;
                flipHorizontal(h);
                compareKept(h, in);
                compareRaw(h, in, [&](int x, int y) { return QPoint(size.width() - 1 - x, y); });
                QVERIFY(in == patterned(bits, size.width(), size.height())); // the copy was not shared
            }
    }

    void quarterTurnsAreExact()
    {
        // Counter-clockwise for positive angles: the top-right corner goes to the top left.
        for (int bits : kDepths) {
            const Bitmap in = patterned(bits, 5, 3);
            const int w = 5, h = 3;
            const std::function<QPoint(int, int)> ccw90 = [&](int x, int y) { return QPoint(w - 1 - y, x); };
            const std::function<QPoint(int, int)> half = [&](int x, int y) { return QPoint(w - 1 - x, h - 1 - y); };
            const std::function<QPoint(int, int)> cw90 = [&](int x, int y) { return QPoint(y, h - 1 - x); };
            const struct {
                int angle;
                QSize size;
                const std::function<QPoint(int, int)>& source;
            } turns[] = {
                {9000, {3, 5}, ccw90},   {-27000, {3, 5}, ccw90}, {45000, {3, 5}, ccw90},
                {18000, {5, 3}, half},   {-18000, {5, 3}, half},
                {27000, {3, 5}, cw90},   {-9000, {3, 5}, cw90},
            };
            for (const auto& t : turns) {
                Bitmap out;
                QCOMPARE(rotate(in, t.angle, true, makeColorRef(1, 2, 3), out), result::Ok);
                QCOMPARE(QSize(out.width(), out.height()), t.size);
                compareKept(out, in);
                compareRaw(out, in, t.source);
            }
            Bitmap same;
            QCOMPARE(rotate(in, -36000, false, 0, same), result::Ok);
            QVERIFY(same == in);
        }
    }

    // Without resizing a quarter turn keeps the canvas: the turned image is
    // centred on it, cut where it overhangs, and the rest is filled.
    void quarterTurnOddDifference()
    {
        // 5x2 turned is 2x5: 1.5 pixels of margin each side across, 1.5 cut
        // top and bottom; it sits half a pixel up and left (x = 1, y = -2).
        const Bitmap in = patterned(24, 5, 2);
        Bitmap out;
        QCOMPARE(rotate(in, -9000, false, makeColorRef(9, 8, 7), out), result::Ok);
        QCOMPARE(QSize(out.width(), out.height()), QSize(5, 2));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 5; ++x) {
                if (x == 0 || x >= 3) {
                    QCOMPARE(out.pixelRgb(x, y), qRgb(9, 8, 7));
                } else {
                    const int tx = x - 1, ty = y + 2; // in the turned (clockwise) image
                    QCOMPARE(raw(out, x, y), raw(in, ty, 2 - 1 - tx));
                }
            }
    }

    // Any angle: every output pixel against a direct double-precision
    // evaluation (turn the pixel centre back about the image centres, fill if
    // the nearest source pixel is outside, else bilinear with clamped edges).
    void rotateMatchesDirectEvaluation()
    {
        for (const int angle : {1, 3000, -11000, 20250}) {
            for (const bool grow : {true, false}) {
                const Bitmap in = patterned(24, 9, 6);
                Bitmap out;
                QCOMPARE(rotate(in, angle, grow, makeColorRef(1, 2, 3), out), result::Ok);
                const double t = angle / 100.0 * std::numbers::pi / 180.0;
                for (int y = 0; y < out.height(); ++y)
                    for (int x = 0; x < out.width(); ++x) {
                        const double ox = x + 0.5 - out.width() / 2.0, oy = y + 0.5 - out.height() / 2.0;
                        const double sx = ox * std::cos(t) - oy * std::sin(t) + in.width() / 2.0 - 0.5;
                        const double sy = ox * std::sin(t) + oy * std::cos(t) + in.height() / 2.0 - 0.5;
                        const QRgb got = out.pixelRgb(x, y);
                        // Centres within a hair of the image edge may go either way.
                        auto nearEdge = [](double v) { return std::abs(v + 0.5 - std::round(v + 0.5)) < 1e-6; };
                        if (nearEdge(sx) || nearEdge(sy))
                            continue;
                        if (sx < -0.5 || sy < -0.5 || sx >= in.width() - 0.5 || sy >= in.height() - 0.5) {
                            QCOMPARE(got, qRgb(1, 2, 3));
                            continue;
                        }
                        const int x0 = int(std::floor(sx)), y0 = int(std::floor(sy));
                        const double fx = sx - x0, fy = sy - y0;
                        auto at = [&](int px, int py) {
                            return in.pixelRgb(std::clamp(px, 0, in.width() - 1), std::clamp(py, 0, in.height() - 1));
                        };
                        auto channel = [&](int (*get)(QRgb)) {
                            return (1 - fy) * ((1 - fx) * get(at(x0, y0)) + fx * get(at(x0 + 1, y0)))
                                   + fy * ((1 - fx) * get(at(x0, y0 + 1)) + fx * get(at(x0 + 1, y0 + 1)));
                        };
                        // 8-bit weights and truncation allow a couple of levels.
                        const double r = channel(qRed), g = channel(qGreen), b = channel(qBlue);
                        if (std::abs(qRed(got) - r) > 3 || std::abs(qGreen(got) - g) > 3 || std::abs(qBlue(got) - b) > 3)
                            QFAIL(qPrintable(QStringLiteral("angle %1 at (%2,%3): got %4,%5,%6 want %7,%8,%9")
                                                 .arg(angle).arg(x).arg(y)
                                                 .arg(qRed(got)).arg(qGreen(got)).arg(qBlue(got))
                                                 .arg(r).arg(g).arg(b)));
                    }
            }
        }
    }

    void rotate45GrowsAndFillsCorners()
    {
        Bitmap in = Bitmap::create(10, 10, 24);
        fill(in, makeColorRef(255, 0, 0));
        in.setResolution(150, 150);
        Bitmap out;
        QCOMPARE(rotate(in, 4500, true, makeColorRef(0, 0, 255), out), result::Ok);
        // 10 * sqrt(2) = 14.14 -> 15 on each side.
        QCOMPARE(QSize(out.width(), out.height()), QSize(15, 15));
        QCOMPARE(out.xResolution(), 150);
        const QRgb blue = qRgb(0, 0, 255), red = qRgb(255, 0, 0);
        for (const QPoint p : {QPoint(0, 0), QPoint(14, 0), QPoint(0, 14), QPoint(14, 14), QPoint(2, 2), QPoint(12, 1)})
            QCOMPARE(out.pixelRgb(p.x(), p.y()), blue);
        for (const QPoint p : {QPoint(7, 7), QPoint(7, 1), QPoint(1, 7), QPoint(13, 7), QPoint(7, 13)})
            QCOMPARE(out.pixelRgb(p.x(), p.y()), red);
        // Exactly the pixels whose centres fall inside the turned square are
        // red: with the centre at offsets (a, b) from the middle, |a| + |b| <= 7
        // (the square's half-diagonal is 7.07), 113 pixels. No blending with
        // the fill: a flat image stays flat.
        int redCount = 0;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 15; ++x) {
                const bool inside = std::abs(x - 7) + std::abs(y - 7) <= 7;
                QCOMPARE(out.pixelRgb(x, y), inside ? red : blue);
                redCount += inside;
            }
        QCOMPARE(redCount, 113);

        // Same angle, kept size: corners cut, size unchanged, fill opaque at 32 bits.
        Bitmap argb = Bitmap::create(10, 6, 32);
        fill(argb, makeColorRef(0, 255, 0));
        QCOMPARE(rotate(argb, -4500, false, makeColorRef(10, 20, 30), out), result::Ok);
        QCOMPARE(QSize(out.width(), out.height()), QSize(10, 6));
        // Turned clockwise, the top-right and bottom-left corners are uncovered.
        QCOMPARE(raw(out, 9, 0), quint32(qRgba(10, 20, 30, 255)));
        QCOMPARE(raw(out, 0, 5), quint32(qRgba(10, 20, 30, 255)));
        QCOMPARE(raw(out, 0, 0), quint32(qRgba(0, 255, 0, 255)));
        QCOMPARE(raw(out, 5, 3), quint32(qRgba(0, 255, 0, 255)));

        // Clockwise 30 degrees of a 20x10 image: |20cos| + |10sin| = 22.32 -> 23,
        // |20sin| + |10cos| = 18.66 -> 19.
        QCOMPARE(rotate(Bitmap::create(20, 10, 16), -3000, true, 0, out), result::Ok);
        QCOMPARE(QSize(out.width(), out.height()), QSize(23, 19));
    }

    void rotateIndexedKeepsPalette()
    {
        Bitmap in = Bitmap::create(9, 7, 8, {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(200, 0, 0), qRgb(0, 90, 0)});
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 9; ++x)
                setRaw(in, x, y, quint32((x + y) % 2));
        Bitmap out;
        QCOMPARE(rotate(in, 3000, true, makeColorRef(250, 10, 10), out), result::Ok);
        compareKept(out, in);
        QCOMPARE(raw(out, 0, 0), quint32(2)); // fill: nearest entry to (250, 10, 10)
        int filled = 0;
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                const quint32 v = raw(out, x, y);
                QVERIFY(v <= 2);
                filled += v == 2;
            }
        // The image covers 63 of the pixels (to within the edge rounding).
        QVERIFY(std::abs(out.width() * out.height() - filled - 63) <= 6);
    }

    void fillUsesTheStoredFormat()
    {
        Bitmap indexed = Bitmap::create(3, 2, 4, {qRgb(0, 0, 0), qRgb(0, 0, 250), qRgb(250, 250, 250)});
        fill(indexed, makeColorRef(10, 20, 200));
        Bitmap b16 = Bitmap::create(3, 2, 16);
        fill(b16, makeColorRef(255, 130, 7));
        Bitmap b24 = Bitmap::create(3, 2, 24);
        fill(b24, makeColorRef(1, 2, 3));
        Bitmap b32 = Bitmap::create(3, 2, 32);
        setRaw(b32, 1, 1, qRgba(5, 5, 5, 0));
        fill(b32, makeColorRef(4, 5, 6));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                QCOMPARE(raw(indexed, x, y), quint32(1));
                QCOMPARE(raw(b16, x, y), quint32((31 << 10) | (16 << 5)));
                QCOMPARE(b24.pixelRgb(x, y), qRgb(1, 2, 3));
                QCOMPARE(raw(b32, x, y), quint32(qRgba(4, 5, 6, 255)));
            }
    }
};

QTEST_GUILESS_MAIN(TestGeometry)
#include "test_geometry.moc"
