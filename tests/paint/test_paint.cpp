// Pixel rules of the painting gesture: the pen, brush, sprayer and shuffle
// strokes, the blur dab and the copy/paste of an area, on a fake view that
// lends a canvas on an image and one on a "screen" bitmap of the control's
// size.

#include "paint/CPaintGesture.h"

#include "imaging/Bitmap.h"
#include "raster/Canvas.h"

#include <QTest>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

using namespace ardane;
using namespace ardane::paint;
using ardane::imaging::Bitmap;
using ardane::raster::Canvas;

namespace {

constexpr ColorRef kWhite = 0xFFFFFF;
constexpr ColorRef kBlack = 0x000000;

using PointSet = std::set<std::pair<int, int>>;

class FakeTarget : public PaintTarget {
public:
    FakeTarget(int imageW, int imageH, int controlW, int controlH)
        : image(Bitmap::create(imageW, imageH, 24)),
          screen(Bitmap::create(controlW, controlH, 24)),
          imageCanvas(image),
          screenCanvas(screen)
    {
    }

    Canvas& AcquireImageDc() override
    {
        ++imageAcquired;
        return imageCanvas;
    }
    void ReleaseImageDc() override { ++imageReleased; }
    Canvas& AcquireWindowDc() override
    {
        ++windowAcquired;
        return screenCanvas;
    }
    void ReleaseWindowDc() override { ++windowReleased; }
    void flushWindow() override { ++flushes; }
    QRect controlRect() const override { return QRect(0, 0, screen.width(), screen.height()); }
    QPoint viewToControl(QPoint viewPoint) const override { return viewPoint - viewOffset; }
    void repaintControlRect(const QRect& rect) override { repaints.push_back(rect); }

    [[nodiscard]] bool balanced() const { return imageAcquired == imageReleased && windowAcquired == windowReleased; }

    Bitmap image;
    Bitmap screen;
    Canvas imageCanvas;
    Canvas screenCanvas;
    QPoint viewOffset;
    int imageAcquired = 0, imageReleased = 0, windowAcquired = 0, windowReleased = 0, flushes = 0;
    std::vector<QRect> repaints;
};

ColorRef pixelOf(const Bitmap& b, int x, int y) { return imaging::rgbToColorRef(b.pixelRgb(x, y)); }

void setPixelOf(Bitmap& b, int x, int y, ColorRef c) { b.image().setPixel(x, y, imaging::colorRefToRgb(c)); }

// Every pixel a different colour (for images up to 256 x 256).
void fillDistinct(Bitmap& b)
{
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            setPixelOf(b, x, y, makeColorRef(x, y, (x * 7 + y * 13) & 255));
}

void fillWith(Bitmap& b, ColorRef c)
{
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            setPixelOf(b, x, y, c);
}

PointSet pixelsOfColour(const Bitmap& b, ColorRef c)
{
    PointSet out;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            if (pixelOf(b, x, y) == c)
                out.insert({x, y});
    return out;
}

PointSet changedPixels(const Bitmap& before, const Bitmap& after)
{
    PointSet out;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (pixelOf(before, x, y) != pixelOf(after, x, y))
                out.insert({x, y});
    return out;
}

PointSet rectSet(int left, int top, int right, int bottom)
{
    PointSet out;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            out.insert({x, y});
    return out;
}

GestureSettings settingsFor(int zoom = 100)
{
    GestureSettings s;
    s.penColor = kWhite;
    s.drawMode = raster::R2_COPYPEN;
    s.zoom = zoom;
    return s;
}

CPaintGesture::Clock fixedClock(std::uint32_t seed)
{
    return [seed] { return seed; };
}

// The dots of a spray dab with box side `side` starting at (left, top), n of
// them, drawn from a generator seeded with `seed`.
std::vector<std::pair<int, int>> sprayDots(std::uint32_t seed, int left, int top, int side, int n)
{
    PaintRandom r;
    r.seed(seed);
    std::vector<std::pair<int, int>> dots;
    for (int i = 0; i < n; ++i) {
        const int x = left + r.draw() % side;
        const int y = top + r.draw() % side;
        dots.push_back({x, y});
    }
    return dots;
}

// The swaps of a shuffle dab over a w x w area from (left, top), applied to
// the bitmap the way the image is shuffled (pairs with a position outside
// skipped).
void applySwaps(Bitmap& b, std::uint32_t seed, int left, int top, int w, int n)
{
    PaintRandom r;
    r.seed(seed);
    const QRect bounds(0, 0, b.width(), b.height());
    for (int i = 0; i < n; ++i) {
        const int x1 = left + r.draw() % w;
        const int y1 = top + r.draw() % w;
        const int x2 = left + r.draw() % w;
        const int y2 = top + r.draw() % w;
        if (!bounds.contains(x1, y1) || !bounds.contains(x2, y2))
            continue;
        const ColorRef c1 = pixelOf(b, x1, y1), c2 = pixelOf(b, x2, y2);
        setPixelOf(b, x2, y2, c1);
        setPixelOf(b, x1, y1, c2);
    }
}

// A seed whose swap sequences of n - 1, n and n + 1 swaps give three
// different images, so that an image matching n swaps proves the count.
std::uint32_t seedSeparating(const Bitmap& base, int left, int top, int w, int n)
{
    for (std::uint32_t seed = 1; seed < 200; ++seed) {
        Bitmap a = base, b = base, c = base;
        applySwaps(a, seed, left, top, w, n - 1);
        applySwaps(b, seed, left, top, w, n);
        applySwaps(c, seed, left, top, w, n + 1);
        if (!(a == b) && !(b == c))
            return seed;
    }
    return 0;
}

} // namespace

