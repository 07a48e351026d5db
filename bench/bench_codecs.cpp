// Times loading and saving a 24-megapixel image through the imaging control
// in PNG, JPEG, BMP and TIFF, and leaves the files behind for run.sh, which
// compares ardane-batch with `gm convert` on them.
//
// Usage: bench_codecs OUTDIR [WIDTH HEIGHT]

#include "BenchPicture.h"
#include "imaging/FileFormat.h"
#include "imaging/ImagingControl.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>

#include <cmath>
#include <cstdio>

using namespace ardane::imaging;

namespace {

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_codecs OUTDIR [WIDTH HEIGHT]\n");
        return 2;
    }
    const QString outDir = args[1];
    const int width = args.size() > 3 ? args[2].toInt() : 6000;
    const int height = args.size() > 3 ? args[3].toInt() : 4000;
    QDir().mkpath(outDir);

    ImagingControl control;
    control.SetImageHandle(ardane::bench::makeTestImage(width, height));
    std::printf("image %dx%d (%.1f megapixels)\n", width, height, width * double(height) / 1e6);
    std::printf("%-6s %10s %10s %12s\n", "format", "save ms", "load ms", "bytes");

    const struct { FileFormat format; const char* ext; } cases[] = {
        {FileFormat::Png, "png"}, {FileFormat::Jpeg, "jpg"}, {FileFormat::Bmp, "bmp"}, {FileFormat::Tiff, "tif"},
    };
    int status = 0;
    for (const auto& c : cases) {
        const QString path = QStringLiteral("%1/bench.%2").arg(outDir, QLatin1String(c.ext));
        QElapsedTimer timer;
        timer.start();
        const Result saved = control.SaveFile(path, int(c.format), 24, 75, false);
        const qint64 saveMs = timer.elapsed();
        ImagingControl loader;
        timer.restart();
        const Result loaded = loader.LoadFile(path, 0, 0);
        const qint64 loadMs = timer.elapsed();
        if (saved != result::Ok || loaded != result::Ok) {
            std::fprintf(stderr, "%s: save %u load %u\n", c.ext, saved, loaded);
            status = 1;
            continue;
        }
        std::printf("%-6s %10lld %10lld %12lld\n", c.ext, saveMs, loadMs, QFileInfo(path).size());
    }
    return status;
}
