// Text output: glyphs arrive as an 8-bit coverage mask (drawn without
// antialiasing by the caller) and are written as runs of full pixels in one
// colour, like the other shapes, so scaled text is exactly the unscaled text
// enlarged.

#include "raster/CanvasSurface.h"

#include <algorithm>

namespace ardane::raster {

void Canvas::fillMask(const QImage& mask, int x0, int y0, ColorRef colour)
{
    if (mask.isNull())
        return;
    QImage converted;
    const QImage* source = &mask;
    if (mask.format() != QImage::Format_Alpha8 && mask.format() != QImage::Format_Grayscale8) {
        converted = mask.convertToFormat(QImage::Format_Alpha8);
        if (converted.isNull())
            return;
        source = &converted;
    }
    Impl::Surface surface(*this);
    if (!surface.isOpen())
        return;
    const Mix mix{0, surface.valueOf(colour)};
    const std::int64_t w = source->width(), h = source->height();
    // Mask rows and columns that can reach the writable area.
    const std::int64_t firstRow = std::max<std::int64_t>(0, surface.firstRow() - y0);
    const std::int64_t lastRow = std::min<std::int64_t>(h, surface.lastRow() - y0);
    const std::int64_t firstCol = std::max<std::int64_t>(0, surface.firstColumn() - x0);
    const std::int64_t lastCol = std::min<std::int64_t>(w, surface.lastColumn() - x0);
    if (firstRow >= lastRow || firstCol >= lastCol)
        return;
    for (std::int64_t j = firstRow; j < lastRow; ++j) {
        const uchar* row = source->constScanLine(int(j));
        const std::int64_t y = y0 + j;
        std::int64_t i = firstCol;
        while (i < lastCol) {
            while (i < lastCol && row[i] < 128)
                ++i;
            const std::int64_t start = i;
            while (i < lastCol && row[i] >= 128)
                ++i;
            if (i > start)
                surface.logicalSpan(y, x0 + start, x0 + i, mix);
        }
    }
}

} // namespace ardane::raster
