#pragma once
// The view's selection: a shape over the image, kept as packed points in image
// coordinates (x in the low 16 bits, y in the high 16 bits, each a signed
// 16-bit value). Three or more points make a selection.

#include "raster/Region.h"

#include <QPoint>
#include <QRect>

#include <cstdint>
#include <vector>

namespace ardane {

enum SelectionShape : int { kSelectRect = 2, kSelectEllipse = 4, kSelectFreehand = 8 };

class Selection {
public:
    std::vector<std::uint32_t> points; // packed image points
    int shape = kSelectRect;

    [[nodiscard]] bool exists() const { return points.size() >= 3; }

    [[nodiscard]] static std::uint32_t pack(int x, int y);
    // Sign-extends both halves.
    [[nodiscard]] static QPoint unpack(std::uint32_t p);

    // The selection of a whole image of the given size: its four corners, a rectangle.
    [[nodiscard]] static Selection wholeImage(int width, int height);

    // Bounding box (left, top, right, bottom) with right = max x and bottom =
    // max y, as QRect(QPoint(left, top), QSize(right - left, bottom - top)),
    // so that width() and height() are right - left and bottom - top.
    // A null rectangle without points.
    [[nodiscard]] QRect bounds() const;
    // Rectangle: the rectangle region of the bounds; ellipse: the elliptic
    // region of the bounds; any other shape: the polygon of the points in
    // order (alternate fill).
    [[nodiscard]] raster::Region region() const;
    // The points unpacked, in order.
    [[nodiscard]] std::vector<QPoint> unpacked() const;

    void translate(int dx, int dy);
    void clear() { points.clear(); }
};

} // namespace ardane
