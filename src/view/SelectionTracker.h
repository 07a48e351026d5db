#pragma once
// Follows the mouse while a selection is drawn: a rectangle or an ellipse
// from the press to the pointer, or a free-hand path of every point passed,
// always bounded by the display control. Positions arrive in control pixels
// and are kept on the image grid (control pixel / zoom factor + origin).

#include "view/Selection.h"

#include <QPolygon>
#include <QRect>

#include <optional>

namespace ardane {

class SelectionTracker {
public:
    // `bounds` is the display control's rectangle (control pixels).
    SelectionTracker(int shape, const QRect& bounds, int zoomFactor, const QPoint& origin, const QPoint& press);

    void moveTo(const QPoint& controlPoint);
    [[nodiscard]] int shape() const { return m_shape; }
    // The outline to draw now, in control pixels.
    [[nodiscard]] QPolygon outline() const;
    // The selection drawn, or nullopt when it holds no area.
    [[nodiscard]] std::optional<Selection> result() const;

private:
    [[nodiscard]] QPoint toImage(const QPoint& controlPoint) const;
    [[nodiscard]] Selection current() const;

    int m_shape;
    QRect m_bounds;
    int m_factor;
    QPoint m_origin;
    QPoint m_start;
    QPoint m_end;
    std::vector<std::uint32_t> m_path; // free hand
};

// A selection's outline in control pixels at a zoom factor, the image grid
// point p drawn at (p - origin) * factor.
[[nodiscard]] QPolygon controlOutline(const Selection& selection, int zoomFactor, const QPoint& origin);

} // namespace ardane
