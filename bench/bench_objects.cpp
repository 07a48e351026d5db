// Times merging drawing objects into a large picture: 1,000 rectangles
// (some turned), ellipses and lines of 20 to 400 pixels, pen widths 1 to 10,
// filled or hollow, into a 6000 x 4000 (24-megapixel) 24-bit image, in the
// copy mode and in exclusive-or (which the second run undoes, checked).

#include "objects/ShapeObjects.h"
#include "raster/Canvas.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include "BenchTiming.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>

using namespace ardane;
using namespace ardane::imaging;
using namespace ardane::objects;
using namespace ardane::raster;

namespace {

bench::Timings timings(60);

void time(const char* name, const std::function<bool()>& op)
{
    timings.time(name, op);
}

// 1,000 objects from a fixed seed: a third each of rectangles (every fourth
// turned), ellipses and lines, 20 to 400 pixels a side.
ObjectList makeObjects(int width, int height)
{
    ObjectList objects;
    std::uint32_t seed = 12345;
    const auto next = [&seed](int n) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % std::uint32_t(n));
    };
    for (int i = 0; i < 1000; ++i) {
        const int w = 20 + next(381), h = 20 + next(381);
        const int x = next(width - w), y = next(height - h);
        PaintSettings settings;
        settings.penColor = makeColorRef(next(256), next(256), next(256));
        settings.objectDefaults = {next(2), makeColorRef(next(256), next(256), next(256)), 1 + next(10)};
        ObjectPtr object;
        switch (i % 3) {
        case 0: object = std::make_unique<CRectObj>(); break;
        case 1: object = std::make_unique<CEllipseObj>(); break;
        default: {
            auto line = std::make_unique<CLineObj>();
            line->m_nDirection = next(3);
            object = std::move(line);
        }
        }
        object->CreateInView(Box{x, y, x + w, y + h}, settings);
        if (i % 12 == 0) {
            object->RotatePoints(10 + next(70));
            object->FitWindowToPoints();
        }
        objects.push_back(std::move(object));
    }
    return objects;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    Bitmap image = Bitmap::create(6000, 4000, 24);
    if (image.isNull()) {
        std::printf("cannot create a 6000 x 4000 bitmap\n");
        return 2;
    }
    for (int y = 0; y < 4000; ++y)
        std::memset(image.image().scanLine(y), 0x40, std::size_t(image.image().bytesPerLine()));
    const Bitmap original = image;
    // Both pictures get their own pixels before the clock starts.
    if (!image.detach())
        return 2;
    Canvas canvas(image);
    const ImageMapping map;

    ObjectList objects = makeObjects(6000, 4000);
    long long pixels = 0;
    time("merge 1000 shapes into 6000 x 4000 24 bits, copy mode", [&] {
        for (const ObjectPtr& object : objects) {
            const Box written = object->MergeIntoImage(canvas, map, R2_COPYPEN);
            pixels += (long long)written.width() * written.height();
        }
        return pixels > 0 && canvas.pixel(0, 0) == makeColorRef(0x40, 0x40, 0x40);
    });
    std::printf("  (%.1f megapixels of object boxes)\n", double(pixels) / 1e6);

    Bitmap xorImage = original;
    if (!xorImage.detach())
        return 2;
    Canvas xorCanvas(xorImage);
    objects = makeObjects(6000, 4000);
    time("merge 1000 shapes, exclusive or", [&] {
        for (const ObjectPtr& object : objects)
            object->MergeIntoImage(xorCanvas, map, R2_XORPEN);
        return true;
    });
    time("merge them again (undoes the first), exclusive or", [&] {
        for (const ObjectPtr& object : objects)
            object->MergeIntoImage(xorCanvas, map, R2_XORPEN);
        for (int y = 0; y < 4000; ++y)
            if (std::memcmp(xorImage.image().constScanLine(y), original.image().constScanLine(y), 18000) != 0)
                return false;
        return true;
    });
    return timings.failures() == 0 ? 0 : 1;
}
