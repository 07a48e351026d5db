#include "objects/CGeneralObj.h"

#include <cmath>
#include <cstdlib>

namespace ardane::objects {

void CGeneralObj::CreateInView(const Box& rect, const PaintSettings& settings)
{
    m_pts = cornersOf(rect);
    m_window = rect;
    m_nZoom = 100;
    m_params = settings.objectDefaults;
    m_color = settings.penColor;
}

void CGeneralObj::Serialize(ArchiveWriter& out) const
{
    out.u32(m_color);
    for (const QPoint& p : m_pts) {
        out.i32(p.x());
        out.i32(p.y());
    }
    out.i32(m_bSelected);
    out.i32(m_nAngle);
    out.i32(m_nZoom);
    out.i32(m_bDiscarded);
    out.i32(m_params.fillInterior);
    out.u32(m_params.fillColor);
    out.i32(m_params.lineWidth);
}

bool CGeneralObj::Serialize(ArchiveReader& in)
{
    if (in.remaining() < kRecordSize)
        return false;
    const auto value = [&in] { return *in.i32(); };
    const ColorRef color = ColorRef(*in.u32());
    ObjPoints pts;
    for (QPoint& p : pts) {
        const int x = value();
        const int y = value();
        if (std::abs(std::int64_t(x)) > kCoordinateLimit || std::abs(std::int64_t(y)) > kCoordinateLimit)
            return false;
        p = QPoint(x, y);
    }
    value(); // selected: a loaded object never is
    const std::int32_t angle = value();
    const std::int32_t zoom = value();
    const std::int32_t discarded = value();
    ObjectParams params;
    params.fillInterior = value();
    params.fillColor = ColorRef(*in.u32());
    params.lineWidth = value();
    if (angle <= -360 || angle >= 360 || zoom < 100 || zoom > 800 || params.lineWidth < 1 || params.lineWidth > 10)
        return false;
    m_color = color;
    m_pts = pts;
    m_bSelected = 0;
    m_nAngle = angle;
    m_nZoom = zoom;
    m_bDiscarded = discarded;
    m_params = params;
    return true;
}

void CGeneralObj::RotatePoints(double angle)
{
    m_nAngle += static_cast<std::int32_t>(angle);
    if (m_nAngle >= 360 || m_nAngle <= -360)
        m_nAngle %= 360;
    const double theta = -angle * 3.14159265 / 180.0;
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    const Box b = boundingBox(m_pts);
    const int cx = b.left + b.width() / 2;
    const int cy = b.top + b.height() / 2;
    for (std::size_t i = 0; i < m_pts.size(); ++i) {
        const double x = m_pts[i].x() - cx;
        const double y = m_pts[i].y() - cy;
        int nx = static_cast<int>(c * x - s * y + cx);
        int ny = static_cast<int>(s * x + c * y + cy);
        if (i > 0) {
            if (std::abs(nx - m_pts[i - 1].x()) <= 5)
                nx = m_pts[i - 1].x();
            if (std::abs(ny - m_pts[i - 1].y()) <= 5)
                ny = m_pts[i - 1].y();
        }
        m_pts[i] = QPoint(nx, ny);
    }
    // The closing edge, from the last corner back to the first, is kept
    // straight too; snapping only against the previous corner would leave it
    // a pixel off when an upright rectangle turns by a right angle.
    if (std::abs(m_pts[3].x() - m_pts[0].x()) <= 5)
        m_pts[3].setX(m_pts[0].x());
    if (std::abs(m_pts[3].y() - m_pts[0].y()) <= 5)
        m_pts[3].setY(m_pts[0].y());
    ApplyAngle();
}

void CGeneralObj::RescaleToZoom(int viewZoom, QPoint origin)
{
    if (viewZoom <= 0 || m_nZoom <= 0 || viewZoom == m_nZoom) {
        if (viewZoom > 0)
            m_nZoom = viewZoom;
        return;
    }
    const auto scale = [&](int v, int o) {
        return o + static_cast<int>(std::lround(double(v - o) * viewZoom / m_nZoom));
    };
    for (QPoint& p : m_pts)
        p = QPoint(scale(p.x(), origin.x()), scale(p.y(), origin.y()));
    m_nZoom = viewZoom;
    FitWindowToPoints();
}

void CGeneralObj::translate(int dx, int dy)
{
    for (QPoint& p : m_pts)
        p += QPoint(dx, dy);
    m_window = m_window.translated(dx, dy);
}

Box CGeneralObj::shrunk(const Box& target) const
{
    return target.inflated(-(m_params.lineWidth / 2));
}

} // namespace ardane::objects
