#pragma once
// A drawing object: a shape that floats over the image until it is merged
// into it. The model holds what the object is (colour, corners, rotation,
// the zoom its corners refer to, its options) and how it is drawn, merged,
// turned and archived; the view gives each object a window on the screen.
// No widgets here, so objects can be tested and archived without a window.

#include "core/Archive.h"
#include "core/Color.h"
#include "core/PaintSettings.h"
#include "objects/ObjectGeometry.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace ardane::raster {
class Canvas;
}

namespace ardane::objects {

enum class ObjectKind { Rect, Ellipse, Line, Text };

// Where DrawObject draws.
enum class DrawTarget {
    // The object's own window: the canvas covers the window's client area,
    // device (0, 0) at its top-left, and is scaled by the object's zoom.
    Screen,
    // A printed page: the canvas is in view coordinates (at zoom 100) moved
    // by the offset; the draw mode applies.
    Print,
};

class CGeneralObj {
public:
    // Bytes of the record every object writes first.
    static constexpr std::size_t kRecordSize = 64;
    static constexpr int kCoordinateLimit = 1 << 20;

    virtual ~CGeneralObj() = default;
    CGeneralObj(const CGeneralObj&) = delete;
    CGeneralObj& operator=(const CGeneralObj&) = delete;

    // The class name the layered file stores: "CRectObj", "CEllipseObj",
    // "CLineObj" or "CTextObj".
    [[nodiscard]] virtual std::string_view className() const = 0;
    [[nodiscard]] virtual ObjectKind kind() const = 0;

    // Places a new object at `rect` (view coordinates, zoom 100): the
    // corners of the rectangle, the window over it, zoom 100, the default
    // shape options and the pen colour of `settings`.
    virtual void CreateInView(const Box& rect, const PaintSettings& settings);

    // Turning: the font of straight text follows the angle; shapes do nothing.
    virtual void ApplyAngle() {}
    [[nodiscard]] virtual bool CanRotate() const { return true; }

    // The archive record (64 bytes for the shapes; text appends its own).
    virtual void Serialize(ArchiveWriter& out) const;
    // Reads what Serialize wrote; false (the object unusable) when the data
    // is short or cannot be used: a zoom outside 100..800, a line width
    // outside 1..10, an angle of 360 degrees or more, or a corner further
    // than kCoordinateLimit from the origin. A loaded object is never
    // selected.
    [[nodiscard]] virtual bool Serialize(ArchiveReader& in);

    // Draws the shape. Screen: into the object's window at its zoom, the
    // draw mode not applied. Print: at the window's place moved by (dx, dy),
    // with the draw mode. The tracker is the view's to draw.
    virtual void DrawObject(raster::Canvas& canvas, DrawTarget target, int dx, int dy, int drawMode) const = 0;

    // Paints the object into the image under the draw mode. `image` is the
    // canvas over the image bitmap; `map` turns view coordinates into image
    // pixels. Returns the image rectangle written (clipped to nothing when
    // the object lies outside). The view hides, repaints and drops the
    // object afterwards.
    virtual Box MergeIntoImage(raster::Canvas& image, const ImageMapping& map, int drawMode) = 0;

    // Turns the corners by `angle` degrees about the middle of their
    // bounding box (positive turns counter-clockwise on the screen),
    // snapping near-vertical and near-horizontal edges, and accumulates
    // the angle in m_nAngle.
    void RotatePoints(double angle);
    // The window takes the bounding box of the corners.
    void FitWindowToPoints() { m_window = boundingBox(m_pts); }
    // Corners and window follow a new view zoom: every point's distance from
    // `origin` (the display control's top-left in view coordinates, which
    // does not scale) is multiplied by viewZoom / m_nZoom, rounded.
    void RescaleToZoom(int viewZoom, QPoint origin = {});
    // Moves corners and window by (dx, dy), as the margin toggle does.
    void translate(int dx, int dy);

    // The window's rectangle in view coordinates.
    [[nodiscard]] const Box& windowRect() const { return m_window; }
    void setWindowRect(const Box& rect) { m_window = rect; }

    [[nodiscard]] bool isSelected() const { return m_bSelected != 0; }
    void setSelected(bool on) { m_bSelected = on ? 1 : 0; }

    ColorRef m_color = 0xFFFFFF;
    ObjPoints m_pts{};
    std::int32_t m_bSelected = 1;
    std::int32_t m_nAngle = 0;
    std::int32_t m_nZoom = 100;
    std::int32_t m_bDiscarded = 0;
    ObjectParams m_params;

protected:
    CGeneralObj() = default;
    // The rectangle shrunk by half the line width on every side.
    [[nodiscard]] Box shrunk(const Box& target) const;

    Box m_window;
};

using ObjectPtr = std::unique_ptr<CGeneralObj>;
// The objects over one view, in creation (stacking) order.
using ObjectList = std::vector<ObjectPtr>;

// A new object of the named class, not yet placed; null for any other name.
[[nodiscard]] ObjectPtr CreateObjectByName(std::string_view className);

} // namespace ardane::objects
