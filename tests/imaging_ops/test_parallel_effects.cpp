// The effects split large images into row bands run on several threads:
// the result must not depend on the number of threads, and the fast paths
// (3x3 median, tables for the box mean and sharpen, grey and saturation on
// 24-bit rows) must give what the plain definitions give.

#include "imaging/ops/AreaEffects.h"
#include "imaging/ops/IntensityMap.h"
#include "imaging/ops/Parallel.h"
#include "imaging/ops/PointEffects.h"

#include <QTest>

#include <algorithm>
#include <cstring>
#include <functional>
#include <mutex>
#include <new>
#include <vector>

using namespace ardane;
using namespace ardane::imaging;
using namespace ardane::imaging::ops;

namespace {

// Noise over gradients and hard edges, large enough to be split (more than
// kParallelPixels), with an odd width so that no row is a multiple of 16.
Bitmap randomImage(int bits, int w = 701, int h = 503)
{
    Bitmap b = Bitmap::create(w, h, bits);
    std::uint32_t seed = 99;
    for (int y = 0; y < h; ++y) {
        uchar* row = b.image().scanLine(y);
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 26) - 32;
            const int r = std::clamp(x * 255 / w + noise, 0, 255);
            const int g = ((x / 37 + y / 29) % 2) ? 230 : 20;
            const int bl = std::clamp(y * 255 / h - noise, 0, 255);
            if (bits == 24) {
                row[3 * x] = uchar(r);
                row[3 * x + 1] = uchar(g);
                row[3 * x + 2] = uchar(bl);
            } else {
                reinterpret_cast<QRgb*>(row)[x] = qRgba(r, g, bl, int(seed >> 8) & 255);
            }
        }
    }
    return b;
}

// The effect on a copy of `in` with at most `threads` threads.
Bitmap runWith(int threads, const Bitmap& in, const std::function<bool(Bitmap&)>& effect)
{
    detail::setThreadLimit(threads);
    Bitmap b = in;
    const bool ok = effect(b);
    detail::setThreadLimit(0);
    return ok ? b : Bitmap();
}

// The lower median of the clamped 3x3 window, channel by channel.
QRgb median3At(const Bitmap& b, int x, int y)
{
    int out[3];
    for (int c = 0; c < 3; ++c) {
        std::vector<int> v;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const QRgb p = b.pixelRgb(std::clamp(x + dx, 0, b.width() - 1), std::clamp(y + dy, 0, b.height() - 1));
                v.push_back(c == 0 ? qRed(p) : c == 1 ? qGreen(p) : qBlue(p));
            }
        std::sort(v.begin(), v.end());
        out[c] = v[4];
    }
    return qRgb(out[0], out[1], out[2]);
}

// The rounded mean of the size x size window (size odd), clamped at the border.
QRgb boxMeanAt(const Bitmap& b, int x, int y, int size)
{
    const int r = size / 2;
    long sum[3] = {0, 0, 0};
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
            const QRgb p = b.pixelRgb(std::clamp(x + dx, 0, b.width() - 1), std::clamp(y + dy, 0, b.height() - 1));
            sum[0] += qRed(p);
            sum[1] += qGreen(p);
            sum[2] += qBlue(p);
        }
    const long n = long(size) * size;
    return qRgb(int((sum[0] + n / 2) / n), int((sum[1] + n / 2) / n), int((sum[2] + n / 2) / n));
}

} // namespace

class TestParallelEffects : public QObject {
    Q_OBJECT
private slots:
    void sameResultOnOneAndTwoThreads_data()
    {
        QTest::addColumn<int>("bits");
        QTest::newRow("24 bits") << 24;
        QTest::newRow("32 bits") << 32;
    }
    void sameResultOnOneAndTwoThreads()
    {
        QFETCH(int, bits);
        const Bitmap in = randomImage(bits);
        IntensityMap curve = IntensityMap::identity();
        for (int i = 0; i < 256; ++i)
            curve.table[std::size_t(i)] = std::uint8_t((i * i) / 255);
        const std::vector<std::pair<const char*, std::function<bool(Bitmap&)>>> effects = {
            {"invert", [](Bitmap& b) { return invert(b); }},
            {"grayscale", [](Bitmap& b) { return grayscale(b); }},
            {"contrast", [](Bitmap& b) { return contrast(b, 400); }},
            {"gamma", [](Bitmap& b) { return gammaCorrect(b, 230); }},
            {"saturation", [](Bitmap& b) { return saturation(b, 700); }},
            {"hue", [](Bitmap& b) { return hue(b, 200); }},
            {"posterize", [](Bitmap& b) { return posterize(b, 5); }},
            {"histogram contrast", [](Bitmap& b) { return histogramContrast(b, 800); }},
            {"map green", [&curve](Bitmap& b) { return applyIntensityMap(b, IntensityChannel::Green, curve); }},
            {"median 3", [](Bitmap& b) { return medianFilter(b, 3); }},
            {"median 4", [](Bitmap& b) { return medianFilter(b, 4); }},
            {"average 5", [](Bitmap& b) { return average(b, 5); }},
            {"average 80", [](Bitmap& b) { return average(b, 80); }},
            {"mosaic 7", [](Bitmap& b) { return mosaic(b, 7); }},
            {"sharpen", [](Bitmap& b) { return sharpen(b, 600); }},
            {"soften", [](Bitmap& b) { return sharpen(b, -300); }},
            {"emboss", [](Bitmap& b) { return emboss(b, 5, 700); }},
            {"noise", [](Bitmap& b) { return addNoise(b, 400, 0); }},
        };
        for (const auto& effect : effects) {
            const Bitmap one = runWith(1, in, effect.second);
            const Bitmap two = runWith(2, in, effect.second);
            QVERIFY2(!one.isNull() && !two.isNull(), effect.first);
            QVERIFY2(!(one == in), effect.first); // every one of them changes this picture
            QVERIFY2(one == two, effect.first);
        }
    }

