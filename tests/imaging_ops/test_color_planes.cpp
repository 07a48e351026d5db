// Colour separation: plane values of known colours, exact round trips for
// RGB, CMY and CMYK at every depth, the measured bounds of HSV and HLS over
// every 24-bit colour, edited planes, planes of other sizes and depths, errors.

#include "imaging/ops/ColorPlanes.h"

#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <random>

using namespace ardane::imaging;
using namespace ardane::imaging::ops;

namespace {

constexpr int kRgb = int(PlaneModel::RGB);
constexpr int kCmyk = int(PlaneModel::CMYK);
constexpr int kHsv = int(PlaneModel::HSV);
constexpr int kHls = int(PlaneModel::HLS);
constexpr int kCmy = int(PlaneModel::CMY);

// A picture of random pixels at `bits`; indexed ones get a random palette of
// 2^bits colours and use all of it.
Bitmap randomBitmap(int bits, int w, int h, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<QRgb> palette;
    if (bits <= 8)
        for (int i = 0; i < (1 << bits); ++i)
            palette.push_back(qRgb(int(rng() & 255), int(rng() & 255), int(rng() & 255)));
    Bitmap b = Bitmap::create(w, h, bits, palette);
    for (int y = 0; y < h; ++y) {
        uchar* line = b.image().scanLine(y);
        for (int x = 0; x < w; ++x) {
            switch (bits) {
            case 16: {
                const auto v = std::uint16_t(rng() & 0x7FFF);
                std::memcpy(line + 2 * x, &v, 2);
                break;
            }
            case 24:
                for (int c = 0; c < 3; ++c)
                    line[3 * x + c] = uchar(rng());
                break;
            case 32: {
                const QRgb v = QRgb(rng());
                std::memcpy(line + 4 * x, &v, 4);
                break;
            }
            default: line[x] = uchar(rng() % (1u << bits)); break;
            }
        }
    }
    return b;
}

// Every 24-bit colour once: red and green across a 4096 x 4096 picture in
// 256 x 256 tiles, blue from the tile.
Bitmap everyColour()
{
    Bitmap b = Bitmap::create(4096, 4096, 24);
    for (int y = 0; y < 4096; ++y) {
        uchar* line = b.image().scanLine(y);
        for (int x = 0; x < 4096; ++x, line += 3) {
            line[0] = uchar(x & 255);
            line[1] = uchar(y & 255);
            line[2] = uchar((y >> 8) * 16 + (x >> 8));
        }
    }
    return b;
}

Bitmap oneColour(QRgb c, int w = 3, int h = 2)
{
    Bitmap b = Bitmap::create(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uchar* p = b.image().scanLine(y) + 3 * x;
            p[0] = uchar(qRed(c));
            p[1] = uchar(qGreen(c));
            p[2] = uchar(qBlue(c));
        }
    return b;
}

int greyAt(const Bitmap& plane, int x, int y) { return plane.image().constScanLine(y)[x]; }

// Colours without alpha.
bool sameColours(const Bitmap& a, const Bitmap& b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixelRgb(x, y) & 0xFFFFFFu) != (b.pixelRgb(x, y) & 0xFFFFFFu))
                return false;
    return true;
}

void invertPlane(Bitmap& plane)
{
    for (int y = 0; y < plane.height(); ++y) {
        uchar* line = plane.image().scanLine(y);
        for (int x = 0; x < plane.width(); ++x)
            line[x] = uchar(255 - line[x]);
    }
}

} // namespace

