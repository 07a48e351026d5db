#include "view/ShapeRegion.h"

#include "raster/Region.h"
#include "view/Selection.h"

#include <QList>
#include <QRect>

#include <algorithm>
#include <span>
#include <vector>

namespace ardane {

namespace {

QRegion toQRegion(const raster::Region& region)
{
    // Rows of spans, left to right; a run of rows with the same spans makes
    // one band. That is the banded order setRects wants, so the region is
    // built in one go, and equal shapes give equal regions.
    QList<QRect> rects;
    std::span<const raster::Span> previous;
    qsizetype bandStart = 0;
    for (int i = 0; i < region.rowCount(); ++i) {
        const int y = region.top() + i;
        const std::span<const raster::Span> spans = region.row(y);
        const bool same = i > 0 && !spans.empty() && spans.size() == previous.size()
            && std::equal(spans.begin(), spans.end(), previous.begin(),
                          [](const raster::Span& a, const raster::Span& b) {
                              return a.left == b.left && a.right == b.right;
                          });
        if (same) {
            for (qsizetype k = bandStart; k < rects.size(); ++k)
                rects[k].setHeight(rects[k].height() + 1);
        } else {
            bandStart = rects.size();
            for (const raster::Span& s : spans)
                rects.append(QRect(s.left, y, s.right - s.left, 1));
        }
        previous = spans;
    }
    QRegion out;
    if (!rects.isEmpty())
        out.setRects(rects.constData(), int(rects.size()));
    return out;
}

} // namespace

QRegion shapeRegion(int shape, const QPolygon& outline)
{
    if (outline.size() < 3)
        return {};
    const QRect box = outline.boundingRect();
    // QRect's right() is the greatest x itself; the regions take one past it
    // as their right edge, which the pixel at that column does not reach.
    const int right = box.right(), bottom = box.bottom();
    switch (shape) {
    case kSelectRect:
        return toQRegion(raster::Region::rectangle(box.left(), box.top(), right, bottom));
    case kSelectEllipse:
        return toQRegion(raster::Region::ellipse(box.left(), box.top(), right, bottom));
    default: {
        const std::vector<QPoint> points(outline.cbegin(), outline.cend());
        return toQRegion(raster::Region::polygon(points));
    }
    }
}

QPolygon scaledOutline(const QPolygon& outline, int factor)
{
    QPolygon out = outline;
    const int f = std::max(1, factor);
    for (QPoint& p : out)
        p *= f;
    return out;
}

} // namespace ardane