class TestPaint : public QObject {
    Q_OBJECT

private slots:
    void generatorSequence();
    void penPressPaintsTwoPixels();
    void penZoomedStrokePaintsEachImagePixelOnce();
    void penStepsAreFourConnected();
    void moveOutsideControlIsIgnored();
    void brushXorJointsCancelInTheImage();
    void brushStyleCoverage();
    void brushPaintsImageOnlyAtTheEndAndRestoresCanvases();
    void sprayStyleZeroDab();
    void sprayDotCounts();
    void sprayScreenAndImageAgree();
    void zoomedScreenFeedback();
    void blurUniformAreaUnchanged();
    void blurMirrorsAtTheEdges();
    void blurCircleLeavesCorners();
    void octagonCounts();
    void copyPasteSamePointRewritesItself();
    void copyPasteMovesTheArea();
    void copyPasteClampsToTheControl();
    void copyPasteClippedSource();
    void areaRect();
    void shuffleSwapCounts();
    void shuffleStrokeAndEdges();
};

void TestPaint::generatorSequence()
{
    // The classic linear congruential generator: seed 1 yields these.
    PaintRandom r;
    r.seed(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724};
    for (int e : expected)
        QCOMPARE(r.draw(), e);
}

void TestPaint::penPressPaintsTwoPixels()
{
    FakeTarget t(50, 40, 50, 40);
    t.viewOffset = QPoint(3, 5);
    {
        CPaintGesture g(PK_PEN, t, settingsFor());
        g.Begin(QPoint(13, 25)); // control (10, 20)
        QVERIFY(g.isActive());
        QCOMPARE(t.imageAcquired, 1);
        QCOMPARE(t.windowAcquired, 1);
        QVERIFY(t.flushes >= 1);
        g.End();
        QVERIFY(!g.isActive());
    }
    QVERIFY(t.balanced());
    QCOMPARE(t.imageReleased, 1);
    const PointSet expected{{10, 20}, {10, 21}};
    QCOMPARE(pixelsOfColour(t.image, kWhite), expected);
    QCOMPARE(pixelsOfColour(t.screen, kWhite), expected);
}

void TestPaint::penZoomedStrokePaintsEachImagePixelOnce()
{
    // Pen at zoom 200 with a zoom origin: ten screen pixels, five image pixels.
    {
        FakeTarget t(60, 60, 40, 40);
        GestureSettings s = settingsFor(200);
        s.zoomOrigin = QPoint(10, 20);
        CPaintGesture g(PK_PEN, t, s);
        g.Begin(QPoint(0, 4));
        for (int x = 1; x <= 9; ++x)
            g.MouseMove(QPoint(x, 4));
        g.End();
        QCOMPARE(pixelsOfColour(t.image, kWhite), (PointSet{{10, 22}, {11, 22}, {12, 22}, {13, 22}, {14, 22}}));
        // On screen: five 2 x 2 squares, (0, 4) .. (9, 5).
        QCOMPARE(pixelsOfColour(t.screen, kWhite), rectSet(0, 4, 10, 6));
        QCOMPARE(t.flushes, 10);
    }
    // The same path with the shuffle, whose dab is not idempotent: the image
    // must match exactly five dabs, one per image pixel, not ten or more.
    {
        FakeTarget t(80, 80, 40, 40);
        fillDistinct(t.image);
        Bitmap reference = t.image;
        GestureSettings s = settingsFor(200);
        s.zoomOrigin = QPoint(30, 30);
        s.shuffleDensity = 5;
        CPaintGesture g(PK_SHUFFLE_SMALL, t, s, fixedClock(7));
        g.Begin(QPoint(0, 4));
        g.MouseMove(QPoint(9, 4));
        g.End();
        for (int u = 0; u < 5; ++u)
            applySwaps(reference, 7, 30 + u - 5, 32 - 5, 10, 50);
        QVERIFY(t.image == reference);
        // Painting one of them twice would differ.
        Bitmap twice = reference;
        applySwaps(twice, 7, 30 - 5, 32 - 5, 10, 50);
        QVERIFY(!(twice == reference));
    }
}

void TestPaint::penStepsAreFourConnected()
{
    {
        FakeTarget t(40, 40, 40, 40);
        CPaintGesture g(PK_PEN, t, settingsFor());
        g.Begin(QPoint(10, 10));
        g.MouseMove(QPoint(13, 13));
        g.End();
        const PointSet expected{{10, 10}, {10, 11}, {11, 10}, {11, 11}, {12, 11}, {12, 12}, {13, 12}, {13, 13}};
        QCOMPARE(pixelsOfColour(t.image, kWhite), expected);
    }
    {
        // Steep: the minor step comes when the error has reached dy.
        FakeTarget t(40, 40, 40, 40);
        CPaintGesture g(PK_PEN, t, settingsFor());
        g.Begin(QPoint(10, 10));
        g.MouseMove(QPoint(11, 14));
        g.End();
        const PointSet expected{{10, 10}, {10, 11}, {10, 12}, {10, 13}, {10, 14}, {11, 14}};
        QCOMPARE(pixelsOfColour(t.image, kWhite), expected);
    }
    {
        // Leftwards and upwards.
        FakeTarget t(40, 40, 40, 40);
        CPaintGesture g(PK_PEN, t, settingsFor());
        g.Begin(QPoint(20, 20));
        g.MouseMove(QPoint(16, 18));
        g.End();
        // dx 4, dy 2: x runs 20..16 and y steps up when the error reaches 4.
        const PointSet expected{{20, 20}, {20, 21}, {19, 20}, {18, 20}, {18, 19}, {17, 19}, {16, 19}, {16, 18}};
        QCOMPARE(pixelsOfColour(t.image, kWhite), expected);
    }
}