class TestColorPlanes : public QObject {
    Q_OBJECT
private slots:
    void countsAndErrors()
    {
        QCOMPARE(planeCount(kRgb), 3);
        QCOMPARE(planeCount(kCmyk), 4);
        QCOMPARE(planeCount(kHsv), 3);
        QCOMPARE(planeCount(kHls), 3);
        QCOMPARE(planeCount(kCmy), 3);
        QCOMPARE(planeCount(-1), 0);
        QCOMPARE(planeCount(5), 0);

        const Bitmap image = oneColour(qRgb(10, 20, 30));
        std::vector<Bitmap> planes(2, oneColour(qRgb(1, 2, 3)));
        const std::vector<Bitmap> before = planes;
        QCOMPARE(splitPlanes(image, 5, planes), result::NotAvailable);
        QCOMPARE(splitPlanes(image, -1, planes), result::NotAvailable);
        QCOMPARE(splitPlanes(Bitmap{}, kRgb, planes), result::OutOfMemory);
        QVERIFY(planes == before);

        std::vector<Bitmap> three;
        QCOMPARE(splitPlanes(image, kRgb, three), result::Ok);
        Bitmap out = oneColour(qRgb(9, 9, 9));
        const Bitmap outBefore = out;
        QCOMPARE(mergePlanes(three, kCmyk, out), result::NotAvailable); // CMYK needs four
        QCOMPARE(mergePlanes(three, 7, out), result::NotAvailable);
        QCOMPARE(mergePlanes({}, kRgb, out), result::NotAvailable);
        three.pop_back();
        QCOMPARE(mergePlanes(three, kRgb, out), result::NotAvailable);
        QCOMPARE(mergePlanes(std::vector<Bitmap>(3), kRgb, out), result::OutOfMemory); // no pixels at all
        QVERIFY(out == outBefore);
    }

