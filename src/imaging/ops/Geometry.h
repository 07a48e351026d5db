#pragma once
// Whole-image geometry: crop, resize, flips and rotation. Each keeps the depth,
// palette and resolution of its input.

#include "imaging/Bitmap.h"
#include "imaging/ResultCodes.h"

namespace ardane::imaging::ops {

enum class ResizeMode { Nearest = 0, Resample = 1 };

// The part of `in` inside the rectangle, clipped to the image; error when the
// clipped rectangle is empty. Every operation answers OutOfMemory when the
// result cannot be allocated (or could be no image: a size out of range) and
// leaves `out` untouched on any error; std::bad_alloc from small helper
// buffers passes to the caller.
[[nodiscard]] Result crop(const Bitmap& in, int left, int top, int width, int height, Bitmap& out);
// Resampling uses area averaging when shrinking and bilinear interpolation when
// enlarging; indexed images are resampled in true colour and mapped back to their palette.
[[nodiscard]] Result resize(const Bitmap& in, int width, int height, ResizeMode mode, Bitmap& out);
// The flips and fill work in place. Pixels shared with another copy of the
// bitmap are first made its own (Bitmap::detach); false, with the bitmap
// unchanged, when there is no memory for that.
bool flipVertical(Bitmap& bitmap);
bool flipHorizontal(Bitmap& bitmap);
// Rotates counter-clockwise by `hundredthsOfDegree` (negative turns clockwise). With `resize` the result grows to
// hold the whole rotated image; otherwise it keeps its size and the corners are
// cut. Uncovered pixels take `fill` (nearest palette entry on indexed images).
[[nodiscard]] Result rotate(const Bitmap& in, int hundredthsOfDegree, bool resize, ColorRef fill, Bitmap& out);
// Fills the whole image with one colour (nearest palette entry on indexed images).
bool fill(Bitmap& bitmap, ColorRef colour);

} // namespace ardane::imaging::ops
