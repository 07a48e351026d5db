// Neighbourhood effects and shear: pixel values worked out by hand on small
// images, the window and block placement, what each effect must leave alone
// (channels, alpha, depth, palette), and every depth run through every effect.

#include "imaging/ops/AreaEffects.h"

#include <QTest>

#include <cmath>
#include <cstring>
#include <functional>
#include <algorithm>
#include <numbers>
#include <vector>

using namespace ardane;
using namespace ardane::imaging;
using namespace ardane::imaging::ops;

namespace {

int bytesOf(int bits) { return bits <= 8 ? 1 : bits / 8; }

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

// A 24-bit image whose pixels come from a function of the position.
Bitmap rgb24(int w, int h, const std::function<QRgb(int, int)>& colour)
{
    Bitmap b = Bitmap::create(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = colour(x, y);
            uchar* p = b.image().scanLine(y) + x * 3;
            p[0] = uchar(qRed(c));
            p[1] = uchar(qGreen(c));
            p[2] = uchar(qBlue(c));
        }
    return b;
}

QRgb grey(int v) { return qRgb(v, v, v); }

// Pixels without symmetry at every depth; indexed images use every index of
// a table of distinct colours.
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

QString at(int x, int y) { return QStringLiteral("(%1,%2)").arg(x).arg(y); }

} // namespace

class TestAreaEffects : public QObject {
    Q_OBJECT
private slots:
    void everyDepthKeepsFormat_data();
    void everyDepthKeepsFormat();
    void identityValues();
    void medianRemovesSpecksAndKeepsEdges();
    void medianMatchesSortedWindows();
    void averageValues();
    void mosaicBlocksFromTopLeft();
    void sharpenAndSoftenAnEdge();
    void embossDirections();
    void noiseOnOneChannel();
    void shearGrowsAndFills();
    void shearRefusesBadInput();
};

void TestAreaEffects::everyDepthKeepsFormat_data()
{
    QTest::addColumn<int>("bits");
    for (int bits : {1, 4, 8, 16, 24, 32})
        QTest::newRow(qPrintable(QString::number(bits))) << bits;
}

// Every effect at every depth: no crash, depth, size, palette and resolution
// kept, indices inside the table, alpha of 32-bit pixels untouched.
void TestAreaEffects::everyDepthKeepsFormat()
{
    QFETCH(int, bits);
    const Bitmap original = patterned(bits, 13, 9);
    const std::vector<std::function<bool(Bitmap&)>> effects = {
        [](Bitmap& b) { return medianFilter(b, 3); },   [](Bitmap& b) { return medianFilter(b, 4); },
        [](Bitmap& b) { return medianFilter(b, 40); },  [](Bitmap& b) { return average(b, 2); },
        [](Bitmap& b) { return average(b, 5); },        [](Bitmap& b) { return average(b, 99); },
        [](Bitmap& b) { return mosaic(b, 4); },         [](Bitmap& b) { return mosaic(b, 50); },
        [](Bitmap& b) { return sharpen(b, 1000); },     [](Bitmap& b) { return sharpen(b, -1000); },
        [](Bitmap& b) { return emboss(b, 3, 500); },    [](Bitmap& b) { return emboss(b, 6, 1000); },
        [](Bitmap& b) { return addNoise(b, 500, 0); }, [](Bitmap& b) { return addNoise(b, 1000, 3); },
    };
    for (std::size_t i = 0; i < effects.size(); ++i) {
        Bitmap b = original;
        QVERIFY(effects[i](b));
        QCOMPARE(b.bitsPerPixel(), bits);
        QCOMPARE(b.width(), 13);
        QCOMPARE(b.height(), 9);
        QCOMPARE(b.palette(), original.palette());
        QCOMPARE(b.xResolution(), 300);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 13; ++x) {
                if (bits <= 8)
                    QVERIFY2(raw(b, x, y) < (1u << bits), qPrintable(at(x, y)));
                if (bits == 32)
                    QCOMPARE(raw(b, x, y) >> 24, raw(original, x, y) >> 24);
            }
        // The copy the effect started from is not touched.
        QCOMPARE(original, patterned(bits, 13, 9));
    }
    for (bool horizontal : {true, false}) {
        Bitmap out;
        QCOMPARE(shear(original, 30, horizontal, makeColorRef(0, 0, 255), out), result::Ok);
        QCOMPARE(out.bitsPerPixel(), bits);
        QCOMPARE(out.palette(), original.palette());
        const int grow = int(std::lround((horizontal ? 9 : 13) * std::tan(30 * std::numbers::pi / 180)));
        QCOMPARE(out.width(), horizontal ? 13 + grow : 13);
        QCOMPARE(out.height(), horizontal ? 9 : 9 + grow);
    }
    // A one-pixel image gets through every window without reading outside it.
    Bitmap tiny = patterned(bits, 1, 1);
    for (const auto& effect : effects)
        QVERIFY(effect(tiny));
}

