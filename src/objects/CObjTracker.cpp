#include "objects/CObjTracker.h"

#include "core/Color.h"

#include <QPainter>
#include <QPen>
#include <QPolygon>

#include <cmath>

namespace ardane::objects {

namespace {

// Handles are squares of 2 * kHalf + 1 = 7 pixels a side, centred on their
// point; a handle is hit one pixel beyond its square.
constexpr int kHalf = 3;

ObjPoints handleAt(QPoint c)
{
    return {c + QPoint(-kHalf, -kHalf), c + QPoint(kHalf, -kHalf), c + QPoint(kHalf, kHalf), c + QPoint(-kHalf, kHalf)};
}

struct Vec {
    double x = 0, y = 0;
    [[nodiscard]] double length() const { return std::hypot(x, y); }
    [[nodiscard]] Vec unit() const
    {
        const double l = length();
        return l > 0 ? Vec{x / l, y / l} : Vec{};
    }
    [[nodiscard]] Vec perpendicular() const { return {-y, x}; }
    [[nodiscard]] double dot(const Vec& o) const { return x * o.x + y * o.y; }
    [[nodiscard]] Vec scaled(double s) const { return {x * s, y * s}; }
};

Vec vec(QPoint p) { return {double(p.x()), double(p.y())}; }
Vec between(QPoint from, QPoint to) { return vec(to - from); }

// A point moved by d, rounded to whole pixels.
QPoint moved(QPoint p, const Vec& d) { return {p.x() + int(std::lround(d.x)), p.y() + int(std::lround(d.y))}; }

// The part of d along the unit vector u, as a vector.
Vec along(const Vec& d, const Vec& u) { return u.scaled(d.dot(u)); }

} // namespace

CObjTracker::CObjTracker(const ObjPoints& points, bool active) : m_points(points), m_active(active)
{
    for (std::size_t i = 0; i < 4; ++i) {
        m_handles[i] = handleAt(m_points[i]);
        const QPoint a = m_points[i], b = m_points[(i + 1) % 4];
        m_handles[i + 4] = handleAt(QPoint(a.x() + (b.x() - a.x()) / 2, a.y() + (b.y() - a.y()) / 2));
    }
}

int CObjTracker::HitTest(QPoint position)
{
    m_hit = kNothing;
    if (!m_active)
        return m_hit;
    for (std::size_t i = 0; i < m_handles.size(); ++i) {
        const Box box = Box::normalized(m_handles[i][0], m_handles[i][2]).inflated(1);
        if (position.x() >= box.left && position.x() <= box.right && position.y() >= box.top &&
            position.y() <= box.bottom) {
            m_hit = int(i);
            return m_hit;
        }
    }
    const Box inside = boundingBox(m_points);
    if (position.x() >= inside.left && position.x() <= inside.right && position.y() >= inside.top &&
        position.y() <= inside.bottom)
        m_hit = kInside;
    return m_hit;
}

std::string_view CObjTracker::cursorName(int hit)
{
    // A corner handle and the handle of the edge that starts at it share a
    // cursor.
    switch (hit) {
    case 0:
    case 4: return "CURSORNW";
    case 1:
    case 5: return "CURSORNE";
    case 2:
    case 6: return "CURSORNS";
    case 3:
    case 7: return "CURSOREW";
    case kInside: return "CURSORNSEW";
    default: return {};
    }
}

ObjPoints CObjTracker::dragged(QPoint press, QPoint current) const
{
    const Vec d = between(press, current);
    ObjPoints out = m_points;
    if (m_hit == kInside) {
        for (QPoint& p : out)
            p += current - press;
        return out;
    }
    if (m_hit >= 0 && m_hit < 4) {
        // The dragged corner follows the mouse; its neighbours slide along the
        // object's two edges through the fixed opposite corner.
        const auto k = std::size_t(m_hit);
        const std::size_t opposite = (k + 2) % 4, next = (k + 1) % 4, previous = (k + 3) % 4;
        Vec toNext = between(m_points[opposite], m_points[next]).unit();
        Vec toPrevious = between(m_points[opposite], m_points[previous]).unit();
        if (toNext.length() == 0 && toPrevious.length() == 0) {
            // A collapsed object: its unturned axes (the edge from the
            // opposite corner to the next one is upright for even corners).
            toNext = k % 2 == 0 ? Vec{0, 1} : Vec{1, 0};
            toPrevious = toNext.perpendicular();
        } else if (toNext.length() == 0) {
            toNext = toPrevious.perpendicular();
        } else if (toPrevious.length() == 0) {
            toPrevious = toNext.perpendicular();
        }
        out[k] = moved(m_points[k], d);
        out[next] = moved(m_points[next], along(d, toNext));
        out[previous] = moved(m_points[previous], along(d, toPrevious));
        return out;
    }
    if (m_hit >= 4 && m_hit < 8) {
        // The edge moves across itself; the opposite edge stays.
        const auto a = std::size_t(m_hit - 4), b = (a + 1) % 4;
        Vec normal = between(m_points[a], m_points[b]).perpendicular().unit();
        if (normal.length() == 0) {
            const std::size_t c = (a + 2) % 4, e = (a + 3) % 4;
            normal = Vec{(m_points[a].x() + m_points[b].x() - m_points[c].x() - m_points[e].x()) / 2.0,
                         (m_points[a].y() + m_points[b].y() - m_points[c].y() - m_points[e].y()) / 2.0}
                         .unit();
        }
        if (normal.length() == 0)
            normal = a % 2 == 0 ? Vec{0, 1} : Vec{1, 0};
        const Vec shift = along(d, normal);
        out[a] = moved(m_points[a], shift);
        out[b] = moved(m_points[b], shift);
        return out;
    }
    return out;
}

void CObjTracker::draw(QPainter& painter, QPoint offset) const
{
    const QColor colour(colorRefRed(kColor), colorRefGreen(kColor), colorRefBlue(kColor));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen dashed(colour, 1, Qt::DashLine);
    dashed.setCosmetic(true);
    painter.setPen(dashed);
    painter.setBrush(Qt::NoBrush);
    QPolygon outline;
    for (const QPoint& p : m_points)
        outline << p + offset;
    painter.drawPolygon(outline);
    QPen solid(colour, 1, Qt::SolidLine);
    solid.setCosmetic(true);
    painter.setPen(solid);
    painter.setBrush(colour);
    for (const ObjPoints& handle : m_handles) {
        QPolygon polygon;
        for (const QPoint& p : handle)
            polygon << p + offset;
        painter.drawPolygon(polygon);
    }
    painter.restore();
}

} // namespace ardane::objects
