#pragma once
// Geometry shared by the drawing objects: a box with exclusive right and
// bottom edges, the four corner points of an object, and the mapping from
// view coordinates to image pixels.
//
// View coordinates are the view's content coordinates: the origin is the
// top-left corner of the scrolled area (the margin included), so they do not
// change when the view scrolls. An object's points refer to the zoom held in
// the object (`m_nZoom`).

#include <QPoint>
#include <QRect>

#include <algorithm>
#include <array>

namespace ardane::objects {

// left <= x < right, top <= y < bottom.
struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;

    [[nodiscard]] int width() const { return right - left; }
    [[nodiscard]] int height() const { return bottom - top; }
    [[nodiscard]] bool isEmpty() const { return right <= left || bottom <= top; }
    [[nodiscard]] QPoint topLeft() const { return {left, top}; }
    [[nodiscard]] Box translated(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    [[nodiscard]] Box inflated(int d) const { return {left - d, top - d, right + d, bottom + d}; }
    [[nodiscard]] QRect toQRect() const { return QRect(left, top, width(), height()); }
    [[nodiscard]] static Box fromQRect(const QRect& r) { return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}; }
    // The box spanned by two corners, whatever their order.
    [[nodiscard]] static Box normalized(QPoint a, QPoint b)
    {
        return {std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::max(a.x(), b.x()), std::max(a.y(), b.y())};
    }
    friend bool operator==(const Box&, const Box&) = default;
};

// Corners clockwise from the top-left of the unrotated shape:
// (left, top), (right, top), (right, bottom), (left, bottom).
using ObjPoints = std::array<QPoint, 4>;

[[nodiscard]] inline ObjPoints cornersOf(const Box& b)
{
    return {QPoint(b.left, b.top), QPoint(b.right, b.top), QPoint(b.right, b.bottom), QPoint(b.left, b.bottom)};
}

// The smallest box whose edges pass through the extreme points (the right
// and bottom edges lie on the largest x and y).
[[nodiscard]] inline Box boundingBox(const ObjPoints& p)
{
    Box b{p[0].x(), p[0].y(), p[0].x(), p[0].y()};
    for (const QPoint& q : p) {
        b.left = std::min(b.left, q.x());
        b.top = std::min(b.top, q.y());
        b.right = std::max(b.right, q.x());
        b.bottom = std::max(b.bottom, q.y());
    }
    return b;
}

// From view coordinates to image pixels, as the painting tools convert:
// subtract the display control's position in the view, divide by the zoom
// factor, add the zoom rectangle's top-left when one is in force.
struct ImageMapping {
    QPoint controlPos;      // the display control's top-left, view coordinates
    int zoomFactor = 1;     // zoom percentage div 100
    QPoint zoomOrigin;      // (0, 0) without a zoom rectangle

    [[nodiscard]] QPoint toImage(QPoint view) const
    {
        const int f = std::max(1, zoomFactor);
        return QPoint((view.x() - controlPos.x()) / f + zoomOrigin.x(), (view.y() - controlPos.y()) / f + zoomOrigin.y());
    }
};

} // namespace ardane::objects
