// Triage of fuzz findings: for each file, what ProbeFile, LoadFile and
// ReplaceFromDib answer, with the image they give and the time taken.
//
// Usage: fuzz_replay FILE...

#include "imaging/ImagingControl.h"
#include "imaging/ResultCodes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

using namespace ardane;
using namespace ardane::imaging;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        QElapsedTimer timer;
        timer.start();
        ImagingControl c;
        const Result probed = c.ProbeFile(path, 0);
        std::printf("%s\n  probe %d", argv[i], int(probed));
        if (probed == result::Ok)
            std::printf(" (format %d, %dx%d, %d bits)", c.ProbedFormat(), c.ProbedWidth(), c.ProbedHeight(), c.ProbedBitsPerPixel());
        const Result loaded = c.LoadFile(path, 0, 0);
        std::printf("; load %d", int(loaded));
        if (loaded == result::Ok)
            std::printf(" (%gx%g, %d bits)", double(c.ImageWidth()), double(c.ImageHeight()), c.BitsPerPixel());
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = file.readAll();
            ImagingControl d;
            std::printf("; as DIB %d", int(d.ReplaceFromDib(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())))));
        }
        std::printf("; %lld ms\n", static_cast<long long>(timer.elapsed()));
    }
    return 0;
}