void TestPaint::moveOutsideControlIsIgnored()
{
    FakeTarget joined(120, 100, 100, 80);
    {
        CPaintGesture g(PK_PEN, joined, settingsFor());
        g.Begin(QPoint(10, 10));
        g.MouseMove(QPoint(20, 10));
        g.MouseMove(QPoint(60, 40));
        g.End();
    }
    FakeTarget t(120, 100, 100, 80);
    CPaintGesture g(PK_PEN, t, settingsFor());
    g.Begin(QPoint(10, 10));
    g.MouseMove(QPoint(20, 10));
    Bitmap before = t.image;
    const int flushes = t.flushes;
    g.MouseMove(QPoint(100, 10)); // one past the right edge
    g.MouseMove(QPoint(200, 50));
    g.MouseMove(QPoint(50, 80)); // one past the bottom edge
    g.MouseMove(QPoint(-1, 30));
    QVERIFY(t.image == before);
    QCOMPARE(t.flushes, flushes);
    g.MouseMove(QPoint(60, 40));
    g.End();
    QVERIFY(t.image == joined.image);
    QVERIFY(t.screen == joined.screen);
    QVERIFY(pixelsOfColour(t.image, kWhite).count({60, 40}));
}

void TestPaint::brushXorJointsCancelInTheImage()
{
    FakeTarget t(60, 40, 60, 40);
    GestureSettings s = settingsFor();
    s.drawMode = raster::R2_XORPEN;
    s.brushStyle = 0; // 3 x 3 square
    CPaintGesture g(PK_BRUSH, t, s);
    g.Begin(QPoint(20, 20));
    g.MouseMove(QPoint(30, 20));
    g.MouseMove(QPoint(40, 20)); // its first point repeats (30, 20)
    // The record: the press (twice), then every stepped point of both segments.
    std::vector<std::pair<int, int>> points{{20, 20}, {20, 21}};
    for (int x = 20; x <= 30; ++x)
        points.push_back({x, 20});
    for (int x = 30; x <= 40; ++x)
        points.push_back({x, 20});
    QCOMPARE(int(g.brushRecord().size()), int(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i) {
        const std::uint32_t e = g.brushRecord()[i];
        QCOMPARE(std::pair(int(std::int16_t(e & 0xFFFF)), int(std::int16_t(e >> 16))), points[i]);
    }
    QVERIFY(pixelsOfColour(t.image, kWhite).empty());
    g.End();
    QVERIFY(g.brushRecord().empty());

    // Expected image: every recorded dab toggles its square.
    std::set<std::pair<int, int>> toggled;
    auto toggle = [&](int cx, int cy, std::set<std::pair<int, int>>& set) {
        for (int y = cy - 1; y <= cy + 1; ++y)
            for (int x = cx - 1; x <= cx + 1; ++x)
                if (!set.erase({x, y}))
                    set.insert({x, y});
    };
    for (auto [x, y] : points)
        toggle(x, y, toggled);
    QCOMPARE(pixelsOfColour(t.image, kWhite), PointSet(toggled.begin(), toggled.end()));
    // The screen skipped the repeated joint, so the two differ exactly by the
    // square at the joint.
    std::set<std::pair<int, int>> screenSet(toggled);
    toggle(30, 20, screenSet);
    QCOMPARE(pixelsOfColour(t.screen, kWhite), PointSet(screenSet.begin(), screenSet.end()));
    QCOMPARE(changedPixels(t.image, t.screen), rectSet(29, 19, 32, 22));
}

void TestPaint::brushStyleCoverage()
{
    FakeTarget t(60, 60, 60, 60);
    CPaintGesture g(PK_BRUSH, t, settingsFor());
    auto dab = [&](int style) {
        Bitmap b = Bitmap::create(60, 60, 24);
        Canvas c(b);
        c.setPen(kWhite);
        c.setBrush(kWhite);
        g.DrawBrushDab(c, 30, 30, style);
        return pixelsOfColour(b, kWhite);
    };
    for (int style = 0; style <= 3; ++style) {
        const int s = 3 * style + 3;
        QCOMPARE(dab(style), rectSet(30 - s / 2, 30 - s / 2, 30 - s / 2 + s, 30 - s / 2 + s));
    }
    for (int style = 4; style <= 7; ++style) {
        const int s = 3 * style - 9;
        const PointSet got = dab(style);
        const PointSet box = rectSet(30 - s / 2, 30 - s / 2, 30 - s / 2 + s, 30 - s / 2 + s);
        QVERIFY(std::includes(box.begin(), box.end(), got.begin(), got.end()));
        QVERIFY(got.count({30, 30}));
        // A circle leaves the box's corners out, from 6 pixels across on.
        if (s >= 6)
            QVERIFY(!got.count({30 - s / 2, 30 - s / 2}));
        // Each row and column of the box holds some of it.
        for (int i = 0; i < s; ++i) {
            QVERIFY(std::any_of(got.begin(), got.end(), [&](auto p) { return p.second == 30 - s / 2 + i; }));
            QVERIFY(std::any_of(got.begin(), got.end(), [&](auto p) { return p.first == 30 - s / 2 + i; }));
        }
    }
    const int extents[] = {1, 3, 4, 6};
    for (int i = 0; i < 4; ++i) {
        const int e = extents[i];
        PointSet rising, falling, bar;
        for (int k = 0; k < 2 * e; ++k) {
            rising.insert({30 + e - k, 30 - e + k});
            falling.insert({30 - e + k, 30 - e + k});
            bar.insert({30, 30 - e + k});
        }
        QCOMPARE(dab(8 + i), rising);
        QCOMPARE(dab(12 + i), falling);
        QCOMPARE(dab(16 + i), bar);
    }
    QCOMPARE(dab(19), rectSet(30, 24, 31, 36));
    QCOMPARE(dab(16), (PointSet{{30, 29}, {30, 30}}));
    QVERIFY(dab(20).empty());
    QVERIFY(dab(-1).empty());
}

void TestPaint::brushPaintsImageOnlyAtTheEndAndRestoresCanvases()
{
    FakeTarget t(60, 60, 120, 120);
    t.screenCanvas.setRop2(raster::R2_NOT);
    t.screenCanvas.setPen(0x123456);
    t.imageCanvas.setBrush(0x654321);
    GestureSettings s = settingsFor(200);
    s.brushStyle = 3; // 12 x 12 square
    s.zoomOrigin = QPoint(4, 6);
    {
        CPaintGesture g(PK_BRUSH, t, s);
        g.Begin(QPoint(40, 40));
        QCOMPARE(t.screenCanvas.scaleFactor(), 2);
        QCOMPARE(t.screenCanvas.rop2(), int(raster::R2_COPYPEN));
        g.MouseMove(QPoint(41, 41));
        QVERIFY(pixelsOfColour(t.image, kWhite).empty());
        // The view loses the grab: the gesture ends like a release.
        g.End();
        QVERIFY(t.balanced());
        // Grid (20, 20): the square from (14, 14), 12 wide, plus the origin.
        QCOMPARE(pixelsOfColour(t.image, kWhite), rectSet(18, 20, 30, 32));
        // Screen: the same square in grid units, two screen pixels each.
        QCOMPARE(pixelsOfColour(t.screen, kWhite), rectSet(28, 28, 52, 52));
        // The canvases are as they were lent.
        QCOMPARE(t.screenCanvas.rop2(), int(raster::R2_NOT));
        QCOMPARE(t.screenCanvas.scaleFactor(), 1);
        QCOMPARE(t.screenCanvas.pen(), std::optional<ColorRef>(0x123456));
        QCOMPARE(t.imageCanvas.brush(), std::optional<ColorRef>(0x654321));
        g.End(); // a second end changes nothing
        QCOMPARE(t.imageReleased, 1);
    }
    QCOMPARE(t.imageReleased, 1);

    // A gesture dropped during the press still gives the canvases back and
    // paints its record.
    FakeTarget d(60, 60, 60, 60);
    {
        CPaintGesture g(PK_BRUSH, d, settingsFor());
        g.Begin(QPoint(10, 10));
    }
    QVERIFY(d.balanced());
    QVERIFY(!pixelsOfColour(d.image, kWhite).empty());
}

void TestPaint::sprayStyleZeroDab()
{
    FakeTarget t(60, 60, 60, 60);
    CPaintGesture g(PK_SPRAY, t, settingsFor(), fixedClock(1));
    for (std::uint32_t seed : {1u, 2u, 1234567u}) {
        CPaintGesture gs(PK_SPRAY, t, settingsFor(), fixedClock(seed));
        Bitmap b = Bitmap::create(60, 60, 24);
        Canvas c(b);
        gs.DrawSprayDab(c, 30, 30, 0, true);
        const PointSet got = pixelsOfColour(b, kWhite);
        QVERIFY(!got.empty());
        QVERIFY(got.size() <= 20);
        const PointSet box = rectSet(25, 25, 35, 35);
        QVERIFY(std::includes(box.begin(), box.end(), got.begin(), got.end()));
        if (seed == 1) {
            // Seed 1 draws 41, 18467, 6334, 26500, 19169, 15724, ...
            QVERIFY(got.count({25 + 1, 25 + 7}));
            QVERIFY(got.count({25 + 4, 25 + 0}));
            QVERIFY(got.count({25 + 9, 25 + 4}));
        }
    }
    // Dots of a dab at the edge that fall outside the image are dropped.
    Bitmap b = Bitmap::create(60, 60, 24);
    Canvas c(b);
    g.DrawSprayDab(c, 0, 0, 0, true);
    for (auto [x, y] : pixelsOfColour(b, kWhite))
        QVERIFY(x < 5 && y < 5);
    // Styles outside 0..11 draw nothing.
    Bitmap e = Bitmap::create(60, 60, 24);
    Canvas ce(e);
    g.DrawSprayDab(ce, 30, 30, 12, true);
    g.DrawSprayDab(ce, 30, 30, -1, true);
    QVERIFY(pixelsOfColour(e, kWhite).empty());
}

void TestPaint::sprayDotCounts()
{
    const int sides[] = {10, 10, 10, 10, 20, 20, 20, 20, 30, 30, 30, 30};
    const int counts[] = {20, 15, 10, 5, 40, 30, 20, 10, 60, 45, 30, 15};
    FakeTarget t(80, 80, 80, 80);
    for (int style = 0; style < 12; ++style) {
        const int s = sides[style], n = counts[style];
        const int left = 40 - s / 2, top = 40 - s / 2;
        // A seed whose n-th dot is new and whose (n + 1)-th is new too, so
        // the exact set of dots pins the count.
        std::uint32_t seed = 1;
        for (;; ++seed) {
            const auto dots = sprayDots(seed, left, top, s, n + 1);
            const PointSet first(dots.begin(), dots.end() - 2);
            if (!first.count(dots[n - 1]) && !first.count(dots[n]) && dots[n - 1] != dots[n])
                break;
        }
        const auto dots = sprayDots(seed, left, top, s, n);
        CPaintGesture g(PK_SPRAY, t, settingsFor(), fixedClock(seed));
        Bitmap b = Bitmap::create(80, 80, 24);
        Canvas c(b);
        g.DrawSprayDab(c, 40, 40, style, true);
        QCOMPARE(pixelsOfColour(b, kWhite), PointSet(dots.begin(), dots.end()));
    }
}

void TestPaint::sprayScreenAndImageAgree()
{
    FakeTarget t(60, 60, 60, 60);
    GestureSettings s = settingsFor();
    s.sprayStyle = 4;
    CPaintGesture g(PK_SPRAY, t, s, fixedClock(99));
    g.Begin(QPoint(30, 30));
    g.MouseMove(QPoint(32, 30));
    g.End();
    QVERIFY(!pixelsOfColour(t.image, kWhite).empty());
    QVERIFY(t.image == t.screen);
    // Every dab of one second repeats the same pattern: (30, 30) and (30, 31)
    // give the same dots one row apart, and together they make the image.
    const auto dots = sprayDots(99, 20, 20, 20, 40);
    PointSet expected;
    for (int dx : {0, 0, 1, 2})
        for (auto [x, y] : dots)
            expected.insert({x + dx, y});
    for (auto [x, y] : dots)
        expected.insert({x, y + 1});
    QCOMPARE(pixelsOfColour(t.image, kWhite), expected);
}

void TestPaint::zoomedScreenFeedback()
{
    // Pen at zoom 400: one 4 x 4 screen square per image pixel.
    {
        FakeTarget t(40, 40, 100, 100);
        GestureSettings s = settingsFor(400);
        s.zoomOrigin = QPoint(5, 5);
        CPaintGesture g(PK_PEN, t, s);
        g.Begin(QPoint(9, 13));
        g.End();
        QCOMPARE(pixelsOfColour(t.screen, kWhite), rectSet(8, 12, 12, 16));
        QCOMPARE(pixelsOfColour(t.image, kWhite), (PointSet{{7, 8}}));
    }
    // The screen squares of the pen and spray go through the draw mode.
    {
        FakeTarget t(40, 40, 100, 100);
        fillWith(t.screen, kWhite);
        GestureSettings s = settingsFor(400);
        s.drawMode = raster::R2_XORPEN;
        CPaintGesture g(PK_PEN, t, s);
        g.Begin(QPoint(9, 13));
        g.End();
        QCOMPARE(pixelsOfColour(t.screen, kBlack), rectSet(8, 12, 12, 16));
        // Set-pixel into the image takes the pen colour whatever the mode.
        QCOMPARE(pixelsOfColour(t.image, kWhite), (PointSet{{2, 3}}));
    }
    // Brush style 0 at zoom 400: the 3 x 3 grid square, 12 x 12 on screen.
    {
        FakeTarget t(40, 40, 100, 100);
        CPaintGesture g(PK_BRUSH, t, settingsFor(400));
        g.Begin(QPoint(40, 40));
        g.End();
        QCOMPARE(pixelsOfColour(t.screen, kWhite), rectSet(36, 36, 48, 48));
        QCOMPARE(pixelsOfColour(t.image, kWhite), rectSet(9, 9, 12, 12));
    }
    // Spray style 3 at zoom 400: 4 x 4 squares in a 40 x 40 box around
    // (4u, 4v).
    {
        FakeTarget t(40, 40, 100, 100);
        CPaintGesture g(PK_SPRAY, t, settingsFor(400), fixedClock(5));
        t.screenCanvas.setPen(kWhite);
        t.screenCanvas.setBrush(kWhite);
        g.DrawSprayDab(t.screenCanvas, 10, 10, 3, false);
        PointSet expected;
        for (auto [x, y] : sprayDots(5, 20, 20, 40, 5)) {
            const PointSet sq = rectSet(x, y, x + 4, y + 4);
            expected.insert(sq.begin(), sq.end());
        }
        QCOMPARE(pixelsOfColour(t.screen, kWhite), expected);
    }
    // Shuffle at zoom 400: the area around (4u, 4v) grows by h * 2 on every
    // side (30 x 30 for the small size) and each swap fills two 4 x 4 squares.
    {
        FakeTarget t(40, 40, 120, 120);
        fillDistinct(t.screen);
        Bitmap expected = t.screen;
        GestureSettings s = settingsFor(400);
        s.shuffleDensity = 1;
        CPaintGesture g(PK_SHUFFLE_SMALL, t, s, fixedClock(3));
        g.ShuffleDab(t.screenCanvas, 15, 15, false);
        PaintRandom r;
        r.seed(3);
        const int n = 30 * 30 / 32;
        for (int i = 0; i < n; ++i) {
            const int x1 = 45 + r.draw() % 30, y1 = 45 + r.draw() % 30;
            const int x2 = 45 + r.draw() % 30, y2 = 45 + r.draw() % 30;
            const ColorRef c1 = pixelOf(expected, x1, y1), c2 = pixelOf(expected, x2, y2);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x)
                    setPixelOf(expected, x1 + x, y1 + y, c2);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x)
                    setPixelOf(expected, x2 + x, y2 + y, c1);
        }
        QVERIFY(t.screen == expected);
        const PointSet changed = changedPixels(t.screen, [&] {
            Bitmap b = Bitmap::create(120, 120, 24);
            fillDistinct(b);
            return b;
        }());
        const PointSet area = rectSet(45, 45, 75 + 3, 75 + 3);
        QVERIFY(!changed.empty());
        QVERIFY(std::includes(area.begin(), area.end(), changed.begin(), changed.end()));
    }
}

