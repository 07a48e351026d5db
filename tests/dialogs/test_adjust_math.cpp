// The arithmetic of the intensity-adjustment dialogs: the curve's B-spline
// samples worked out by hand, the remap table built from samples, and the
// histogram bar heights.

#include "dialogs/AdjustMath.h"
#include "imaging/ImagingControl.h"

#include <QImage>
#include <QtTest>

using namespace ardane;

namespace {

std::vector<QPoint> pts(std::initializer_list<QPoint> list)
{
    return std::vector<QPoint>(list);
}

} // namespace

class TestAdjustMath : public QObject {
    Q_OBJECT
private slots:
    void channelCodes();
    void splineOfTwoPoints();
    void splineOfThreePoints();
    void splineOfOneRepeatedPoint();
    void remapFromHandSamples();
    void heightsFromCounts();
    void heightsFromImage();
};

void TestAdjustMath::channelCodes()
{
    QCOMPARE(adjust::channelCode(0), 1);
    QCOMPARE(adjust::channelCode(1), 2);
    QCOMPARE(adjust::channelCode(2), 3);
    QCOMPARE(adjust::channelCode(3), 0);
    QCOMPARE(adjust::channelCode(-1), 1);
    QCOMPARE(adjust::channelCode(4), 1);
    QCOMPARE(QString::fromLatin1(adjust::kChannelNames[3]), QStringLiteral("MASTER(RGB)"));
}

void TestAdjustMath::splineOfTwoPoints()
{
    // Padded p0 p0 p1 p1 p1 p1. Segment 0 (p0 p0 p1 p1) runs
    // x = 6 (B2 + B3) = -2t^3 + 3t^2 + 3t + 1 from 1 to 5, y = 2x before
    // truncation; segment 1 (p0 p1 p1 p1) runs x = 6 - (1 - t)^3 from 5 to 6.
    // Every half-unit of x is reached (steps of at most 0.09), so the samples
    // are each (trunc x, trunc 2x) in turn.
    const auto samples = adjust::sampleCurve(pts({{0, 0}, {6, 12}}));
    const auto expected = pts({{0, 0}, {1, 2}, {1, 3}, {2, 4}, {2, 5}, {3, 6}, {3, 7}, {4, 8}, {4, 9},
                               {5, 10}, {5, 11}, {6, 12}});
    QCOMPARE(samples, expected);

    // A flat pair: every sample on y = 0, one per column.
    QCOMPARE(adjust::sampleCurve(pts({{0, 0}, {6, 0}})),
             pts({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}}));

    // Larger: segment 0 starts at 1/6 of the way, (50/6, 100/6) -> (8, 16),
    // passes (25, 50) at t = 0.5 and ends at 5/6, (41, 83), which segment 1
    // starts on and is not repeated.
    const auto big = adjust::sampleCurve(pts({{0, 0}, {50, 100}}));
    QCOMPARE(big.front(), QPoint(0, 0));
    QCOMPARE(big[1], QPoint(8, 16));
    QCOMPARE(big.back(), QPoint(50, 100));
    QCOMPARE(std::count(big.begin(), big.end(), QPoint(25, 50)), 1);
    QCOMPARE(std::count(big.begin(), big.end(), QPoint(41, 83)), 1);
    for (std::size_t i = 1; i < big.size(); ++i) {
        QVERIFY(big[i] != big[i - 1]);
        QVERIFY(big[i].x() >= big[i - 1].x());
    }
}

void TestAdjustMath::splineOfThreePoints()
{
    // p0 (0,0), p1 (6,6), p2 (12,0); padded p0 p0 p1 p2 p2 p2 p2.
    // Segment 0: x = -t^3 + 3t^2 + 3t + 1, y = -3t^3 + 3t^2 + 3t + 1.
    // Segment 1: x = -t^3 + 6t + 6, y = 3t^3 - 6t^2 + 4.
    // Segment 2: x = 12 - (1 - t)^3, y = (1 - t)^3.
    const auto s = adjust::sampleCurve(pts({{0, 0}, {6, 6}, {12, 0}}));
    QCOMPARE(s.front(), QPoint(0, 0));
    QCOMPARE(s[1], QPoint(1, 1));           // segment 0, t = 0
    QCOMPARE(s.back(), QPoint(12, 0));      // segment 2, t = 1
    auto has = [&s](QPoint p) { return std::count(s.begin(), s.end(), p) == 1; };
    QVERIFY(has({6, 4}));   // end of segment 0 = start of segment 1
    QVERIFY(has({2, 2}));   // segment 0, t = 0.3: x 2.143, y 2.089
    QVERIFY(has({8, 2}));   // segment 1, t = 0.5: x 8.875, y 2.875
    QVERIFY(has({11, 1}));  // end of segment 1 = start of segment 2
    // Segment 2 at t = 0.02: x = 12 - 0.941192 = 11.058808 -> 11, y -> 0.
    QVERIFY(has({11, 0}));
    // The second sample at x = 6 belongs to segment 1 at t = 0.02:
    // x = 6.119992, y = 3.997624 -> (6, 3).
    QVERIFY(has({6, 3}));
    for (std::size_t i = 1; i < s.size(); ++i)
        QVERIFY(s[i] != s[i - 1]);
}

