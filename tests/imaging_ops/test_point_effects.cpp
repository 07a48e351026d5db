// Point effects and intensity maps: pixel values on small images at every
// depth, palettes of indexed images, alpha of 32-bit images, histograms.

#include "imaging/ops/IntensityMap.h"
#include "imaging/ops/PointEffects.h"

#include <QElapsedTimer>
#include <QTest>

#include <cstring>
#include <functional>
#include <set>

using namespace ardane;
using namespace ardane::imaging;
using namespace ardane::imaging::ops;

namespace {

const int kDepths[] = {1, 4, 8, 16, 24, 32};

// Colours every depth stores exactly (5-bit channels widened: 0, 132, 255 ...).
const QRgb kColours[] = {qRgb(255, 0, 0),   qRgb(0, 255, 0),    qRgb(0, 0, 255),     qRgb(132, 66, 8),
                         qRgb(0, 0, 0),     qRgb(255, 255, 255), qRgb(198, 123, 33), qRgb(16, 41, 239)};

void setPixel(Bitmap& b, int x, int y, QRgb c)
{
    uchar* line = b.image().scanLine(y);
    switch (b.bitsPerPixel()) {
    case 16: {
        const auto v = std::uint16_t(((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3));
        std::memcpy(line + 2 * x, &v, 2);
        break;
    }
    case 24:
        line[3 * x] = uchar(qRed(c));
        line[3 * x + 1] = uchar(qGreen(c));
        line[3 * x + 2] = uchar(qBlue(c));
        break;
    case 32: std::memcpy(line + 4 * x, &c, 4); break;
    default: line[x] = uchar(c); break; // an index
    }
}

// An image of the colours above, one per pixel in turn; indexed images hold
// them in their palette (as many as fit) and use every index.
Bitmap sample(int bits, int w = 8, int h = 3, int alpha = 255)
{
    std::vector<QRgb> palette;
    const int entries = bits <= 8 ? std::min(1 << bits, 8) : 0;
    for (int i = 0; i < entries; ++i)
        palette.push_back(kColours[i]);
    Bitmap b = Bitmap::create(w, h, bits, palette);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int i = (x + y * 3) % 8;
            if (bits <= 8)
                setPixel(b, x, y, QRgb(i % entries));
            else
                setPixel(b, x, y, (kColours[i] & 0xFFFFFFu) | (QRgb(alpha) << 24));
        }
    return b;
}

Bitmap solid(int bits, QRgb c, int w = 4, int h = 2)
{
    Bitmap b = Bitmap::create(w, h, bits, bits <= 8 ? std::vector<QRgb>{c, qRgb(1, 2, 3)} : std::vector<QRgb>{});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setPixel(b, x, y, bits <= 8 ? 0 : c);
    return b;
}

std::vector<QRgb> allPixels(const Bitmap& b)
{
    std::vector<QRgb> out;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            out.push_back(b.pixelRgb(x, y));
    return out;
}

std::vector<int> indices(const Bitmap& b)
{
    std::vector<int> out;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            out.push_back(b.image().constScanLine(y)[x]);
    return out;
}

using Op = std::function<bool(Bitmap&)>;

struct NamedOp {
    const char* name;
    Op op;
};

std::vector<NamedOp> everyOp()
{
    return {
        {"invert", [](Bitmap& b) { return invert(b); }},
        {"grayscale", [](Bitmap& b) { return grayscale(b); }},
        {"contrast+600", [](Bitmap& b) { return contrast(b, 600); }},
        {"contrast-1000", [](Bitmap& b) { return contrast(b, -1000); }},
        {"contrast+1000", [](Bitmap& b) { return contrast(b, 1000); }},
        {"intensity-300", [](Bitmap& b) { return intensity(b, -300); }},
        {"gamma235", [](Bitmap& b) { return gammaCorrect(b, 235); }},
        {"saturation+800", [](Bitmap& b) { return saturation(b, 800); }},
        {"hue77", [](Bitmap& b) { return hue(b, 77); }},
        {"posterize5", [](Bitmap& b) { return posterize(b, 5); }},
        {"histogram+1000", [](Bitmap& b) { return histogramContrast(b, 1000); }},
        {"histogram-500", [](Bitmap& b) { return histogramContrast(b, -500); }},
        {"mapGreen", [](Bitmap& b) {
             IntensityMap m = IntensityMap::identity();
             m.table[0] = 77;
             return applyIntensityMap(b, IntensityChannel::Green, m);
         }},
    };
}

} // namespace