void TestPaint::blurUniformAreaUnchanged()
{
    for (int kind : {PK_BLUR_SMALL, PK_BLUR_MEDIUM, PK_BLUR_LARGE}) {
        for (int shape : {2, 4}) {
            for (QPoint p : {QPoint(20, 20), QPoint(0, 0), QPoint(39, 29)}) {
                FakeTarget t(40, 30, 40, 30);
                fillWith(t.image, makeColorRef(10, 200, 77));
                Bitmap before = t.image;
                GestureSettings s = settingsFor();
                s.areaShape = shape;
                CPaintGesture g(kind, t, s);
                g.Begin(p);
                QVERIFY(!g.isActive());
                QVERIFY(t.balanced());
                QCOMPARE(t.imageAcquired, 1);
                QCOMPARE(t.windowAcquired, 0);
                QVERIFY(t.image == before);
            }
        }
    }
}

void TestPaint::blurMirrorsAtTheEdges()
{
    const int W = 30, H = 20;
    FakeTarget t(W, H, W, H);
    fillDistinct(t.image);
    const Bitmap original = t.image;
    auto mean = [&](const int* cols, const int* rows) {
        int r = 0, g = 0, b = 0;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                const ColorRef c = pixelOf(original, cols[j], rows[i]);
                r += colorRefRed(c), g += colorRefGreen(c), b += colorRefBlue(c);
            }
        return makeColorRef(r / 16, g / 16, b / 16);
    };
    {
        CPaintGesture g(PK_BLUR_SMALL, t, settingsFor());
        g.Begin(QPoint(0, 0));
    }
    const int cols00[] = {1, 0, 1, 2}, rows00[] = {2, 1, 0, 1};
    QCOMPARE(pixelOf(t.image, 0, 0), mean(cols00, rows00));
    const int cols33[] = {2, 3, 4, 5}, rows33[] = {1, 2, 3, 4};
    QCOMPARE(pixelOf(t.image, 3, 3), mean(cols33, rows33));
    // Only the area's part inside the image changed: [0, 5) x [0, 5).
    const PointSet changed = changedPixels(original, t.image);
    const PointSet area = rectSet(0, 0, 5, 5);
    QVERIFY(std::includes(area.begin(), area.end(), changed.begin(), changed.end()));
    QVERIFY(changed.size() >= 20);
    QCOMPARE(t.repaints.size(), std::size_t(1));
    QCOMPARE(t.repaints[0], QRect(-7, -7, 14, 14));

    // Beyond the right and bottom edges the columns and rows are mirrored
    // about the last one.
    FakeTarget r(W, H, W, H);
    fillDistinct(r.image);
    {
        CPaintGesture g(PK_BLUR_SMALL, r, settingsFor());
        g.Begin(QPoint(W - 1, H - 1));
    }
    const int colsEnd[] = {W - 2, W - 1, W - 2, W - 3}, rowsEnd[] = {H - 3, H - 2, H - 1, H - 2};
    QCOMPARE(pixelOf(r.image, W - 1, H - 1), mean(colsEnd, rowsEnd));

    // Zoom 200 with an origin: control (13, 17) is image (6 + 2, 8 + 3).
    FakeTarget z(W, H, 60, 40);
    fillDistinct(z.image);
    GestureSettings s = settingsFor(200);
    s.zoomOrigin = QPoint(2, 3);
    {
        CPaintGesture g(PK_BLUR_MEDIUM, z, s);
        g.Begin(QPoint(13, 17));
    }
    const int colsZ[] = {7, 8, 9, 10}, rowsZ[] = {9, 10, 11, 12};
    QCOMPARE(pixelOf(z.image, 8, 11), mean(colsZ, rowsZ));
    const PointSet changedZ = changedPixels(original, z.image);
    const PointSet areaZ = rectSet(0, 3, 16, 19);
    QVERIFY(std::includes(areaZ.begin(), areaZ.end(), changedZ.begin(), changedZ.end()));
    // Screen rectangle: centre (12, 16), half size 16, two more on each side.
    QCOMPARE(z.repaints[0], QRect(12 - 18, 16 - 18, 36, 36));
}

