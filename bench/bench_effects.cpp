// Times the sixteen effects and an intensity map inside the imaging control
// on a 24-megapixel 24-bit photograph-like image (6000x4000 by default), no
// file in between, beside one plain memory copy of the same pixels.
//
// Usage: bench_effects [WIDTH HEIGHT [RUNS [FILTER]]]
//   RUNS (default 3): each effect runs that many times on a fresh copy; the
//   best wall time is shown, with the mean processor time of all threads.
//   FILTER: run only names containing it.
// ARDANE_THREADS=N in the environment limits the effects to N threads.

#include "BenchPicture.h"
#include "BenchTiming.h"
#include "imaging/ImagingControl.h"
#include "imaging/ops/Parallel.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

using namespace ardane;
using namespace ardane::imaging;

namespace {

struct Timing {
    double bestMs = 0;
    double cpuMs = 0;
    bool ok = true;
};

// Best wall time of `runs` calls, each on a fresh control that owns its
// pixels already (the copy is not timed).
Timing measure(const Bitmap& image, int runs, const std::function<Result(ImagingControl&)>& op)
{
    Timing t;
    t.bestMs = 1e30;
    for (int i = 0; i < runs; ++i) {
        ImagingControl control;
        control.SetImageHandle(image);
        if (!control.bitmapForDrawing().detach())
            return {0, 0, false};
        QElapsedTimer timer;
        const double cpu0 = bench::processCpuMs();
        timer.start();
        const Result r = op(control);
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        t.cpuMs += bench::processCpuMs() - cpu0;
        if (r != result::Ok)
            return {0, 0, false};
        t.bestMs = std::min(t.bestMs, ms);
    }
    t.cpuMs /= runs;
    return t;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int width = argc > 2 ? std::atoi(argv[1]) : 6000;
    const int height = argc > 2 ? std::atoi(argv[2]) : 4000;
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    const QString filter = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString();

    if (const QByteArray threads = qgetenv("ARDANE_THREADS"); !threads.isEmpty())
        imaging::ops::detail::setThreadLimit(threads.toInt());
    const Bitmap image = bench::makeTestImage(width, height);
    if (image.isNull()) {
        std::printf("cannot make a %dx%d image\n", width, height);
        return 1;
    }
    const std::size_t bytes = std::size_t(image.image().sizeInBytes());

    // One memory copy of the pixels into a buffer already touched.
    std::vector<uchar> target(bytes, 1);
    double copyMs = 1e30;
    for (int i = 0; i < std::max(runs, 5); ++i) {
        QElapsedTimer timer;
        timer.start();
        std::memcpy(target.data(), image.image().constBits(), bytes);
        copyMs = std::min(copyMs, double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("%dx%d, 24 bits (%zu bytes); best of %d runs; %d threads\n", width, height, bytes, runs,
                imaging::ops::detail::workerCount());
    std::printf("%-28s %10s %10s %10s\n", "operation", "wall ms", "cpu ms", "x memcpy");
    std::printf("%-28s %10.1f %10s %10.2f\n", "memcpy", copyMs, "-", 1.0);

    struct Case {
        const char* name;
        std::function<Result(ImagingControl&)> op;
    };
    const std::vector<Case> cases = {
        {"invert", [](ImagingControl& c) { return c.Invert(); }},
        {"grayscale", [](ImagingControl& c) { return c.Grayscale(); }},
        {"gamma 220", [](ImagingControl& c) { return c.GammaCorrect(220); }},
        {"intensity 300", [](ImagingControl& c) { return c.Intensity(300); }},
        {"contrast 300", [](ImagingControl& c) { return c.Contrast(300); }},
        {"posterize 4", [](ImagingControl& c) { return c.Posterize(4); }},
        {"intensity map master", [](ImagingControl& c) {
             for (int i = 0; i < 256; ++i)
                 c.SetIntensityMapEntry(i, 255 - i);
             return c.ApplyIntensityMap(0);
         }},
        {"intensity map red", [](ImagingControl& c) {
             for (int i = 0; i < 256; ++i)
                 c.SetIntensityMapEntry(i, 255 - i);
             return c.ApplyIntensityMap(1);
         }},
        {"histogram contrast 1000", [](ImagingControl& c) { return c.HistogramContrast(1000); }},
        {"saturation 500", [](ImagingControl& c) { return c.Saturation(500); }},
        {"hue 120", [](ImagingControl& c) { return c.Hue(120); }},
        {"add noise 300 master", [](ImagingControl& c) { return c.AddNoise(300, 0); }},
        {"average 3", [](ImagingControl& c) { return c.Average(3); }},
        {"average 15", [](ImagingControl& c) { return c.Average(15); }},
        {"median 3", [](ImagingControl& c) { return c.Median(3); }},
        {"median 7", [](ImagingControl& c) { return c.Median(7); }},
        {"mosaic 8", [](ImagingControl& c) { return c.Mosaic(8); }},
        {"sharpen 500", [](ImagingControl& c) { return c.Sharpen(500); }},
        {"emboss north-east 500", [](ImagingControl& c) { return c.Emboss(1, 500); }},
        {"shear 20 horizontal", [](ImagingControl& c) { return c.Shear(20, true, 0xFFFFFF); }},
        {"shear 20 vertical", [](ImagingControl& c) { return c.Shear(20, false, 0xFFFFFF); }},
    };
    int failures = 0;
    for (const Case& c : cases) {
        if (!filter.isEmpty() && !QString::fromUtf8(c.name).contains(filter))
            continue;
        const Timing t = measure(image, runs, c.op);
        if (!t.ok) {
            std::printf("%-28s FAILED\n", c.name);
            ++failures;
            continue;
        }
        std::printf("%-28s %10.1f %10.0f %10.2f\n", c.name, t.bestMs, t.cpuMs, t.bestMs / copyMs);
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}
