// Times the painting gesture on a 24-megapixel 24-bit image (6000 x 4000)
// shown in a 1600 x 1000 control: pen and brush strokes move by move
// (including the flush of the screen feedback), and the blur, copy/paste and
// shuffle dabs. Prints mean and worst milliseconds; exits 1 when a figure
// misses its target (pen and brush moves: mean < 0.2 ms, worst < 2 ms; blur,
// copy/paste and image shuffle dabs: mean < 0.5 ms). The spray and shuffle
// strokes and the zoomed screen shuffle are printed without a target.
//
// Usage: bench_paint

#include "paint/CPaintGesture.h"

#include "imaging/Bitmap.h"
#include "raster/Canvas.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

using namespace ardane;
using namespace ardane::paint;
using ardane::imaging::Bitmap;
using ardane::raster::Canvas;

namespace {

constexpr int kImageW = 6000, kImageH = 4000;
constexpr int kControlW = 1600, kControlH = 1000;

class BenchTarget : public PaintTarget {
public:
    BenchTarget(Bitmap& imageBitmap, Bitmap& screenBitmap) : image(imageBitmap), screen(screenBitmap) {}
    Canvas& AcquireImageDc() override { return image; }
    void ReleaseImageDc() override {}
    Canvas& AcquireWindowDc() override { return screen; }
    void ReleaseWindowDc() override {}
    // What a view does with the feedback: take the rectangle to repaint.
    void flushWindow() override { dirty |= screen.takeDirty(); }
    QRect controlRect() const override { return QRect(0, 0, kControlW, kControlH); }
    QPoint viewToControl(QPoint viewPoint) const override { return viewPoint; }
    void repaintControlRect(const QRect& rect) override { dirty |= rect; }

    Canvas image;
    Canvas screen;
    QRect dirty;
};

Bitmap makeImage(int width, int height)
{
    Bitmap bitmap = Bitmap::create(width, height, 24);
    for (int y = 0; y < height; ++y) {
        uchar* row = bitmap.image().scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = uchar(x * 255 / width);
            row[3 * x + 1] = uchar(y * 255 / height);
            row[3 * x + 2] = uchar((x ^ y) & 255);
        }
    }
    return bitmap;
}

// A mouse path: a Lissajous curve over the control, moves of a few pixels.
std::vector<QPoint> mousePath(int moves)
{
    std::vector<QPoint> path;
    path.reserve(moves + 1);
    for (int i = 0; i <= moves; ++i) {
        const double t = i * 0.004;
        path.push_back(QPoint(int(800 + 700 * std::sin(3 * t)), int(500 + 450 * std::sin(2 * t + 0.5))));
    }
    return path;
}

int failures = 0;

struct Stats {
    double mean = 0;
    double worst = 0;
};

// A mean target of 0 prints the figures without a target.
void report(const char* name, const Stats& s, double meanTarget, double worstTarget)
{
    const bool ok = meanTarget <= 0 || (s.mean < meanTarget && (worstTarget <= 0 || s.worst < worstTarget));
    if (!ok)
        ++failures;
    std::printf("%-46s mean %8.4f ms  worst %8.4f ms  %s\n", name, s.mean, s.worst,
                meanTarget <= 0 ? "(no target)" : ok ? "ok" : "MISSED");
    std::fflush(stdout);
}

void strokeBench(const char* name, Bitmap& image, Bitmap& screen, int kind, int zoom, int moves,
                 double meanTarget = 0.2, double worstTarget = 2.0)
{
    BenchTarget target(image, screen);
    GestureSettings settings;
    settings.penColor = makeColorRef(200, 30, 90);
    settings.brushStyle = 3;
    settings.zoom = zoom;
    settings.zoomOrigin = zoom > 100 ? QPoint(2000, 1500) : QPoint();
    const std::vector<QPoint> path = mousePath(moves);
    CPaintGesture gesture(kind, target, settings);
    gesture.Begin(path.front());
    Stats s;
    QElapsedTimer timer;
    for (int i = 1; i <= moves; ++i) {
        timer.start();
        gesture.MouseMove(path[i]);
        const double ms = timer.nsecsElapsed() / 1e6;
        s.mean += ms;
        s.worst = std::max(s.worst, ms);
    }
    s.mean /= moves;
    timer.start();
    gesture.End();
    const double endMs = timer.nsecsElapsed() / 1e6;
    report(name, s, meanTarget, worstTarget);
    std::printf("%-46s %8.3f ms\n", "  its release", endMs);
}

