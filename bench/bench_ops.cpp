// Times depth conversion and geometry on a 24-megapixel image (6000x4000 by
// default), one line per operation.
//
// Usage: bench_ops [WIDTH HEIGHT [FILTER]]   (FILTER: run only names containing it)

#include "BenchPicture.h"
#include "imaging/ops/Depth.h"
#include "imaging/ops/Geometry.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>

using namespace ardane;
using namespace ardane::imaging;
using namespace ardane::imaging::ops;

namespace {

int failures = 0;
QString filter;

// CPU time of the whole process (all threads), which other work on a busy
// machine disturbs less than the wall clock.
double processCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void time(const char* name, const std::function<Result()>& op)
{
    if (!filter.isEmpty() && !QString::fromUtf8(name).contains(filter))
        return;
    QElapsedTimer timer;
    const double cpu0 = processCpuMs();
    timer.start();
    const Result r = op();
    const qint64 ms = timer.elapsed();
    const double cpu = processCpuMs() - cpu0;
    if (r != result::Ok) {
        std::printf("%-40s FAILED (%u)\n", name, unsigned(r));
        ++failures;
        return;
    }
    std::printf("%-40s %8lld ms wall %8.0f ms cpu\n", name, ms, cpu);
    std::fflush(stdout);
}

Result ok(const std::function<void()>& op)
{
    op();
    return result::Ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int width = args.size() > 2 ? args[1].toInt() : 6000;
    const int height = args.size() > 2 ? args[2].toInt() : 4000;
    filter = args.size() > 3 ? args[3] : QString();
    const Bitmap image = bench::makeTestImage(width, height);
    if (image.isNull()) {
        std::fprintf(stderr, "cannot create a %dx%d image\n", width, height);
        return 2;
    }
    std::printf("ops on %dx%d (%.1f megapixels)\n", width, height, width * double(height) / 1e6);

    Bitmap out;
    const struct {
        const char* name;
        int bits;
        PaletteOption palette;
        DitherOption dither;
    } conversions[] = {
        {"24 -> 8 fixed, no dither", 8, PaletteOption::Fixed, DitherOption::None},
        {"24 -> 8 fixed, Floyd-Steinberg", 8, PaletteOption::Fixed, DitherOption::FloydSteinberg},
        {"24 -> 8 fixed, Stucki", 8, PaletteOption::Fixed, DitherOption::Stucki},
        {"24 -> 8 fixed, Burkes", 8, PaletteOption::Fixed, DitherOption::Burkes},
        {"24 -> 8 fixed, Sierra", 8, PaletteOption::Fixed, DitherOption::Sierra},
        {"24 -> 8 fixed, Stevenson-Arce", 8, PaletteOption::Fixed, DitherOption::Stevenson},
        {"24 -> 8 fixed, Jarvis", 8, PaletteOption::Fixed, DitherOption::Jarvis},
        {"24 -> 8 fixed, ordered", 8, PaletteOption::Fixed, DitherOption::Ordered},
        {"24 -> 8 identity, Floyd-Steinberg", 8, PaletteOption::Identity, DitherOption::FloydSteinberg},
        {"24 -> 8 optimized, no dither", 8, PaletteOption::Optimized, DitherOption::None},
        {"24 -> 8 optimized, Floyd-Steinberg", 8, PaletteOption::Optimized, DitherOption::FloydSteinberg},
        {"24 -> 4 fixed, Floyd-Steinberg", 4, PaletteOption::Fixed, DitherOption::FloydSteinberg},
        {"24 -> 4 optimized, Jarvis", 4, PaletteOption::Optimized, DitherOption::Jarvis},
        {"24 -> 1 fixed, Floyd-Steinberg", 1, PaletteOption::Fixed, DitherOption::FloydSteinberg},
        {"24 -> 1 fixed, ordered", 1, PaletteOption::Fixed, DitherOption::Ordered},
        {"24 -> 16", 16, PaletteOption::Fixed, DitherOption::None},
        {"24 -> 32", 32, PaletteOption::Fixed, DitherOption::None},
    };
    for (const auto& c : conversions)
        time(c.name, [&] { return convertDepth(image, c.bits, c.palette, c.dither, out); });

    Bitmap indexed;
    if (convertDepth(image, 8, PaletteOption::Fixed, DitherOption::None, indexed) != result::Ok)
        return 1;
    Bitmap argb;
    if (convertDepth(image, 32, PaletteOption::Fixed, DitherOption::None, argb) != result::Ok)
        return 1;
    time("8 -> 24", [&] { return convertDepth(indexed, 24, PaletteOption::Fixed, DitherOption::None, out); });
    time("8 -> 8 requantise, Floyd-Steinberg",
         [&] { return convertDepth(indexed, 8, PaletteOption::Identity, DitherOption::FloydSteinberg, out); });

    const int halfW = width / 2, halfH = height / 2;
    time("resize nearest to half", [&] { return resize(image, halfW, halfH, ResizeMode::Nearest, out); });
    time("resize nearest to 1.3x", [&] {
        return resize(image, width * 13 / 10, height * 13 / 10, ResizeMode::Nearest, out);
    });
    time("resample 24-bit to half", [&] { return resize(image, halfW, halfH, ResizeMode::Resample, out); });
    time("resample 24-bit to 0.37x", [&] {
        return resize(image, width * 37 / 100, height * 37 / 100, ResizeMode::Resample, out);
    });
    time("resample 32-bit to half", [&] { return resize(argb, halfW, halfH, ResizeMode::Resample, out); });
    time("resample 8-bit to half", [&] { return resize(indexed, halfW, halfH, ResizeMode::Resample, out); });
    Bitmap small;
    if (resize(image, halfW, halfH, ResizeMode::Nearest, small) != result::Ok)
        return 1;
    time("resample 24-bit from half up to full", [&] {
        return resize(small, width, height, ResizeMode::Resample, out);
    });

    for (int angle : {9000, 18000, 27000})
        time(qPrintable(QStringLiteral("rotate 24-bit %1 deg").arg(angle / 100)),
             [&] { return rotate(image, angle, true, 0, out); });
    time("rotate 8-bit 90 deg", [&] { return rotate(indexed, 9000, true, 0, out); });
    time("rotate 32-bit 270 deg", [&] { return rotate(argb, 27000, true, 0, out); });
    time("rotate 24-bit 30 deg, grow", [&] { return rotate(image, 3000, true, 0xFFFFFF, out); });
    time("rotate 24-bit -12.5 deg, keep size", [&] { return rotate(image, -1250, false, 0, out); });
    time("rotate 32-bit 30 deg, grow", [&] { return rotate(argb, 3000, true, 0, out); });
    time("rotate 8-bit 30 deg, grow", [&] { return rotate(indexed, 3000, true, 0, out); });

    Bitmap work = image;
    time("flip vertical 24-bit", [&] { return ok([&] { flipVertical(work); }); });
    time("flip horizontal 24-bit", [&] { return ok([&] { flipHorizontal(work); }); });
    time("flip horizontal 8-bit", [&] { return ok([&] { flipHorizontal(indexed); }); });
    time("crop centre quarter", [&] { return crop(image, width / 4, height / 4, halfW, halfH, out); });
    time("fill 24-bit", [&] { return ok([&] { fill(work, makeColorRef(10, 20, 30)); }); });
    return failures == 0 ? 0 : 1;
}