// Size 1, sharpen 0 and no noise leave every depth exactly as it was.
void TestAreaEffects::identityValues()
{
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        const Bitmap original = patterned(bits, 11, 7);
        Bitmap b = original;
        QVERIFY(medianFilter(b, 1));
        QVERIFY(average(b, 1));
        QVERIFY(mosaic(b, 1));
        QVERIFY(sharpen(b, 0));
        QVERIFY(addNoise(b, 0, 0));
        QVERIFY2(b == original, qPrintable(QString::number(bits)));
        QVERIFY(medianFilter(b, -5)); // below the range: taken as 1
        QVERIFY2(b == original, qPrintable(QString::number(bits)));
    }
    Bitmap null;
    QVERIFY(medianFilter(null, 3));
    QVERIFY(null.isNull());
}

void TestAreaEffects::medianRemovesSpecksAndKeepsEdges()
{
    // Salt and pepper on flat grey, specks apart from each other and on the border.
    const auto specks = [](int x, int y) {
        if ((x == 3 && y == 2) || (x == 0 && y == 0) || (x == 11 && y == 9))
            return grey(255);
        if ((x == 7 && y == 5) || (x == 11 && y == 0))
            return grey(0);
        return qRgb(120, 60, 200);
    };
    Bitmap b = rgb24(12, 10, specks);
    QVERIFY(medianFilter(b, 3));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x)
            QVERIFY2(b.pixelRgb(x, y) == qRgb(120, 60, 200), qPrintable(at(x, y)));

    // A step between two flat areas stays where it is, sharp.
    Bitmap step = rgb24(10, 6, [](int x, int) { return x < 5 ? grey(20) : grey(230); });
    const Bitmap stepBefore = step;
    QVERIFY(medianFilter(step, 3));
    QVERIFY(step == stepBefore);
    QVERIFY(medianFilter(step, 5));
    QVERIFY(step == stepBefore);

    // Two-colour image: the lone black pixel goes; 32 bits: alpha stays.
    Bitmap mono = Bitmap::create(9, 9, 1, {qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x)
            setRaw(mono, x, y, (x == 4 && y == 4) ? 0 : 1);
    QVERIFY(medianFilter(mono, 5));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x)
            QCOMPARE(raw(mono, x, y), 1u);

    Bitmap argb = Bitmap::create(7, 7, 32);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x)
            setRaw(argb, x, y, qRgba(x == 3 && y == 3 ? 250 : 40, 50, 60, 10 + x * 30));
    QVERIFY(medianFilter(argb, 3));
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x)
            QCOMPARE(raw(argb, x, y), quint32(qRgba(40, 50, 60, 10 + x * 30)));

    // Even size: lower middle of four values 10, 20, 30, 40 in a 2x2 window
    // reaching right and down.
    Bitmap quad = rgb24(2, 2, [](int x, int y) { return grey(10 + 10 * (x + 2 * y)); });
    QVERIFY(medianFilter(quad, 2));
    QCOMPARE(quad.pixelRgb(0, 0), grey(20)); // {10, 20, 30, 40}
    QCOMPARE(quad.pixelRgb(1, 1), grey(40)); // edge repeats: {40, 40, 40, 40}
    QCOMPARE(quad.pixelRgb(1, 0), grey(20)); // {20, 20, 40, 40}
}