void dabBench(const char* name, int count, const std::function<void(int)>& dab, double meanTarget = 0.5)
{
    Stats s;
    QElapsedTimer timer;
    for (int i = 0; i < count; ++i) {
        timer.start();
        dab(i);
        const double ms = timer.nsecsElapsed() / 1e6;
        s.mean += ms;
        s.worst = std::max(s.worst, ms);
    }
    s.mean /= count;
    report(name, s, meanTarget, 0);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    Bitmap image = makeImage(kImageW, kImageH);
    Bitmap screen = Bitmap::create(kControlW, kControlH, 24);
    if (image.isNull() || screen.isNull()) {
        std::fprintf(stderr, "cannot create the bitmaps\n");
        return 2;
    }
    std::printf("painting on %dx%d (%.1f megapixels), control %dx%d\n", kImageW, kImageH,
                kImageW * double(kImageH) / 1e6, kControlW, kControlH);

    strokeBench("pen, 10000 moves, zoom 100", image, screen, PK_PEN, 100, 10000);
    strokeBench("pen, 10000 moves, zoom 800", image, screen, PK_PEN, 800, 10000);
    strokeBench("brush style 3, 2000 moves, zoom 100", image, screen, PK_BRUSH, 100, 2000);
    strokeBench("brush style 3, 2000 moves, zoom 800", image, screen, PK_BRUSH, 800, 2000);
    strokeBench("spray style 8, 2000 moves, zoom 100", image, screen, PK_SPRAY, 100, 2000, 0, 0);
    strokeBench("shuffle large, 2000 moves, zoom 100", image, screen, PK_SHUFFLE_LARGE, 100, 2000, 0, 0);

    BenchTarget target(image, screen);
    const auto dabPoint = [](int i) { return QPoint(100 + (i * 37) % 1400, 100 + (i * 53) % 800); };
    for (int kind : {PK_BLUR_SMALL, PK_BLUR_LARGE}) {
        GestureSettings s;
        s.areaShape = 4;
        dabBench(kind == PK_BLUR_SMALL ? "blur small dab (circle)" : "blur large dab (circle)", 2000, [&](int i) {
            CPaintGesture g(kind, target, s);
            g.Begin(dabPoint(i));
        });
    }
    {
        GestureSettings s;
        dabBench("copy/paste large (press, move, release)", 2000, [&](int i) {
            CPaintGesture g(PK_COPYPASTE_LARGE, target, s);
            g.Begin(dabPoint(i));
            g.MouseMove(dabPoint(i + 7));
            g.End();
        });
    }
    for (int density : {1, 5}) {
        GestureSettings s;
        s.shuffleDensity = density;
        CPaintGesture g(PK_SHUFFLE_LARGE, target, s);
        dabBench(density == 1 ? "shuffle large dab, density 1, image" : "shuffle large dab, density 5, image", 2000,
                 [&](int i) {
                     const QPoint p = dabPoint(i);
                     g.ShuffleDab(target.image, p.x(), p.y(), true);
                 });
    }
    {
        GestureSettings s;
        s.shuffleDensity = 5;
        s.zoom = 800;
        CPaintGesture g(PK_SHUFFLE_LARGE, target, s);
        dabBench("shuffle large dab, density 5, screen zoom 800", 200, [&](int i) {
            const QPoint p = dabPoint(i);
            g.ShuffleDab(target.screen, p.x() / 8, p.y() / 8, false);
        }, 0);
    }
    return failures == 0 ? 0 : 1;
}