void TestAdjustMath::splineOfOneRepeatedPoint()
{
    QCOMPARE(adjust::sampleCurve(pts({{7, 9}, {7, 9}})), pts({{7, 9}}));
    QVERIFY(adjust::sampleCurve({}).empty());
}

void TestAdjustMath::remapFromHandSamples()
{
    // left 10, bottom 300: heights 0 at level 0, 10 and 20 at level 2 (mean
    // 15), 50 at level 4; levels 1 and 3 interpolated, beyond level 4 flat.
    auto table = adjust::remapFromSamples(pts({{10, 300}, {12, 290}, {12, 280}, {14, 250}}), 10, 300);
    QCOMPARE(table[0], 0);
    QCOMPARE(table[1], 8);   // 7.5 rounded
    QCOMPARE(table[2], 15);
    QCOMPARE(table[3], 33);  // 32.5 rounded
    QCOMPARE(table[4], 50);
    QCOMPARE(table[255], 50);

    // Heights -10 at level 10 and 300 at level 20 are clamped after the
    // interpolation (level 15: 145); samples outside the 256 columns are
    // left out and columns before the first sample take its value.
    table = adjust::remapFromSamples(pts({{5, 0}, {20, 310}, {30, 0}, {300, 0}}), 10, 300);
    QCOMPARE(table[0], 0);
    QCOMPARE(table[10], 0);
    QCOMPARE(table[15], 145);
    QCOMPARE(table[20], 255);
    QCOMPARE(table[200], 255);

    table = adjust::remapFromSamples({}, 0, 0);
    for (int i = 0; i < 256; ++i)
        QCOMPARE(table[std::size_t(i)], i);
}

void TestAdjustMath::heightsFromCounts()
{
    std::array<unsigned, 256> counts{};
    counts[7] = 1000;
    counts[3] = 500;
    counts[4] = 1;
    counts[9] = 999;
    const auto h = adjust::heightsFromCounts(counts, 257);
    QCOMPARE(h[7], 257);
    QCOMPARE(h[3], 128);  // 128.5 truncated
    QCOMPARE(h[4], 2);    // 0.257 raised to the minimum
    QCOMPARE(h[9], 256);  // 256.743
    QCOMPARE(h[0], 2);
    QCOMPARE(h[255], 2);
    QCOMPARE(adjust::heightsFromCounts({}, 257), adjust::flatHeights());
}

void TestAdjustMath::heightsFromImage()
{
    // Red values 0, 0, 0, 200: level 0 is the tallest.
    QImage pixels(4, 1, QImage::Format_RGB888);
    for (int x = 0; x < 3; ++x)
        pixels.setPixelColor(x, 0, QColor(0, 50, 90));
    pixels.setPixelColor(3, 0, QColor(200, 50, 90));
    imaging::ImagingControl control;
    control.SetImageHandle(imaging::Bitmap::fromImage(pixels, 24));
    QVERIFY(control.HasImage());
    auto h = adjust::histogramHeights(control, 1, 90);
    QCOMPARE(h[0], 90);
    QCOMPARE(h[200], 30);
    QCOMPARE(h[50], 2);
    // The green channel: every pixel at 50.
    h = adjust::histogramHeights(control, 2, 100);
    QCOMPARE(h[50], 100);
    QCOMPARE(h[0], 2);
    // No image: every bar at the minimum.
    imaging::ImagingControl empty;
    QCOMPARE(adjust::histogramHeights(empty, 1, 90), adjust::flatHeights());
}

QTEST_GUILESS_MAIN(TestAdjustMath)
#include "test_adjust_math.moc"
