#pragma once
// Colour separation: an image taken apart into the planes of a colour model,
// each plane an 8-bit grey bitmap (grey ramp palette) of the image's size, and
// put back together.

#include "imaging/Bitmap.h"
#include "imaging/ResultCodes.h"

#include <vector>

namespace ardane::imaging::ops {

// Model codes as the separation commands number them.
enum class PlaneModel : int { RGB = 0, CMYK = 1, HSV = 2, HLS = 3, CMY = 4 };

// Planes per model: 4 for CMYK, 3 for the others; 0 for an unknown code.
[[nodiscard]] int planeCount(int model);

// The planes of `in` (any depth; indexed images through their palette), in
// this order:
//   RGB   blue, green, red
//   CMYK  cyan, magenta, yellow, black (black = min(c, m, y), taken out of
//         the other three)
//   CMY   cyan, magenta, yellow (255 minus red, green, blue)
//   HSV   hue (0..255 for 0..360 degrees), saturation, value (largest channel)
//   HLS   hue, lightness ((max + min) / 2), saturation
// RGB, CMY and CMYK give the image back exactly through mergePlanes. HSV and
// HLS give greys back exactly. Over all 24-bit colours, HSV gives back the
// largest and smallest channel exactly and HLS within one level (lightness
// holds half of max + min, so pairs of colours share it); an 8-bit hue holds
// 256 of the colour wheel's hues, so a saturated colour's middle channel can
// move by up to three levels in HSV and four in HLS.
// A 32-bit image's alpha is not a plane.
// NotAvailable for an unknown model, OutOfMemory for a null image or when
// memory cannot be had; `planes` is untouched on any error.
[[nodiscard]] Result splitPlanes(const Bitmap& in, int model, std::vector<Bitmap>& planes);

// A 24-bit image from the planes of the model, with the first plane's
// resolution. Planes of any depth are read as grey (their luminance); planes
// of different sizes are laid at the top-left of the largest width and
// height, the missing parts reading 0 (a null plane is all missing).
// Values no split gives (edited planes) are clipped: CMYK channels at 0.
// NotAvailable for an unknown model or the wrong number of planes,
// OutOfMemory as above; `out` is untouched on any error.
[[nodiscard]] Result mergePlanes(const std::vector<Bitmap>& planes, int model, Bitmap& out);

} // namespace ardane::imaging::ops