    void fastPathsMatchTheDefinitions()
    {
        const Bitmap in = randomImage(24, 131, 67);
        Bitmap m = in;
        QVERIFY(medianFilter(m, 3));
        Bitmap a = in;
        QVERIFY(average(a, 3));
        Bitmap a9 = in;
        QVERIFY(average(a9, 9));
        Bitmap g = in;
        QVERIFY(grayscale(g));
        Bitmap s = in;
        QVERIFY(saturation(s, 600));
        for (int y = 0; y < in.height(); ++y)
            for (int x = 0; x < in.width(); ++x) {
                QCOMPARE(m.pixelRgb(x, y), median3At(in, x, y));
                QCOMPARE(a.pixelRgb(x, y), boxMeanAt(in, x, y, 3));
                QCOMPARE(a9.pixelRgb(x, y), boxMeanAt(in, x, y, 9));
                const QRgb c = in.pixelRgb(x, y);
                const int l = luminance(qRed(c), qGreen(c), qBlue(c));
                QCOMPARE(g.pixelRgb(x, y), qRgb(l, l, l));
                // l + (c - l) * 1.6, rounded half away from zero and clamped.
                const auto sat = [l](int v) {
                    const int t = (v - l) * 1600;
                    return std::clamp(l + (t >= 0 ? (t + 500) / 1000 : -((-t + 500) / 1000)), 0, 255);
                };
                QCOMPARE(s.pixelRgb(x, y), qRgb(sat(qRed(c)), sat(qGreen(c)), sat(qBlue(c))));
            }
    }

    // Large images turn hues through a table: it must give what each colour
    // turned on its own gives (a small image, below the table's size).
    void hueTableMatchesTheColourByColourTurn()
    {
        const Bitmap tile = randomImage(24, 701, 503);
        Bitmap big = Bitmap::create(701 * 2, 503 * 3, 24);
        for (int y = 0; y < big.height(); ++y) {
            std::memcpy(big.image().scanLine(y), tile.image().constScanLine(y % 503), 701 * 3);
            std::memcpy(big.image().scanLine(y) + 701 * 3, tile.image().constScanLine(y % 503), 701 * 3);
        }
        for (const int degrees : {1, 120, 200, 359}) {
            Bitmap small = tile;
            QVERIFY(hue(small, degrees));
            Bitmap large = big;
            QVERIFY(hue(large, degrees));
            for (int y = 0; y < large.height(); ++y)
                QVERIFY2(std::memcmp(large.image().constScanLine(y), small.image().constScanLine(y % 503), 701 * 3) == 0
                             && std::memcmp(large.image().constScanLine(y) + 701 * 3, small.image().constScanLine(y % 503),
                                            701 * 3) == 0,
                         qPrintable(QStringLiteral("%1 degrees, row %2").arg(degrees).arg(y)));
        }
    }

    void threadLimitAndSmallImages()
    {
        detail::setThreadLimit(1);
        QCOMPARE(detail::workerCount(), 1);
        detail::setThreadLimit(0);
        QVERIFY(detail::workerCount() >= 1);
        // Bands cover every row once, whatever their number.
        for (const int rows : {0, 1, 2, 3, 1000}) {
            std::vector<int> seen(std::size_t(rows), 0);
            std::mutex lock;
            detail::forRowBands(rows, detail::kParallelPixels, [&](int first, int last) {
                const std::lock_guard<std::mutex> guard(lock);
                for (int y = first; y < last; ++y)
                    ++seen[std::size_t(y)];
            });
            QVERIFY(std::all_of(seen.begin(), seen.end(), [](int n) { return n == 1; }));
        }
        // An exception in a band (the last, on a worker thread when there
        // are two) reaches the caller.
        bool caught = false;
        try {
            detail::forRowBands(100, detail::kParallelPixels, [](int, int last) {
                if (last == 100)
                    throw std::bad_alloc();
            });
        } catch (const std::bad_alloc&) {
            caught = true;
        }
        QVERIFY(caught);
    }
};

QTEST_GUILESS_MAIN(TestParallelEffects)
#include "test_parallel_effects.moc"