class TestPointEffects : public QObject {
    Q_OBJECT

private slots:
    // Every effect at every depth keeps size, depth, resolution and (indexed)
    // the indices; the copy the image was taken from stays untouched.
    void everyOpEveryDepth()
    {
        for (int bits : kDepths)
            for (const NamedOp& n : everyOp()) {
                Bitmap b = sample(bits);
                b.setResolution(300, 150);
                const Bitmap original = b;
                QVERIFY2(n.op(b), n.name);
                QCOMPARE(b.bitsPerPixel(), bits);
                QCOMPARE(b.width(), 8);
                QCOMPARE(b.height(), 3);
                QCOMPARE(b.xResolution(), 300);
                if (bits <= 8) {
                    QCOMPARE(indices(b), indices(original));
                    QCOMPARE(int(b.palette().size()), int(original.palette().size()));
                }
                QCOMPARE(allPixels(original), allPixels(sample(bits)));
            }
        Bitmap null;
        for (const NamedOp& n : everyOp())
            QVERIFY2(n.op(null) && null.isNull(), n.name);
    }

    void invertTwiceAndValues()
    {
        for (int bits : kDepths) {
            Bitmap b = sample(bits);
            const Bitmap original = b;
            QVERIFY(invert(b));
            QVERIFY(!(b == original));
            QVERIFY(invert(b));
            QVERIFY2(b == original, qPrintable(QString::number(bits)));
        }
        Bitmap b = solid(24, qRgb(10, 20, 30));
        QVERIFY(invert(b));
        QCOMPARE(b.pixelRgb(1, 1), qRgb(245, 235, 225));
        Bitmap p = solid(16, qRgb(132, 0, 255));
        QVERIFY(invert(p));
        QCOMPARE(p.pixelRgb(0, 0), qRgb(123, 255, 0));
    }

    void zeroIsIdentity()
    {
        const std::vector<NamedOp> ops = {
            {"contrast", [](Bitmap& b) { return contrast(b, 0); }},
            {"intensity", [](Bitmap& b) { return intensity(b, 0); }},
            {"saturation", [](Bitmap& b) { return saturation(b, 0); }},
            {"hue0", [](Bitmap& b) { return hue(b, 0); }},
            {"hue360", [](Bitmap& b) { return hue(b, 360); }},
            {"histogram", [](Bitmap& b) { return histogramContrast(b, 0); }},
            {"identityMap", [](Bitmap& b) { return applyIntensityMap(b, IntensityChannel::Master, IntensityMap::identity()); }},
        };
        for (int bits : kDepths)
            for (const NamedOp& n : ops) {
                Bitmap b = sample(bits, 8, 3, 0x40);
                const Bitmap original = b;
                QVERIFY(n.op(b));
                QVERIFY2(b == original, n.name);
            }
    }