void TestPaint::blurCircleLeavesCorners()
{
    FakeTarget t(40, 40, 40, 40);
    // A checkerboard: every blurred pixel changes.
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            setPixelOf(t.image, x, y, (x + y) % 2 ? kWhite : kBlack);
    Bitmap before = t.image;
    GestureSettings s = settingsFor();
    s.areaShape = 4;
    CPaintGesture g(PK_BLUR_SMALL, t, s);
    g.Begin(QPoint(20, 20));
    const PointSet changed = changedPixels(before, t.image);
    PointSet expected = rectSet(15, 15, 25, 25);
    for (auto p : {std::pair(15, 15), std::pair(16, 15), std::pair(23, 15), std::pair(24, 15), std::pair(15, 16),
                   std::pair(24, 16), std::pair(15, 24), std::pair(24, 24)})
        expected.erase(p);
    QCOMPARE(changed, expected);
}

void TestPaint::octagonCounts()
{
    const int sides[] = {10, 16, 22};
    const int written[] = {92, 224, 412};
    for (int k = 0; k < 3; ++k) {
        const QRect area(-3, 7, sides[k], sides[k]);
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                count += CPaintGesture::octagonWrites(area, x, y);
        QCOMPARE(count, written[k]);
    }
    const QRect small(0, 0, 10, 10);
    const int rows[] = {6, 8, 10, 10, 10, 10, 10, 10, 10, 8};
    for (int y = 0; y < 10; ++y) {
        int count = 0;
        for (int x = 0; x < 10; ++x)
            count += CPaintGesture::octagonWrites(small, x, y);
        QCOMPARE(count, rows[y]);
    }
}

