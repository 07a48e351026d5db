#include "view/SelectionTracker.h"

#include <algorithm>

namespace ardane {

SelectionTracker::SelectionTracker(int shape, const QRect& bounds, int zoomFactor, const QPoint& origin,
                                   const QPoint& press)
    : m_shape(shape), m_bounds(bounds), m_factor(std::max(1, zoomFactor)), m_origin(origin)
{
    m_start = m_end = toImage(press);
    if (m_shape == kSelectFreehand)
        m_path.push_back(Selection::pack(m_start.x(), m_start.y()));
}

QPoint SelectionTracker::toImage(const QPoint& p) const
{
    // The right and bottom edges themselves are allowed, so that a selection
    // can take in the last column and row.
    const int x = std::clamp(p.x(), m_bounds.left(), m_bounds.left() + m_bounds.width());
    const int y = std::clamp(p.y(), m_bounds.top(), m_bounds.top() + m_bounds.height());
    return {(x - m_bounds.left()) / m_factor + m_origin.x(), (y - m_bounds.top()) / m_factor + m_origin.y()};
}

void SelectionTracker::moveTo(const QPoint& controlPoint)
{
    const QPoint p = toImage(controlPoint);
    if (p == m_end)
        return;
    m_end = p;
    if (m_shape == kSelectFreehand)
        m_path.push_back(Selection::pack(p.x(), p.y()));
}

Selection SelectionTracker::current() const
{
    Selection s;
    s.shape = m_shape;
    if (m_shape == kSelectFreehand) {
        s.points = m_path;
        return s;
    }
    const int l = std::min(m_start.x(), m_end.x()), r = std::max(m_start.x(), m_end.x());
    const int t = std::min(m_start.y(), m_end.y()), b = std::max(m_start.y(), m_end.y());
    s.points = {Selection::pack(l, t), Selection::pack(r, t), Selection::pack(r, b), Selection::pack(l, b)};
    return s;
}

QPolygon SelectionTracker::outline() const
{
    return controlOutline(current(), m_factor, m_origin);
}

std::optional<Selection> SelectionTracker::result() const
{
    Selection s = current();
    const QRect box = s.bounds();
    if (!s.exists() || box.width() <= 0 || box.height() <= 0)
        return std::nullopt;
    return s;
}

QPolygon controlOutline(const Selection& selection, int zoomFactor, const QPoint& origin)
{
    QPolygon polygon;
    polygon.reserve(qsizetype(selection.points.size()));
    for (const std::uint32_t packed : selection.points) {
        const QPoint p = Selection::unpack(packed);
        polygon.append((p - origin) * zoomFactor);
    }
    return polygon;
}

} // namespace ardane