// On noisy pixels the sliding median must agree with sorting each window:
// the median moves both up and down along the rows, across edges that repeat.
void TestAreaEffects::medianMatchesSortedWindows()
{
    const auto noisy = [](int x, int y) {
        const quint32 v = quint32(x * 7919 + y * 104729 + x * y * 31 + 17) * 2654435761u;
        return qRgb(int(v >> 24), int((v >> 16) & 255), (x * 40 + y * 3) & 255);
    };
    for (int size : {2, 3, 4, 7}) {
        const Bitmap in = rgb24(11, 9, noisy);
        Bitmap out = in;
        QVERIFY(medianFilter(out, size));
        const int before = (size - 1) / 2;
        std::vector<int> window;
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 11; ++x)
                for (int channel = 0; channel < 3; ++channel) {
                    window.clear();
                    for (int dy = -before; dy < size - before; ++dy)
                        for (int dx = -before; dx < size - before; ++dx) {
                            const QRgb c = in.pixelRgb(std::clamp(x + dx, 0, 10), std::clamp(y + dy, 0, 8));
                            window.push_back(channel == 0 ? qRed(c) : channel == 1 ? qGreen(c) : qBlue(c));
                        }
                    std::sort(window.begin(), window.end());
                    const QRgb c = out.pixelRgb(x, y);
                    const int got = channel == 0 ? qRed(c) : channel == 1 ? qGreen(c) : qBlue(c);
                    QVERIFY2(got == window[(window.size() - 1) / 2],
                             qPrintable(QStringLiteral("size %1 channel %2 ").arg(size).arg(channel) + at(x, y)));
                }
    }
}

void TestAreaEffects::averageValues()
{
    // Flat images stay flat and exact at every true-colour depth and on a palette.
    for (int bits : {8, 16, 24, 32}) {
        Bitmap b = patterned(bits, 9, 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 9; ++x)
                setRaw(b, x, y, raw(b, 2, 3));
        const Bitmap before = b;
        QVERIFY(average(b, 3));
        QVERIFY2(b == before, qPrintable(QString::number(bits)));
        QVERIFY(average(b, 8));
        QVERIFY2(b == before, qPrintable(QString::number(bits)));
    }
    // One bright pixel spreads evenly over the window around it.
    Bitmap dot = rgb24(9, 9, [](int x, int y) { return x == 4 && y == 4 ? qRgb(90, 180, 9) : grey(0); });
    QVERIFY(average(dot, 3));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) {
            const bool inside = std::abs(x - 4) <= 1 && std::abs(y - 4) <= 1;
            QVERIFY2(dot.pixelRgb(x, y) == (inside ? qRgb(10, 20, 1) : grey(0)), qPrintable(at(x, y)));
        }
    // Size 2 reaches right and down: the pixel lands up and left of itself.
    Bitmap dot2 = rgb24(6, 6, [](int x, int y) { return x == 3 && y == 3 ? grey(80) : grey(0); });
    QVERIFY(average(dot2, 2));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool inside = (x == 2 || x == 3) && (y == 2 || y == 3);
            QVERIFY2(dot2.pixelRgb(x, y) == grey(inside ? 20 : 0), qPrintable(at(x, y)));
        }
    // Edges repeat: a bright left column weighs twice in the first column's window.
    Bitmap edge = rgb24(5, 3, [](int x, int) { return grey(x == 0 ? 90 : 0); });
    QVERIFY(average(edge, 3));
    QCOMPARE(edge.pixelRgb(0, 1), grey(60));
    QCOMPARE(edge.pixelRgb(1, 1), grey(30));
    QCOMPARE(edge.pixelRgb(2, 1), grey(0));
}