void TestPaint::copyPasteSamePointRewritesItself()
{
    for (int shape : {2, 4}) {
        FakeTarget t(50, 50, 50, 50);
        fillDistinct(t.image);
        Bitmap before = t.image;
        GestureSettings s = settingsFor();
        s.areaShape = shape;
        CPaintGesture g(PK_COPYPASTE_LARGE, t, s);
        g.Begin(QPoint(25, 25));
        QVERIFY(g.isActive());
        QCOMPARE(t.imageAcquired, 1);
        QCOMPARE(t.imageReleased, 0);
        g.End();
        QVERIFY(t.balanced());
        QCOMPARE(t.windowAcquired, 0);
        QVERIFY(t.image == before);
        QCOMPARE(t.repaints.size(), std::size_t(1));
        QCOMPARE(t.repaints[0], QRect(12, 12, 26, 26));
    }
}

void TestPaint::copyPasteMovesTheArea()
{
    FakeTarget t(80, 80, 80, 80);
    fillDistinct(t.image);
    Bitmap before = t.image;
    CPaintGesture g(PK_COPYPASTE_SMALL, t, settingsFor());
    g.Begin(QPoint(20, 20));
    g.MouseMove(QPoint(70, 10));
    QVERIFY(t.image == before); // nothing during the drag
    g.MouseMove(QPoint(50, 30));
    g.End();
    PointSet changed = changedPixels(before, t.image);
    QCOMPARE(changed, rectSet(45, 25, 55, 35));
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j)
            QCOMPARE(pixelOf(t.image, 45 + j, 25 + i), pixelOf(before, 15 + j, 15 + i));

    // Circle shape: the corners of the destination stay.
    FakeTarget c(80, 80, 80, 80);
    fillDistinct(c.image);
    GestureSettings s = settingsFor();
    s.areaShape = 4;
    CPaintGesture gc(PK_COPYPASTE_SMALL, c, s);
    gc.Begin(QPoint(20, 20));
    gc.MouseMove(QPoint(50, 30));
    gc.End();
    changed = changedPixels(before, c.image);
    QCOMPARE(int(changed.size()), 92);
    QVERIFY(!changed.count({45, 25}) && !changed.count({46, 25}) && !changed.count({45, 26}));
    QVERIFY(changed.count({47, 25}) && changed.count({46, 26}));
}