    void intensityContrastExtremes()
    {
        for (int bits : kDepths) {
            Bitmap black = sample(bits), white = sample(bits), grey = sample(bits), thresh = sample(bits);
            QVERIFY(intensity(black, -1000));
            QVERIFY(intensity(white, 1000));
            QVERIFY(contrast(grey, -1000));
            QVERIFY(contrast(thresh, 1000));
            for (QRgb c : allPixels(black))
                QCOMPARE(c, qRgb(0, 0, 0));
            for (QRgb c : allPixels(white))
                QCOMPARE(c, qRgb(255, 255, 255));
            // 16 bits keeps five bits: 128 is stored as 16 and reads back as 132.
            const int mid = bits == 16 ? 132 : 128;
            for (QRgb c : allPixels(grey))
                QCOMPARE(c, qRgb(mid, mid, mid));
            for (QRgb c : allPixels(thresh))
                for (int v : {qRed(c), qGreen(c), qBlue(c)})
                    QVERIFY(v == 0 || v == 255);
        }
        // Linear in between: half way to black and to white.
        Bitmap b = solid(24, qRgb(100, 200, 0));
        QVERIFY(intensity(b, -500));
        QCOMPARE(b.pixelRgb(0, 0), qRgb(50, 100, 0));
        QVERIFY(intensity(b, 500));
        QCOMPARE(b.pixelRgb(0, 0), qRgb(153, 178, 128)); // 50 + 102.5, 100 + 77.5, 127.5
        // Contrast keeps the middle and pushes away from it.
        Bitmap c = solid(24, qRgb(100, 160, 128));
        QVERIFY(contrast(c, 500));
        QCOMPARE(c.pixelRgb(0, 0), qRgb(73, 193, 129)); // 127.5 + (v - 127.5) * 2
        QCOMPARE(contrastTable(1000)[127], 0);
        QCOMPARE(contrastTable(1000)[128], 255);
        QCOMPARE(contrastTable(5000), contrastTable(1000)); // clamped
    }

    void saturationToGreyAndStronger()
    {
        for (int bits : {16, 24, 32}) {
            Bitmap b = sample(bits);
            const std::vector<QRgb> before = allPixels(b);
            QVERIFY(saturation(b, -1000));
            const std::vector<QRgb> after = allPixels(b);
            for (std::size_t i = 0; i < before.size(); ++i) {
                const QRgb c = after[i];
                QCOMPARE(qRed(c), qGreen(c));
                QCOMPARE(qGreen(c), qBlue(c));
                if (bits != 16)
                    QCOMPARE(qRed(c), int(luminance(qRed(before[i]), qGreen(before[i]), qBlue(before[i]))));
            }
        }
        Bitmap g = sample(8);
        Bitmap s = g;
        QVERIFY(grayscale(g));
        QVERIFY(saturation(s, -1000));
        QCOMPARE(g.palette(), s.palette());
        // Doubling the distance from grey (luminance 155 here), clamped at the ends.
        Bitmap b = solid(24, qRgb(200, 150, 60));
        QCOMPARE(int(luminance(200, 150, 60)), 155);
        QVERIFY(saturation(b, 1000));
        QCOMPARE(b.pixelRgb(0, 0), qRgb(245, 145, 0));
    }

    void gammaBrightens()
    {
        for (int v : {220, 235, 250}) {
            const ChannelTable t = gammaTable(v);
            QCOMPARE(t[0], 0);
            QCOMPARE(t[255], 255);
            QVERIFY(t[128] > 170);
            for (int i = 1; i < 256; ++i)
                QVERIFY(t[std::size_t(i)] >= t[std::size_t(i - 1)]);
        }
        QVERIFY(gammaTable(250)[128] > gammaTable(220)[128]);
        QCOMPARE(gammaTable(100), gammaTable(220)); // clamped to the range
        Bitmap b = Bitmap::create(3, 1, 24);
        setPixel(b, 0, 0, qRgb(0, 0, 0));
        setPixel(b, 1, 0, qRgb(255, 255, 255));
        setPixel(b, 2, 0, qRgb(128, 128, 128));
        QVERIFY(gammaCorrect(b, 220));
        QCOMPARE(b.pixelRgb(0, 0), qRgb(0, 0, 0));
        QCOMPARE(b.pixelRgb(1, 0), qRgb(255, 255, 255));
        QCOMPARE(b.pixelRgb(2, 0), qRgb(186, 186, 186)); // 255 * (128/255)^(1/2.2) = 186.1
    }

