// Times the raster canvas on large bitmaps, one line per operation: flood
// fills of 12 megapixels, block transfers of 24 megapixels through an
// elliptic region, and 10,000 small brush dabs.
//
// Usage: bench_raster [huge]   (huge: also fill a 24000 x 24000 8-bit image,
//                               which needs about 600 MB)

#include "raster/Canvas.h"
#include "raster/Region.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include "BenchTiming.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>

using namespace ardane;
using namespace ardane::imaging;
using namespace ardane::raster;

namespace {

bench::Timings timings(52);

void time(const char* name, const std::function<bool()>& op)
{
    timings.time(name, op);
}

// A bitmap of one stored value, its pixels already its own.
Bitmap plain(int w, int h, int bits, std::uint8_t byte)
{
    Bitmap b = Bitmap::create(w, h, bits);
    if (b.isNull())
        return b;
    QImage& image = b.image();
    for (int y = 0; y < h; ++y)
        std::memset(image.scanLine(y), byte, std::size_t(image.bytesPerLine()));
    return b;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const bool huge = app.arguments().contains(QStringLiteral("huge"));

    for (int bits : {8, 24, 32}) {
        Bitmap b = plain(4000, 3000, bits, 0x40);
        Canvas c(b);
        c.setBrush(makeColorRef(200, 10, 10));
        const ColorRef surface = c.pixel(0, 0);
        const QByteArray name = QByteArray("flood fill 4000 x 3000, one colour, ") + QByteArray::number(bits) + " bits";
        time(name.constData(), [&] { return c.floodFill(2000, 1500, surface) && c.pixel(3999, 2999) != surface; });
    }
    {
        // Half the picture behind a wall of vertical stripes: many short runs.
        Bitmap b = plain(4000, 3000, 24, 0x40);
        Canvas c(b);
        c.setPen(makeColorRef(0, 0, 0));
        for (int x = 1; x < 4000; x += 4)
            c.line(x, 0, x, 2990);
        c.setBrush(makeColorRef(200, 10, 10));
        time("flood fill 4000 x 3000, comb of 1000 teeth, 24 bits",
             [&] { return c.floodFill(0, 0, c.pixel(0, 0)) && c.pixel(3998, 0) == makeColorRef(200, 10, 10); });
    }

    {
        Bitmap src = plain(6000, 4000, 24, 0x11);
        Bitmap dst = plain(6000, 4000, 24, 0x77);
        Canvas cs(src), cd(dst);
        Region region;
        time("ellipse region 6000 x 4000", [&] {
            region = Region::ellipse(0, 0, 6000, 4000);
            return region.pixelCount() > 0;
        });
        cd.setClip(region);
        time("SRCCOPY 6000 x 4000 24 bits through the ellipse",
             [&] { cd.bitBlt(0, 0, 6000, 4000, cs, 0, 0, SRCCOPY); return cd.pixel(3000, 2000) == cs.pixel(3000, 2000); });
        time("SRCINVERT 6000 x 4000 24 bits through the ellipse",
             [&] { cd.bitBlt(0, 0, 6000, 4000, cs, 0, 0, SRCINVERT); return cd.pixel(3000, 2000) == 0; });
        cd.clearClip();
        time("SRCCOPY 6000 x 4000 24 bits, no clip",
             [&] { cd.bitBlt(0, 0, 6000, 4000, cs, 0, 0, SRCCOPY); return cd.pixel(0, 0) == cs.pixel(0, 0); });
        Bitmap d8 = plain(6000, 4000, 8, 0x20);
        Canvas c8(d8);
        c8.setClip(region);
        time("SRCCOPY 6000 x 4000 24 -> 8 bits through the ellipse",
             [&] { c8.bitBlt(0, 0, 6000, 4000, cs, 0, 0, SRCCOPY); return c8.pixel(3000, 2000) == makeColorRef(17, 17, 17); });
        time("the same again (nearest-colour table kept)",
             [&] { c8.bitBlt(0, 0, 6000, 4000, cs, 0, 0, SRCCOPY); return c8.pixel(3000, 2000) == makeColorRef(17, 17, 17); });
        Bitmap noisy = plain(6000, 4000, 24, 0);
        std::uint32_t seed = 5;
        for (int y = 0; y < 4000; ++y) {
            uchar* line = noisy.image().scanLine(y);
            for (int x = 0; x < 18000; ++x) {
                seed = seed * 1664525u + 1013904223u;
                line[x] = uchar(seed >> 24);
            }
        }
        Canvas cn(noisy);
        time("SRCCOPY 6000 x 4000 noise 24 -> 8 bits, ellipse",
             [&] { c8.bitBlt(0, 0, 6000, 4000, cn, 0, 0, SRCCOPY); return true; });
    }

    {
        Bitmap b = plain(6000, 4000, 24, 0x80);
        Canvas c(b);
        c.setPen(makeColorRef(10, 20, 30));
        c.setBrush(makeColorRef(200, 100, 50));
        auto dabs = [&](bool ellipse) {
            std::uint32_t seed = 1;
            for (int i = 0; i < 10000; ++i) {
                seed = seed * 1664525u + 1013904223u;
                const int x = int(seed >> 8) % 5990, y = int(seed >> 4) % 3990;
                if (ellipse)
                    c.ellipse(x, y, x + 12, y + 12);
                else
                    c.rectangle(x, y, x + 12, y + 12);
            }
            return !c.takeDirty().isEmpty();
        };
        time("10000 rectangles 12 x 12, copy mode", [&] { return dabs(false); });
        c.setRop2(R2_XORPEN);
        time("10000 rectangles 12 x 12, exclusive or", [&] { return dabs(false); });
        c.setRop2(R2_COPYPEN);
        time("10000 ellipses 12 x 12, copy mode", [&] { return dabs(true); });
        c.setClip(Region::ellipse(0, 0, 6000, 4000));
        time("10000 rectangles 12 x 12, elliptic clip", [&] { return dabs(false); });
    }

    if (huge) {
        Bitmap b = plain(24000, 24000, 8, 0);
        if (b.isNull()) {
            std::printf("cannot create a 24000 x 24000 bitmap\n");
            return 2;
        }
        Canvas c(b);
        c.setBrush(makeColorRef(255, 255, 255));
        time("flood fill 24000 x 24000, one colour, 8 bits",
             [&] { return c.floodFill(12000, 12000, 0) && c.pixel(23999, 0) == 0xFFFFFF; });
    }
    return timings.failures() == 0 ? 0 : 1;
}