void TestPaint::copyPasteClampsToTheControl()
{
    FakeTarget t(100, 100, 60, 40);
    fillDistinct(t.image);
    Bitmap before = t.image;
    {
        CPaintGesture g(PK_COPYPASTE_SMALL, t, settingsFor());
        g.Begin(QPoint(20, 20));
        g.MouseMove(QPoint(500, 500)); // clamped to (60, 40), the edge values
        g.End();
    }
    QCOMPARE(changedPixels(before, t.image), rectSet(55, 35, 65, 45));
    QCOMPARE(pixelOf(t.image, 55, 35), pixelOf(before, 15, 15));
    QCOMPARE(pixelOf(t.image, 64, 44), pixelOf(before, 24, 24));
    QCOMPARE(t.repaints.back(), QRect(53, 33, 14, 14));

    FakeTarget n(100, 100, 60, 40);
    fillDistinct(n.image);
    {
        CPaintGesture g(PK_COPYPASTE_SMALL, n, settingsFor());
        g.Begin(QPoint(20, 20));
        g.MouseMove(QPoint(-30, -30)); // clamped to (0, 0)
        g.End();
    }
    const PointSet changed = changedPixels(before, n.image);
    const PointSet corner = rectSet(0, 0, 5, 5);
    QVERIFY(std::includes(corner.begin(), corner.end(), changed.begin(), changed.end()));
    for (int i = 5; i < 10; ++i)
        for (int j = 5; j < 10; ++j)
            QCOMPARE(pixelOf(n.image, j - 5, i - 5), pixelOf(before, 15 + j, 15 + i));

    // Zoom 200 with an origin: positions are converted like the press.
    FakeTarget z(100, 100, 60, 40);
    fillDistinct(z.image);
    GestureSettings s = settingsFor(200);
    s.zoomOrigin = QPoint(30, 40);
    {
        CPaintGesture g(PK_COPYPASTE_SMALL, z, s);
        g.Begin(QPoint(11, 20)); // image (35, 50)
        g.MouseMove(QPoint(61, 41)); // clamped (60, 40): image (60, 60)
        g.End();
    }
    QCOMPARE(changedPixels(before, z.image), rectSet(55, 55, 65, 65));
    QCOMPARE(pixelOf(z.image, 55, 55), pixelOf(before, 30, 45));
    QCOMPARE(z.repaints.back(), QRect(60 - 12, 40 - 12, 24, 24));
}

void TestPaint::copyPasteClippedSource()
{
    FakeTarget t(100, 100, 100, 100);
    fillDistinct(t.image);
    Bitmap before = t.image;
    {
        // Source (-3, -2) .. (7, 8) clipped to (0, 0) .. (7, 8): 7 x 8.
        CPaintGesture g(PK_COPYPASTE_SMALL, t, settingsFor());
        g.Begin(QPoint(2, 3));
        g.MouseMove(QPoint(40, 40));
        g.End();
    }
    // Written at the destination area's top-left corner (35, 35).
    QCOMPARE(changedPixels(before, t.image), rectSet(35, 35, 42, 43));
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 7; ++j)
            QCOMPARE(pixelOf(t.image, 35 + j, 35 + i), pixelOf(before, j, i));

    FakeTarget r(100, 100, 100, 100);
    fillDistinct(r.image);
    {
        // Source (92, 93) .. (102, 103) clipped on the right and bottom: 8 x 7.
        CPaintGesture g(PK_COPYPASTE_SMALL, r, settingsFor());
        g.Begin(QPoint(97, 98));
        g.MouseMove(QPoint(50, 50));
        g.End();
    }
    QCOMPARE(changedPixels(before, r.image), rectSet(45, 45, 53, 52));
    QCOMPARE(pixelOf(r.image, 45, 45), pixelOf(before, 92, 93));
    QCOMPARE(pixelOf(r.image, 52, 51), pixelOf(before, 99, 99));
}

