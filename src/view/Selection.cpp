#include "view/Selection.h"

#include <algorithm>

namespace ardane {

std::uint32_t Selection::pack(int x, int y)
{
    return std::uint32_t(std::uint16_t(x)) | (std::uint32_t(std::uint16_t(y)) << 16);
}

QPoint Selection::unpack(std::uint32_t p)
{
    return QPoint(std::int16_t(p & 0xFFFFu), std::int16_t(p >> 16));
}

Selection Selection::wholeImage(int width, int height)
{
    Selection s;
    s.points = {pack(0, 0), pack(width, 0), pack(width, height), pack(0, height)};
    s.shape = kSelectRect;
    return s;
}

QRect Selection::bounds() const
{
    if (points.empty())
        return {};
    const QPoint first = unpack(points.front());
    int left = first.x(), top = first.y(), right = first.x(), bottom = first.y();
    for (const std::uint32_t p : points) {
        const QPoint q = unpack(p);
        left = std::min(left, q.x());
        top = std::min(top, q.y());
        right = std::max(right, q.x());
        bottom = std::max(bottom, q.y());
    }
    return QRect(QPoint(left, top), QSize(right - left, bottom - top));
}

std::vector<QPoint> Selection::unpacked() const
{
    std::vector<QPoint> out;
    out.reserve(points.size());
    for (const std::uint32_t p : points)
        out.push_back(unpack(p));
    return out;
}

raster::Region Selection::region() const
{
    if (points.empty())
        return {};
    const QRect box = bounds();
    const int right = box.left() + box.width(), bottom = box.top() + box.height();
    switch (shape) {
    case kSelectRect: return raster::Region::rectangle(box.left(), box.top(), right, bottom);
    case kSelectEllipse: return raster::Region::ellipse(box.left(), box.top(), right, bottom);
    default: {
        const std::vector<QPoint> corners = unpacked();
        return raster::Region::polygon(corners);
    }
    }
}

void Selection::translate(int dx, int dy)
{
    for (std::uint32_t& p : points) {
        const QPoint q = unpack(p);
        p = pack(q.x() + dx, q.y() + dy);
    }
}

} // namespace ardane