void TestAreaEffects::mosaicBlocksFromTopLeft()
{
    // Red follows x, green follows y, so each block's mean is known by hand:
    // columns 0-2, 3-5 and the partial 6; rows 0-2 and the partial 3-4.
    Bitmap b = rgb24(7, 5, [](int x, int y) { return qRgb(10 * x, 20 * y, 77); });
    QVERIFY(mosaic(b, 3));
    const int red[] = {10, 10, 10, 40, 40, 40, 60};
    const int green[] = {20, 20, 20, 70, 70};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            QVERIFY2(b.pixelRgb(x, y) == qRgb(red[x], green[y], 77), qPrintable(at(x, y)));

    // 32 bits: blocks take the mean colour, each pixel keeps its alpha; means round.
    Bitmap argb = Bitmap::create(4, 2, 32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            setRaw(argb, x, y, qRgba(x + y == 0 ? 3 : 0, 0, 0, 100 + x));
    QVERIFY(mosaic(argb, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            QCOMPARE(raw(argb, x, y), quint32(qRgba(x < 2 ? 1 : 0, 0, 0, 100 + x))); // 3/4 rounds to 1

    // A block bigger than the image makes it one colour.
    Bitmap all = rgb24(3, 2, [](int x, int y) { return grey(x * 20 + y * 60); });
    QVERIFY(mosaic(all, 10));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            QCOMPARE(all.pixelRgb(x, y), grey(50));
}

void TestAreaEffects::sharpenAndSoftenAnEdge()
{
    const auto edge = [](int x, int) { return x < 4 ? grey(100) : grey(150); };
    // The blur next to the step is 112.5 and 137.5: sharpening at 1000 adds
    // four times the difference, softening at -1000 takes the blur.
    Bitmap sharp = rgb24(8, 5, edge);
    QVERIFY(sharpen(sharp, 1000));
    Bitmap soft = rgb24(8, 5, edge);
    QVERIFY(sharpen(soft, -1000));
    Bitmap half = rgb24(8, 5, edge);
    QVERIFY(sharpen(half, 500));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x) {
            const int flat = x < 4 ? 100 : 150;
            const int s = x == 3 ? 50 : x == 4 ? 200 : flat;
            const int h = x == 3 ? 75 : x == 4 ? 175 : flat;
            const int f = x == 3 ? 113 : x == 4 ? 137 : flat;
            QVERIFY2(sharp.pixelRgb(x, y) == grey(s), qPrintable(at(x, y)));
            QVERIFY2(half.pixelRgb(x, y) == grey(h), qPrintable(at(x, y)));
            QVERIFY2(soft.pixelRgb(x, y) == grey(f), qPrintable(at(x, y)));
        }
    // Results clamp: a strong step overshoots past 0 and 255.
    Bitmap hard = rgb24(6, 3, [](int x, int) { return grey(x < 3 ? 10 : 245); });
    QVERIFY(sharpen(hard, 1000));
    QCOMPARE(hard.pixelRgb(2, 1), grey(0));
    QCOMPARE(hard.pixelRgb(3, 1), grey(255));
    QCOMPARE(hard.pixelRgb(0, 1), grey(10));
}

void TestAreaEffects::embossDirections()
{
    // Black left of x = 4, white from there: a vertical edge.
    const auto edge = [](int x, int) { return x < 4 ? grey(0) : qRgb(255, 255, 255); };
    auto embossed = [&](int direction, int depth) {
        Bitmap b = rgb24(8, 6, edge);
        [[maybe_unused]] const bool ok = emboss(b, direction, depth);
        return b;
    };
    // East: the black pixel facing east sees white there and goes dark. West:
    // the white pixel facing west sees black there and goes light.
    const Bitmap east = embossed(2, 250), west = embossed(6, 250);
    const Bitmap north = embossed(0, 1000), south = embossed(4, 1000);
    const Bitmap gentle = embossed(2, 100), northEast = embossed(1, 250);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            QVERIFY2(east.pixelRgb(x, y) == grey(x == 3 ? 0 : 128), qPrintable(at(x, y)));
            QVERIFY2(west.pixelRgb(x, y) == grey(x == 4 ? 255 : 128), qPrintable(at(x, y)));
            QVERIFY2(north.pixelRgb(x, y) == grey(128), qPrintable(at(x, y)));
            QVERIFY2(south.pixelRgb(x, y) == grey(128), qPrintable(at(x, y)));
            QVERIFY2(gentle.pixelRgb(x, y) == grey(x == 3 ? 26 : 128), qPrintable(at(x, y))); // 128 - 102
            // North-east of the top row lies outside: no relief there.
            QVERIFY2(northEast.pixelRgb(x, y) == grey(x == 3 && y > 0 ? 0 : 128), qPrintable(at(x, y)));
        }
    // Code 10 is code 2 again.
    QVERIFY(embossed(10, 250) == east);
    // Depth 0 gives flat grey; on a grey palette the result is the exact entry.
    Bitmap indexed = Bitmap::create(8, 6, 8);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            setRaw(indexed, x, y, x < 4 ? 0 : 255);
    Bitmap flat = indexed;
    QVERIFY(emboss(flat, 3, 0));
    QVERIFY(emboss(indexed, 6, 125)); // half of the difference
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            QCOMPARE(raw(flat, x, y), 128u);
            QCOMPARE(raw(indexed, x, y), x == 4 ? 255u : 128u); // 128 + 127.5 rounds up to 256, clamped
        }
}