    void planesOfKnownColours_data()
    {
        QTest::addColumn<QRgb>("colour");
        QTest::addColumn<int>("model");
        QTest::addColumn<QList<int>>("expected");
        const QRgb red = qRgb(255, 0, 0);
        QTest::newRow("red rgb (blue first)") << red << kRgb << QList<int>{0, 0, 255};
        QTest::newRow("red cmy") << red << kCmy << QList<int>{0, 255, 255};
        QTest::newRow("red cmyk") << red << kCmyk << QList<int>{0, 255, 255, 0};
        QTest::newRow("red hsv") << red << kHsv << QList<int>{0, 255, 255};
        QTest::newRow("red hls") << red << kHls << QList<int>{0, 128, 255};
        QTest::newRow("rgb order") << qRgb(10, 20, 30) << kRgb << QList<int>{30, 20, 10};
        QTest::newRow("green hsv") << qRgb(0, 255, 0) << kHsv << QList<int>{85, 255, 255};   // 120 degrees
        QTest::newRow("blue hsv") << qRgb(0, 0, 255) << kHsv << QList<int>{171, 255, 255};   // 240 degrees
        QTest::newRow("yellow hsv") << qRgb(255, 255, 0) << kHsv << QList<int>{43, 255, 255}; // 60 degrees
        QTest::newRow("magenta hsv") << qRgb(255, 0, 255) << kHsv << QList<int>{213, 255, 255}; // 300 degrees
        QTest::newRow("brick hsv") << qRgb(200, 100, 50) << kHsv << QList<int>{14, 191, 200};
        QTest::newRow("brick hls") << qRgb(200, 100, 50) << kHls << QList<int>{14, 125, 153};
        QTest::newRow("brick cmyk") << qRgb(200, 100, 50) << kCmyk << QList<int>{0, 100, 150, 55};
        QTest::newRow("dark hls") << qRgb(40, 10, 20) << kHls << QList<int>{242, 25, 153};
        QTest::newRow("pale hls") << qRgb(250, 200, 240) << kHls << QList<int>{222, 225, 213};
        QTest::newRow("grey cmyk") << qRgb(128, 128, 128) << kCmyk << QList<int>{0, 0, 0, 127};
        QTest::newRow("grey hsv") << qRgb(128, 128, 128) << kHsv << QList<int>{0, 0, 128};
        QTest::newRow("grey hls") << qRgb(77, 77, 77) << kHls << QList<int>{0, 77, 0};
        QTest::newRow("white hls") << qRgb(255, 255, 255) << kHls << QList<int>{0, 255, 0};
        QTest::newRow("black hsv") << qRgb(0, 0, 0) << kHsv << QList<int>{0, 0, 0};
        QTest::newRow("black cmyk") << qRgb(0, 0, 0) << kCmyk << QList<int>{0, 0, 0, 255};
    }
    void planesOfKnownColours()
    {
        QFETCH(QRgb, colour);
        QFETCH(int, model);
        QFETCH(QList<int>, expected);
        Bitmap image = oneColour(colour, 3, 2);
        image.setResolution(300, 150);
        std::vector<Bitmap> planes;
        QCOMPARE(splitPlanes(image, model, planes), result::Ok);
        QCOMPARE(int(planes.size()), int(expected.size()));
        for (std::size_t i = 0; i < planes.size(); ++i) {
            const Bitmap& p = planes[i];
            QCOMPARE(p.bitsPerPixel(), 8);
            QCOMPARE(p.width(), 3);
            QCOMPARE(p.height(), 2);
            QCOMPARE(p.xResolution(), 300);
            QCOMPARE(p.yResolution(), 150);
            QCOMPARE(p.image().colorCount(), 256);
            QCOMPARE(p.image().color(200), qRgb(200, 200, 200));
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x)
                    QCOMPARE(greyAt(p, x, y), expected[qsizetype(i)]);
        }
    }

    void exactModelsRoundTripAtEveryDepth()
    {
        for (const int bits : {1, 4, 8, 16, 24, 32}) {
            // Odd width, and wide enough at 24 bits to take the two-band path.
            const Bitmap image = bits == 24 ? randomBitmap(24, 1031, 517, 7) : randomBitmap(bits, 37, 19, unsigned(bits));
            for (const int model : {kRgb, kCmy, kCmyk}) {
                std::vector<Bitmap> planes;
                QCOMPARE(splitPlanes(image, model, planes), result::Ok);
                Bitmap merged;
                QCOMPARE(mergePlanes(planes, model, merged), result::Ok);
                QCOMPARE(merged.bitsPerPixel(), 24);
                QVERIFY2(sameColours(merged, image), qPrintable(QStringLiteral("model %1 at %2 bits").arg(model).arg(bits)));
            }
        }
    }

    // Over every 24-bit colour: value and saturation (HSV) give back the
    // largest and smallest channel exactly, lightness and saturation (HLS)
    // within one level; with the hue's 256 steps the middle channel comes
    // back within three levels (HSV) and four (HLS). Greys are exact.
    void hueModelsKeepTheirMeasuredBounds()
    {
        const Bitmap image = everyColour();
        for (const int model : {kHsv, kHls}) {
            std::vector<Bitmap> planes;
            QElapsedTimer timer;
            timer.start();
            QCOMPARE(splitPlanes(image, model, planes), result::Ok);
            const qint64 splitMs = timer.restart();
            Bitmap merged;
            QCOMPARE(mergePlanes(planes, model, merged), result::Ok);
            const qint64 mergeMs = timer.elapsed();
            qInfo("model %d, 16.8 megapixels: split %lld ms, merge %lld ms", model, splitMs, mergeMs);
            int worstMax = 0;
            int worstMin = 0;
            int worstChannel = 0;
            int greysWrong = 0;
            for (int y = 0; y < 4096; ++y) {
                const uchar* a = image.image().constScanLine(y);
                const uchar* b = merged.image().constScanLine(y);
                for (int x = 0; x < 4096; ++x, a += 3, b += 3) {
                    worstMax = std::max(worstMax, std::abs(std::max({a[0], a[1], a[2]}) - std::max({b[0], b[1], b[2]})));
                    worstMin = std::max(worstMin, std::abs(std::min({a[0], a[1], a[2]}) - std::min({b[0], b[1], b[2]})));
                    for (int c = 0; c < 3; ++c)
                        worstChannel = std::max(worstChannel, std::abs(a[c] - b[c]));
                    if (a[0] == a[1] && a[1] == a[2] && (b[0] != a[0] || b[1] != a[0] || b[2] != a[0]))
                        ++greysWrong;
                }
            }
            qInfo("model %d: largest channel off by %d, smallest by %d, any channel by %d", model, worstMax,
                  worstMin, worstChannel);
            QCOMPARE(greysWrong, 0);
            QCOMPARE(worstMax, model == kHsv ? 0 : 1);
            QCOMPARE(worstMin, model == kHsv ? 0 : 1);
            QCOMPARE(worstChannel, model == kHsv ? 3 : 4);
        }
    }

    void editedPlaneChangesItsChannelOnly()
    {
        const Bitmap image = randomBitmap(24, 23, 11, 99);
        {
            std::vector<Bitmap> planes;
            QCOMPARE(splitPlanes(image, kRgb, planes), result::Ok);
            invertPlane(planes[1]); // green
            Bitmap merged;
            QCOMPARE(mergePlanes(planes, kRgb, merged), result::Ok);
            for (int y = 0; y < 11; ++y)
                for (int x = 0; x < 23; ++x) {
                    const QRgb a = image.pixelRgb(x, y);
                    const QRgb b = merged.pixelRgb(x, y);
                    QCOMPARE(qRed(b), qRed(a));
                    QCOMPARE(qGreen(b), 255 - qGreen(a));
                    QCOMPARE(qBlue(b), qBlue(a));
                }
        }
        {
            std::vector<Bitmap> planes;
            QCOMPARE(splitPlanes(image, kCmyk, planes), result::Ok);
            invertPlane(planes[3]); // black: 255 - k over c, m, y, clipped at 0
            Bitmap merged;
            QCOMPARE(mergePlanes(planes, kCmyk, merged), result::Ok);
            for (int y = 0; y < 11; ++y)
                for (int x = 0; x < 23; ++x) {
                    const QRgb a = image.pixelRgb(x, y);
                    const QRgb b = merged.pixelRgb(x, y);
                    const int k = 255 - std::max({qRed(a), qGreen(a), qBlue(a)});
                    const auto expect = [k](int channel) { return std::max(0, channel + k - (255 - k)); };
                    QCOMPARE(qRed(b), expect(qRed(a)));
                    QCOMPARE(qGreen(b), expect(qGreen(a)));
                    QCOMPARE(qBlue(b), expect(qBlue(a)));
                }
        }
        {
            // No saturation leaves the greys of the value.
            std::vector<Bitmap> planes;
            QCOMPARE(splitPlanes(image, kHsv, planes), result::Ok);
            planes[1].image().fill(0);
            Bitmap merged;
            QCOMPARE(mergePlanes(planes, kHsv, merged), result::Ok);
            for (int y = 0; y < 11; ++y)
                for (int x = 0; x < 23; ++x) {
                    const QRgb a = image.pixelRgb(x, y);
                    const int v = std::max({qRed(a), qGreen(a), qBlue(a)});
                    QCOMPARE(merged.pixelRgb(x, y), qRgb(v, v, v));
                }
        }
    }

    // Planes of other sizes lie at the top-left, missing parts reading 0;
    // planes of other depths are read as their luminance.
    void mergeTakesPlanesOfAnySizeAndDepth()
    {
        Bitmap blue = Bitmap::create(4, 3, 8);
        blue.image().fill(40);
        Bitmap green = Bitmap::create(6, 2, 24); // read as luminance
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 6; ++x) {
                uchar* p = green.image().scanLine(y) + 3 * x;
                p[0] = 200;
                p[1] = 100;
                p[2] = 50;
            }
        Bitmap red = Bitmap::create(2, 5, 1, {qRgb(0, 0, 0), qRgb(255, 255, 255)});
        red.image().fill(1);
        red.setResolution(72, 144); // the first plane's resolution wins
        blue.setResolution(200, 100);
        Bitmap merged;
        QCOMPARE(mergePlanes({blue, green, red}, kRgb, merged), result::Ok);
        QCOMPARE(merged.width(), 6);
        QCOMPARE(merged.height(), 5);
        QCOMPARE(merged.bitsPerPixel(), 24);
        QCOMPARE(merged.xResolution(), 200);
        QCOMPARE(merged.yResolution(), 100);
        const int greenGrey = luminance(200, 100, 50);
        QCOMPARE(greenGrey, 124);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) {
                const QRgb expected = qRgb(x < 2 ? 255 : 0, x < 6 && y < 2 ? greenGrey : 0, x < 4 && y < 3 ? 40 : 0);
                QCOMPARE(merged.pixelRgb(x, y), expected);
            }
        // A null plane is a plane of no pixels.
        QCOMPARE(mergePlanes({blue, Bitmap{}, Bitmap{}}, kCmy, merged), result::Ok);
        QCOMPARE(merged.pixelRgb(0, 0), qRgb(215, 255, 255));
        QCOMPARE(merged.width(), 4);
        QCOMPARE(merged.height(), 3);
        QCOMPARE(merged.pixelRgb(3, 2), qRgb(215, 255, 255));
    }
};

QTEST_GUILESS_MAIN(TestColorPlanes)
#include "test_color_planes.moc"