    void hueTurns()
    {
        for (int bits : kDepths) {
            Bitmap r = solid(bits, qRgb(255, 0, 0));
            QVERIFY(hue(r, 120));
            for (QRgb c : allPixels(r))
                QCOMPARE(c, qRgb(0, 255, 0));
            Bitmap g = solid(bits, qRgb(0, 255, 0));
            QVERIFY(hue(g, 120));
            QCOMPARE(g.pixelRgb(0, 0) & 0xFFFFFFu, qRgb(0, 0, 255) & 0xFFFFFFu);
        }
        Bitmap b = Bitmap::create(3, 1, 24);
        setPixel(b, 0, 0, qRgb(255, 0, 0));
        setPixel(b, 1, 0, qRgb(132, 66, 8)); // hue 28 degrees
        setPixel(b, 2, 0, qRgb(90, 90, 90));
        QVERIFY(hue(b, 180));
        QCOMPARE(b.pixelRgb(0, 0), qRgb(0, 255, 255));
        QCOMPARE(b.pixelRgb(1, 0), qRgb(8, 74, 132)); // hue 208, same value and saturation
        QCOMPARE(b.pixelRgb(2, 0), qRgb(90, 90, 90)); // greys have no hue
        // Three turns of 120 come back where they started.
        Bitmap s = sample(24);
        const Bitmap original = s;
        for (int i = 0; i < 3; ++i)
            QVERIFY(hue(s, 120));
        QVERIFY(s == original);
    }

    void posterizeLevels()
    {
        for (int bits : kDepths) {
            Bitmap b = sample(bits);
            QVERIFY(posterize(b, 2));
            for (QRgb c : allPixels(b))
                for (int v : {qRed(c), qGreen(c), qBlue(c)})
                    QVERIFY2(v == 0 || v == 255, qPrintable(QString("%1 bits: %2").arg(bits).arg(v)));
        }
        for (int levels : {2, 3, 7, 33, 64}) {
            const ChannelTable t = posterizeTable(levels);
            const std::set<int> values(t.begin(), t.end());
            QCOMPARE(int(values.size()), levels);
            QCOMPARE(*values.begin(), 0);
            QCOMPARE(*values.rbegin(), 255);
        }
        QCOMPARE(posterizeTable(3)[100], 128);
        QCOMPARE(posterizeTable(3)[60], 0);
        QCOMPARE(posterizeTable(1), posterizeTable(2));
    }

    void histogramContrastStretches()
    {
        // Four greys close together spread over the whole range, in order.
        Bitmap b = Bitmap::create(4, 1, 24);
        for (int x = 0; x < 4; ++x)
            setPixel(b, x, 0, qRgb(100 + x, 100 + x, 100 + x));
        Bitmap half = b;
        QVERIFY(histogramContrast(b, 1000));
        QCOMPARE(b.pixelRgb(0, 0), qRgb(0, 0, 0));
        QCOMPARE(b.pixelRgb(1, 0), qRgb(85, 85, 85));
        QCOMPARE(b.pixelRgb(2, 0), qRgb(170, 170, 170));
        QCOMPARE(b.pixelRgb(3, 0), qRgb(255, 255, 255));
        QVERIFY(histogramContrast(half, 500));
        QCOMPARE(half.pixelRgb(3, 0), qRgb(179, 179, 179)); // 103 + (255 - 103) / 2
        QCOMPARE(half.pixelRgb(0, 0), qRgb(50, 50, 50));
        // Negative values flatten toward mid grey.
        for (int bits : kDepths) {
            Bitmap f = sample(bits);
            QVERIFY(histogramContrast(f, -1000));
            const int mid = bits == 16 ? 132 : 128;
            for (QRgb c : allPixels(f))
                QCOMPARE(c, qRgb(mid, mid, mid));
        }
        Bitmap f = solid(24, qRgb(0, 255, 128));
        QVERIFY(histogramContrast(f, -500));
        QCOMPARE(f.pixelRgb(0, 0), qRgb(64, 191, 128));
        // One flat colour has nothing to stretch.
        Bitmap one = solid(24, qRgb(40, 40, 40));
        QVERIFY(histogramContrast(one, 1000));
        QCOMPARE(one.pixelRgb(0, 0), qRgb(40, 40, 40));
    }