void TestPaint::areaRect()
{
    const QRect image(0, 0, 50, 40);
    QCOMPARE(CPaintGesture::GetAreaRect(PK_COPYPASTE_SMALL, 20, 20, 1, nullptr), QRect(15, 15, 10, 10));
    QCOMPARE(CPaintGesture::GetAreaRect(PK_COPYPASTE_MEDIUM, 20, 20, 1, nullptr), QRect(12, 12, 16, 16));
    QCOMPARE(CPaintGesture::GetAreaRect(PK_COPYPASTE_LARGE, 20, 20, 2, nullptr), QRect(-2, -2, 44, 44));
    QCOMPARE(CPaintGesture::GetAreaRect(PK_COPYPASTE_SMALL, 2, 38, 1, &image), QRect(0, 33, 7, 7));
    QCOMPARE(CPaintGesture::GetAreaRect(PK_COPYPASTE_SMALL, 48, 1, 1, &image), QRect(43, 0, 7, 6));
    QCOMPARE(CPaintGesture::halfSize(PK_BLUR_MEDIUM), 8);
    QCOMPARE(CPaintGesture::halfSize(PK_SHUFFLE_LARGE), 11);
    QCOMPARE(CPaintGesture::halfSize(PK_PEN), 0);
}

void TestPaint::shuffleSwapCounts()
{
    const int kinds[] = {PK_SHUFFLE_SMALL, PK_SHUFFLE_MEDIUM, PK_SHUFFLE_LARGE};
    const int halves[] = {5, 8, 11};
    const int swaps[3][5] = {{3, 6, 12, 25, 50}, {8, 16, 32, 64, 128}, {15, 30, 60, 121, 242}};
    Bitmap base = Bitmap::create(60, 60, 24);
    fillDistinct(base);
    for (int k = 0; k < 3; ++k) {
        const int h = halves[k];
        for (int density = 1; density <= 5; ++density) {
            const int n = swaps[k][density - 1];
            const std::uint32_t seed = seedSeparating(base, 30 - h, 30 - h, 2 * h, n);
            QVERIFY(seed != 0);
            FakeTarget t(60, 60, 60, 60);
            t.image = base;
            Bitmap expected = base;
            applySwaps(expected, seed, 30 - h, 30 - h, 2 * h, n);
            GestureSettings s = settingsFor();
            s.shuffleDensity = density;
            CPaintGesture g(kinds[k], t, s, fixedClock(seed));
            g.ShuffleDab(t.imageCanvas, 30, 30, true);
            const PointSet changed = changedPixels(base, t.image);
            QVERIFY(int(changed.size()) <= 2 * n);
            QVERIFY(!changed.empty());
            const PointSet area = rectSet(30 - h, 30 - h, 30 + h, 30 + h);
            QVERIFY(std::includes(area.begin(), area.end(), changed.begin(), changed.end()));
            QVERIFY(t.image == expected);
        }
    }
    // Densities outside 1..5 act as 5.
    FakeTarget t(60, 60, 60, 60);
    t.image = base;
    Bitmap expected = base;
    applySwaps(expected, 11, 25, 25, 10, 50);
    GestureSettings s = settingsFor();
    s.shuffleDensity = 9;
    CPaintGesture g(PK_SHUFFLE_SMALL, t, s, fixedClock(11));
    g.ShuffleDab(t.imageCanvas, 30, 30, true);
    QVERIFY(t.image == expected);
}

void TestPaint::shuffleStrokeAndEdges()
{
    // A press with density 1 and the small size: two stepped points, three
    // swaps each, the same on the screen at zoom 100.
    Bitmap base = Bitmap::create(60, 60, 24);
    fillDistinct(base);
    FakeTarget t(60, 60, 60, 60);
    t.image = base;
    t.screen = base;
    GestureSettings s = settingsFor();
    s.shuffleDensity = 1;
    std::uint32_t seed = 1;
    for (;; ++seed) {
        // Pick a seed where the two dabs do not undo each other.
        Bitmap a = base;
        applySwaps(a, seed, 25, 25, 10, 3);
        applySwaps(a, seed, 25, 26, 10, 3);
        if (!(a == base))
            break;
    }
    Bitmap expected = base;
    applySwaps(expected, seed, 25, 25, 10, 3);
    applySwaps(expected, seed, 25, 26, 10, 3);
    {
        CPaintGesture g(PK_SHUFFLE_SMALL, t, s, fixedClock(seed));
        g.Begin(QPoint(30, 30));
        g.End();
    }
    QVERIFY(t.balanced());
    QVERIFY(t.image == expected);
    QVERIFY(t.screen == expected);

    // At the image's corner the swaps reaching outside are skipped: colours
    // are only permuted, none is lost or made up.
    FakeTarget e(60, 60, 60, 60);
    e.image = base;
    Bitmap edge = base;
    GestureSettings sd = settingsFor();
    sd.shuffleDensity = 5;
    CPaintGesture g(PK_SHUFFLE_LARGE, e, sd, fixedClock(17));
    g.ShuffleDab(e.imageCanvas, 0, 0, true);
    applySwaps(edge, 17, -11, -11, 22, 242);
    QVERIFY(e.image == edge);
    QVERIFY(!changedPixels(base, e.image).empty());
    std::multiset<ColorRef> beforeColours, afterColours;
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 11; ++x) {
            beforeColours.insert(pixelOf(base, x, y));
            afterColours.insert(pixelOf(e.image, x, y));
        }
    QVERIFY(beforeColours == afterColours);
}

QTEST_GUILESS_MAIN(TestPaint)
#include "test_paint.moc"
