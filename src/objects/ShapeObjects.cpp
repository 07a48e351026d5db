#include "objects/ShapeObjects.h"

#include "raster/Canvas.h"

#include <algorithm>
#include <cstdlib>

namespace ardane::objects {

namespace {

using raster::Canvas;
using raster::CanvasState;

// The zoom factor of a zoom percentage: percentage div 100, at least 1.
[[nodiscard]] int zoomFactor(int zoom) { return std::max(1, zoom / 100); }

// Solid pen of the object's width and colour; the fill colour as brush when
// the inside is filled, else no brush.
void setShapePen(Canvas& canvas, const CGeneralObj& object)
{
    canvas.setPen(object.m_color);
    canvas.setPenWidth(object.m_params.lineWidth);
    if (object.m_params.fillInterior)
        canvas.setBrush(object.m_params.fillColor);
    else
        canvas.setBrush(std::nullopt);
}

// A box shrunk past its middle collapses to its middle, so that nothing is
// drawn rather than a turned-inside-out shape.
[[nodiscard]] Box collapsed(Box b)
{
    if (b.right < b.left)
        b.left = b.right = b.left + (b.right - b.left) / 2;
    if (b.bottom < b.top)
        b.top = b.bottom = b.top + (b.bottom - b.top) / 2;
    return b;
}

// A point clamped into a box: x into [left, right - 1], y likewise.
[[nodiscard]] QPoint clampedInto(QPoint p, const Box& b)
{
    const int x = std::min(std::max(p.x(), b.left), std::max(b.left, b.right - 1));
    const int y = std::min(std::max(p.y(), b.top), std::max(b.top, b.bottom - 1));
    return {x, y};
}

void drawPolygon(Canvas& canvas, const ObjPoints& corners, const Box& box)
{
    ObjPoints clamped;
    for (std::size_t i = 0; i < corners.size(); ++i)
        clamped[i] = clampedInto(corners[i], box);
    canvas.polygon(clamped);
}

void drawLine(Canvas& canvas, std::int32_t direction, const Box& s)
{
    switch (direction) {
    case CLineObj::kVertical: {
        const int m = s.left + (s.right - s.left) / 2;
        canvas.line(m, s.top, m, s.bottom);
        break;
    }
    case CLineObj::kRising: canvas.line(s.right, s.top, s.left, s.bottom); break;
    default: canvas.line(s.left, s.top, s.right, s.bottom); break;
    }
}

// The screen's target box: the window's client area in the canvas's logical
// units, with the canvas scaled by the object's zoom and the pen copying.
Box screenTarget(Canvas& canvas, const CGeneralObj& object)
{
    canvas.setViewportExtent(object.m_nZoom);
    canvas.setRop2(raster::R2_COPYPEN);
    const int z = zoomFactor(object.m_nZoom);
    return Box{0, 0, object.windowRect().width() / z, object.windowRect().height() / z};
}

// The corners of an object in image pixels.
ObjPoints toImage(const ObjPoints& points, const ImageMapping& map)
{
    ObjPoints out;
    for (std::size_t i = 0; i < points.size(); ++i)
        out[i] = map.toImage(points[i]);
    return out;
}

// What a merge reports as written: the image box of the shape grown by the
// pen width, cut to the canvas.
Box writtenBox(const Canvas& canvas, const Box& box, int lineWidth)
{
    const Box grown = box.inflated(std::max(1, lineWidth));
    const QRect device = canvas.deviceBounds();
    const int f = std::max(1, canvas.scaleFactor());
    // The canvas in logical units (the image canvas is normally unscaled).
    const auto floorDiv = [](int n, int d) { return n >= 0 ? n / d : -((-n + d - 1) / d); };
    const Box bounds{floorDiv(device.left(), f), floorDiv(device.top(), f),
                     floorDiv(device.left() + device.width() + f - 1, f),
                     floorDiv(device.top() + device.height() + f - 1, f)};
    const Box cut{std::max(grown.left, bounds.left), std::max(grown.top, bounds.top),
                  std::min(grown.right, bounds.right), std::min(grown.bottom, bounds.bottom)};
    return cut.isEmpty() ? Box{} : cut;
}

} // namespace

// --- rectangle -------------------------------------------------------------

void CRectObj::DrawObject(raster::Canvas& canvas, DrawTarget target, int dx, int dy, int drawMode) const
{
    CanvasState keep(canvas);
    setShapePen(canvas, *this);
    ObjPoints corners;
    Box box;
    if (target == DrawTarget::Screen) {
        box = screenTarget(canvas, *this);
        const int z = zoomFactor(m_nZoom);
        for (std::size_t i = 0; i < corners.size(); ++i)
            corners[i] = QPoint((m_pts[i].x() - m_window.left) / z, (m_pts[i].y() - m_window.top) / z);
    } else {
        canvas.setRop2(drawMode);
        box = m_window.translated(dx, dy);
        for (std::size_t i = 0; i < corners.size(); ++i)
            corners[i] = m_pts[i] + QPoint(dx, dy);
    }
    drawPolygon(canvas, corners, collapsed(shrunk(box)));
}

Box CRectObj::MergeIntoImage(raster::Canvas& image, const ImageMapping& map, int drawMode)
{
    // The corners are kept as they are: a turned rectangle merges turned.
    const ObjPoints corners = toImage(m_pts, map);
    const Box box = boundingBox(corners);
    CanvasState keep(image);
    setShapePen(image, *this);
    image.setRop2(drawMode);
    drawPolygon(image, corners, collapsed(shrunk(box)));
    return writtenBox(image, box, m_params.lineWidth);
}

// --- ellipse ---------------------------------------------------------------

void CEllipseObj::DrawObject(raster::Canvas& canvas, DrawTarget target, int dx, int dy, int drawMode) const
{
    CanvasState keep(canvas);
    setShapePen(canvas, *this);
    Box box;
    if (target == DrawTarget::Screen) {
        box = screenTarget(canvas, *this);
    } else {
        canvas.setRop2(drawMode);
        box = m_window.translated(dx, dy);
    }
    const Box s = collapsed(shrunk(box));
    canvas.ellipse(s.left, s.top, s.right, s.bottom);
}

Box CEllipseObj::MergeIntoImage(raster::Canvas& image, const ImageMapping& map, int drawMode)
{
    m_pts = cornersOf(m_window);
    const Box box = boundingBox(toImage(m_pts, map));
    CanvasState keep(image);
    setShapePen(image, *this);
    image.setRop2(drawMode);
    const Box s = collapsed(shrunk(box));
    image.ellipse(s.left, s.top, s.right, s.bottom);
    return writtenBox(image, box, m_params.lineWidth);
}

// --- line ------------------------------------------------------------------

std::int32_t CLineObj::directionFor(QPoint press, QPoint release)
{
    if (std::abs(std::int64_t(release.x()) - press.x()) <= 5)
        return kVertical;
    const QPoint& leftEnd = press.x() < release.x() ? press : release;
    const QPoint& rightEnd = press.x() < release.x() ? release : press;
    return leftEnd.y() <= rightEnd.y() ? kFalling : kRising;
}

namespace {

// Where the written corners start for each direction: the corner the line
// leaves from (top-left, bottom-right for the vertical line, top-right).
[[nodiscard]] std::size_t firstCornerOf(std::int32_t direction)
{
    switch (direction) {
    case CLineObj::kVertical: return 2;
    case CLineObj::kRising: return 1;
    default: return 0;
    }
}

void putI32(std::vector<std::uint8_t>& bytes, std::size_t at, std::int32_t value)
{
    const auto v = std::uint32_t(value);
    for (int i = 0; i < 4; ++i)
        bytes[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

} // namespace

void CLineObj::Serialize(ArchiveWriter& out) const
{
    std::vector<std::uint8_t> record;
    ArchiveWriter writer(record);
    CGeneralObj::Serialize(writer);
    // The corners of the window (a turned line is drawn in its window box),
    // starting at the corner the line leaves from: bytes 4 to 35.
    const ObjPoints corners = cornersOf(m_window);
    const std::size_t first = firstCornerOf(m_nDirection);
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const QPoint& p = corners[(first + i) % corners.size()];
        putI32(record, 4 + 8 * i, p.x());
        putI32(record, 8 + 8 * i, p.y());
    }
    out.bytes(record);
}

bool CLineObj::Serialize(ArchiveReader& in)
{
    if (!CGeneralObj::Serialize(in))
        return false;
    // The corner of the bounding box the points start at gives the direction;
    // points in any other order are kept as read, falling.
    const ObjPoints box = cornersOf(boundingBox(m_pts));
    m_nDirection = kFalling;
    for (const std::int32_t direction : {kFalling, kRising, kVertical}) {
        const std::size_t first = firstCornerOf(direction);
        if (m_pts[0] == box[first]) {
            m_nDirection = direction;
            std::rotate(m_pts.begin(), m_pts.begin() + std::ptrdiff_t((m_pts.size() - first) % m_pts.size()),
                        m_pts.end());
            break;
        }
    }
    return true;
}

void CLineObj::DrawObject(raster::Canvas& canvas, DrawTarget target, int dx, int dy, int drawMode) const
{
    CanvasState keep(canvas);
    setShapePen(canvas, *this);
    Box box;
    if (target == DrawTarget::Screen) {
        box = screenTarget(canvas, *this);
    } else {
        canvas.setRop2(drawMode);
        box = m_window.translated(dx, dy);
    }
    drawLine(canvas, m_nDirection, collapsed(shrunk(box)));
}

Box CLineObj::MergeIntoImage(raster::Canvas& image, const ImageMapping& map, int drawMode)
{
    m_pts = cornersOf(m_window);
    const Box box = boundingBox(toImage(m_pts, map));
    CanvasState keep(image);
    setShapePen(image, *this);
    image.setRop2(drawMode);
    drawLine(image, m_nDirection, collapsed(shrunk(box)));
    return writtenBox(image, box, m_params.lineWidth);
}

} // namespace ardane::objects