    void indexedChangesPalette()
    {
        for (int bits : {1, 4, 8}) {
            Bitmap b = sample(bits);
            const std::vector<int> before = indices(b);
            const std::vector<QRgb> palette = b.palette();
            QVERIFY(invert(b));
            QCOMPARE(indices(b), before);
            const std::vector<QRgb> inverted = b.palette();
            QCOMPARE(inverted.size(), palette.size());
            for (std::size_t i = 0; i < palette.size(); ++i)
                QCOMPARE(inverted[i] & 0xFFFFFFu, ~palette[i] & 0xFFFFFFu);
            QVERIFY(grayscale(b));
            QCOMPARE(indices(b), before);
            for (QRgb c : b.palette())
                QVERIFY(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
        }
    }

    void alphaKept()
    {
        for (const NamedOp& n : everyOp()) {
            Bitmap b = sample(32, 8, 3, 0x40);
            setPixel(b, 0, 0, qRgba(10, 200, 30, 0));
            setPixel(b, 1, 0, qRgba(255, 0, 0, 255));
            QVERIFY(n.op(b));
            QCOMPARE(qAlpha(b.pixelRgb(0, 0)), 0);
            QCOMPARE(qAlpha(b.pixelRgb(1, 0)), 255);
            QCOMPARE(qAlpha(b.pixelRgb(2, 0)), 0x40);
            QCOMPARE(qAlpha(b.pixelRgb(7, 2)), 0x40);
        }
        Bitmap b = solid(32, qRgba(10, 20, 30, 0x80));
        QVERIFY(invert(b));
        QCOMPARE(b.pixelRgb(0, 0), qRgba(245, 235, 225, 0x80));
    }

    void histograms()
    {
        // Pixels: red, green, blue, (132, 66, 8), black, white, ... cycling.
        Bitmap b = Bitmap::create(4, 2, 24);
        const QRgb px[] = {qRgb(255, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(132, 66, 8),
                           qRgb(0, 0, 0),   qRgb(255, 255, 255), qRgb(0, 0, 255), qRgb(132, 66, 8)};
        for (int i = 0; i < 8; ++i)
            setPixel(b, i % 4, i / 4, px[i]);
        for (int bits : {16, 24, 32}) {
            Bitmap c = Bitmap::create(4, 2, bits);
            for (int i = 0; i < 8; ++i)
                setPixel(c, i % 4, i / 4, px[i]);
            const auto red = computeHistogram(c, IntensityChannel::Red);
            QCOMPARE(red[255], 3u);
            QCOMPARE(red[132], 2u);
            QCOMPARE(red[0], 3u);
            const auto green = computeHistogram(c, IntensityChannel::Green);
            QCOMPARE(green[255], 2u);
            QCOMPARE(green[66], 2u);
            QCOMPARE(green[0], 4u);
            const auto blue = computeHistogram(c, IntensityChannel::Blue);
            QCOMPARE(blue[255], 2u);
            QCOMPARE(blue[8], 2u);
            QCOMPARE(blue[0], 4u);
            const auto master = computeHistogram(c, IntensityChannel::Master);
            QCOMPARE(master[luminance(255, 0, 0)], 2u);
            QCOMPARE(master[luminance(0, 255, 0)], 1u);
            QCOMPARE(master[luminance(132, 66, 8)], 2u);
            QCOMPARE(master[0], 1u);
            QCOMPARE(master[255], 1u);
            QCOMPARE(master[luminance(0, 0, 255)], 1u);
        }
        // Indexed pixels count with their palette colour.
        Bitmap p = Bitmap::create(3, 2, 8, {qRgb(10, 20, 30), qRgb(10, 99, 0), qRgb(7, 7, 7)});
        const int idx[] = {0, 1, 1, 2, 0, 0};
        for (int i = 0; i < 6; ++i)
            setPixel(p, i % 3, i / 3, QRgb(idx[i]));
        const auto red = computeHistogram(p, IntensityChannel::Red);
        QCOMPARE(red[10], 5u);
        QCOMPARE(red[7], 1u);
        const auto green = computeHistogram(p, IntensityChannel::Green);
        QCOMPARE(green[20], 3u);
        QCOMPARE(green[99], 2u);
        QCOMPARE(computeHistogram(p, IntensityChannel::Master)[7], 1u);
        QCOMPARE(computeHistogram(Bitmap(), IntensityChannel::Red)[0], 0u);
    }

    void mapOneChannel()
    {
        IntensityMap m;
        for (int i = 0; i < 256; ++i)
            m.table[std::size_t(i)] = std::uint8_t(255 - i);
        const IntensityChannel channels[] = {IntensityChannel::Red, IntensityChannel::Green, IntensityChannel::Blue};
        for (int bits : kDepths)
            for (int k = 0; k < 3; ++k) {
                Bitmap b = sample(bits, 8, 3, 0x40);
                const std::vector<QRgb> before = allPixels(b);
                QVERIFY(applyIntensityMap(b, channels[k], m));
                const std::vector<QRgb> after = allPixels(b);
                const int shift = 16 - 8 * k;
                for (std::size_t i = 0; i < before.size(); ++i) {
                    const QRgb mask = 0xFFu << shift;
                    QCOMPARE(after[i] & ~mask, before[i] & ~mask);
                    QCOMPARE(int((after[i] >> shift) & 255), 255 - int((before[i] >> shift) & 255));
                }
                if (bits == 32)
                    QCOMPARE(qAlpha(b.pixelRgb(3, 1)), 0x40);
            }
        Bitmap b = solid(24, qRgb(1, 2, 3));
        QVERIFY(applyIntensityMap(b, IntensityChannel::Master, m));
        QCOMPARE(b.pixelRgb(0, 0), qRgb(254, 253, 252));
    }

    // Not a check of speed: prints how long the effects take on a 24-megapixel
    // photograph-sized image, and checks one pixel so the work is not skipped.
    void timingOn24Megapixels()
    {
        Bitmap b = Bitmap::create(6000, 4000, 24);
        QVERIFY(!b.isNull());
        for (int y = 0; y < b.height(); ++y) {
            uchar* line = b.image().scanLine(y);
            for (int x = 0; x < b.width() * 3; ++x)
                line[x] = uchar(x * 7 + y);
        }
        const QRgb before = b.pixelRgb(4321, 1234);
        const std::vector<NamedOp> ops = {
            {"invert", [](Bitmap& m) { return invert(m); }},
            {"gamma", [](Bitmap& m) { return gammaCorrect(m, 235); }},
            {"grayscale", [](Bitmap& m) { return grayscale(m); }},
            {"saturation", [](Bitmap& m) { return saturation(m, 500); }},
            {"hue", [](Bitmap& m) { return hue(m, 90); }},
            {"histogramContrast", [](Bitmap& m) { return histogramContrast(m, 700); }},
        };
        for (const NamedOp& n : ops) {
            Bitmap work = b;
            QElapsedTimer t;
            t.start();
            QVERIFY(n.op(work));
            qInfo("%s on 6000x4000 at 24 bits: %lld ms (including the private copy)", n.name, t.elapsed());
            if (std::string_view(n.name) == "invert")
                QCOMPARE(work.pixelRgb(4321, 1234), qRgb(255 - qRed(before), 255 - qGreen(before), 255 - qBlue(before)));
        }
        QElapsedTimer t;
        t.start();
        QVERIFY(invert(b));
        qInfo("invert in place, pixels already its own: %lld ms", t.elapsed());
    }
};

QTEST_GUILESS_MAIN(TestPointEffects)
#include "test_point_effects.moc"
