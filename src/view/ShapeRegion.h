#pragma once
// Window regions of a selection shape: a rectangle or an ellipse over the
// outline's bounding box, or the outline's polygon (alternate fill), with
// exactly the pixels the image operations copy through the same shape.
// Used to shape the patch preview and the pasted-image windows.

#include <QPolygon>
#include <QRegion>

namespace ardane {

// `outline` in window pixels. Shape 2 rectangle, 4 ellipse, otherwise the
// polygon. The box of a rectangle or an ellipse runs from the least to the
// greatest point, the greatest column and row left out, as in the image.
[[nodiscard]] QRegion shapeRegion(int shape, const QPolygon& outline);

// The outline multiplied by `factor` (a zoom factor of 1 or more).
[[nodiscard]] QPolygon scaledOutline(const QPolygon& outline, int factor);

} // namespace ardane