void TestAreaEffects::noiseOnOneChannel()
{
    // Amount 100: offsets in -25..25 on red only.
    const auto flat = [](int, int) { return qRgb(128, 90, 200); };
    Bitmap b = rgb24(40, 30, flat);
    QVERIFY(addNoise(b, 100, 1));
    int low = 0, high = 0, changed = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const QRgb c = b.pixelRgb(x, y);
            QCOMPARE(qGreen(c), 90);
            QCOMPARE(qBlue(c), 200);
            const int d = qRed(c) - 128;
            QVERIFY2(d >= -25 && d <= 25, qPrintable(at(x, y)));
            low = std::min(low, d);
            high = std::max(high, d);
            changed += d != 0;
        }
    QVERIFY(low <= -20 && high >= 20);
    QVERIFY(changed > 1000);
    // The same image gets the same noise every time.
    Bitmap again = rgb24(40, 30, flat);
    QVERIFY(addNoise(again, 100, 1));
    QVERIFY(again == b);

    // Master: one offset for all three channels.
    Bitmap master = rgb24(20, 20, [](int, int) { return grey(128); });
    QVERIFY(addNoise(master, 1000, 0));
    changed = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const QRgb c = master.pixelRgb(x, y);
            QVERIFY(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
            changed += qRed(c) != 128;
        }
    QVERIFY(changed > 350);

    // Blue at 16 bits leaves the red and green bits; at 32 bits alpha stays.
    const Bitmap p16 = patterned(16, 15, 10);
    Bitmap n16 = p16;
    QVERIFY(addNoise(n16, 800, 3));
    const Bitmap p32 = patterned(32, 15, 10);
    Bitmap n32 = p32;
    QVERIFY(addNoise(n32, 800, 2));
    int blueChanged = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 15; ++x) {
            QCOMPARE(raw(n16, x, y) & 0x7FE0u, raw(p16, x, y) & 0x7FE0u);
            blueChanged += (raw(n16, x, y) & 31u) != (raw(p16, x, y) & 31u);
            QCOMPARE(raw(n32, x, y) & 0xFFFF00FFu, raw(p32, x, y) & 0xFFFF00FFu);
        }
    QVERIFY(blueChanged > 75);
}

void TestAreaEffects::shearGrowsAndFills()
{
    const ColorRef fill = makeColorRef(255, 0, 0);
    for (int bits : {8, 16, 24, 32}) {
        const Bitmap in = patterned(bits, 10, 8);
        const quint32 fillRaw = bits == 16 ? 0x7C00u : bits == 24 ? 0x0000FFu : bits == 32 ? 0xFFFF0000u : 217u; // 217: nearest entry to red
        for (int degrees : {20, 45}) {
            const double t = std::tan(degrees * std::numbers::pi / 180);
            Bitmap h;
            QCOMPARE(shear(in, degrees, true, fill, h), result::Ok);
            QCOMPARE(h.width(), 10 + int(std::lround(8 * t)));
            QCOMPARE(h.height(), 8);
            const int grow = h.width() - 10;
            int previous = 0;
            for (int y = 0; y < 8; ++y) {
                // The row sits whole at the offset of its centre, fill on both sides.
                const int s = std::min(grow, int(std::floor((y + 0.5) * t)));
                QVERIFY(s >= previous && s <= previous + 1);
                if (degrees == 45)
                    QCOMPARE(s, y);
                for (int x = 0; x < h.width(); ++x) {
                    const bool inside = x >= s && x < s + 10;
                    QVERIFY2(raw(h, x, y) == (inside ? raw(in, x - s, y) : fillRaw), qPrintable(at(x, y)));
                }
                previous = s;
            }
            QCOMPARE(previous, grow - 1); // the last row reaches the new right edge
            QCOMPARE(raw(h, 0, 0), raw(in, 0, 0));       // top-left stays
            QCOMPARE(raw(h, h.width() - 1, 0), fillRaw); // top-right uncovered
            QCOMPARE(raw(h, 0, 7), fillRaw);             // bottom-left uncovered

            Bitmap v;
            QCOMPARE(shear(in, degrees, false, fill, v), result::Ok);
            QCOMPARE(v.width(), 10);
            QCOMPARE(v.height(), 8 + int(std::lround(10 * t)));
            if (degrees == 45)
                for (int y = 0; y < v.height(); ++y)
                    for (int x = 0; x < 10; ++x) {
                        const int sy = y - x;
                        if (sy >= 0 && sy < 8)
                            QVERIFY2(raw(v, x, y) == raw(in, x, sy), qPrintable(at(x, y)));
                        else
                            QVERIFY2(raw(v, x, y) == fillRaw, qPrintable(at(x, y)));
                    }
            QCOMPARE(raw(v, 9, 0), fillRaw);              // top-right uncovered
            QCOMPARE(raw(v, 0, v.height() - 1), fillRaw); // bottom-left uncovered
        }
    }
    // On a palette the fill is the nearest entry.
    Bitmap mono = Bitmap::create(4, 4, 1, {qRgb(0, 0, 0), qRgb(250, 250, 250)});
    Bitmap out;
    QCOMPARE(shear(mono, 45, true, makeColorRef(200, 210, 220), out), result::Ok);
    QCOMPARE(out.width(), 8);
    QCOMPARE(raw(out, 7, 0), 1u);
    QCOMPARE(raw(out, 0, 3), 1u);
    QCOMPARE(raw(out, 3, 3), 0u);
    // No angle: the same image.
    QCOMPARE(shear(mono, 0, false, fill, out), result::Ok);
    QVERIFY(out == mono);
}

void TestAreaEffects::shearRefusesBadInput()
{
    const Bitmap in = patterned(24, 5, 5);
    Bitmap out = patterned(8, 3, 3);
    const Bitmap before = out;
    QCOMPARE(shear(in, 46, true, 0, out), result::NotAvailable);
    QCOMPARE(shear(in, -1, false, 0, out), result::NotAvailable);
    QCOMPARE(shear(Bitmap(), 10, true, 0, out), result::OutOfMemory);
    QVERIFY(out == before);
    // Growing past the largest side is refused, not attempted.
    const Bitmap tall = Bitmap::create(1, 40000, 8);
    QCOMPARE(shear(tall, 45, true, 0, out), result::OutOfMemory);
    QVERIFY(out == before);
}

QTEST_GUILESS_MAIN(TestAreaEffects)
#include "test_area_effects.moc"
