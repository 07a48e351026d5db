#pragma once
// Effects that look at a neighbourhood of each pixel: median, box blur,
// mosaic, sharpen/soften, emboss and noise, plus the shear.
//
// They work on every depth a Bitmap holds. The colour channels are taken out
// as three planes of bytes, worked on, and written back: 16-bit images keep
// five bits per channel, 32-bit images keep the alpha of each pixel, and
// indexed images (1, 4, 8 bits) are worked in true colour and each result
// mapped to the nearest entry of the image's own palette, which stays as it
// is. Depth, palette and resolution never change.
//
// The in-place effects first make the pixels the bitmap's own
// (Bitmap::detach). They return false, with the bitmap unchanged, when memory
// for that or for their working buffers cannot be had; true otherwise
// (including a null bitmap, which has nothing to change). Values outside the
// documented ranges are brought to the nearest end of the range.

#include "imaging/Bitmap.h"
#include "imaging/ResultCodes.h"

namespace ardane::imaging::ops {

// Median of the size x size window around each pixel, channel by channel:
// removes isolated specks (salt-and-pepper noise) while keeping edges. The
// window reaches (size - 1) / 2 pixels up and left and size / 2 down and
// right; past the border the edge pixels repeat. With an even pixel count the
// lower of the two middle values is taken. Size 1 (or less) leaves the image
// as it is. The cost per pixel grows with the size, not its square.
bool medianFilter(Bitmap& bitmap, int size);

// Box blur: the rounded mean of the same window as medianFilter. The cost
// per pixel does not depend on the size.
bool average(Bitmap& bitmap, int size);

// Uniform size x size blocks laid from the top-left corner, each the rounded
// mean of the pixels it covers; blocks cut by the right or bottom edge are
// the mean of their part inside the image.
bool mosaic(Bitmap& bitmap, int size);

// Unsharp mask against a 3x3 blur (weights 1 2 1 / 2 4 2 / 1 2 1). Value
// -1000..1000: positive values add the difference from the blur, times
// value / 250 (up to four times at 1000); negative values move each pixel
// towards the blur, all the way at -1000; 0 leaves the image as it is.
bool sharpen(Bitmap& bitmap, int value);

// Compass directions of emboss, clockwise from north.
enum class EmbossDirection { North = 0, NorthEast, East, SouthEast, South, SouthWest, West, NorthWest };

// Grey relief: each pixel becomes
//   128 + (grey of the pixel - grey of its neighbour in `direction`) * depth / 250
// clamped to 0..255, for depth 0..1000 (grey as luminance()). Flat areas come
// out 128. The side of a bright shape that faces the named direction is
// lit (above 128), the side of a dark shape facing it is shadowed; edges
// running along the direction give no relief. Past the border the neighbour
// is the pixel itself. Direction codes wrap around (8 is north again).
bool emboss(Bitmap& bitmap, int direction, int depth);

// Adds noise from a fixed seed, so the same image always gets the same
// noise: each pixel gets an offset drawn evenly from -a..a, where
// a = amount * 255 / 1000 (amount 0..1000), added to the chosen channel
// (0 all three with the same offset, 1 red, 2 green, 3 blue) and clamped.
// Other channels stay as they are (on indexed images the nearest palette
// entry can still differ in them).
bool addNoise(Bitmap& bitmap, int amount, int channel);

// Slants the image by `degrees` (0..45). Horizontal: row y moves right by
// about (y + 0.5) * tan(angle) whole pixels and the image grows in width by
// round(height * tan(angle)). Vertical: column x moves down the same way and
// the height grows. Pixels are moved, not blended, so every depth is
// lossless and indexed images keep their indices. The uncovered corners take
// `fill` (nearest palette entry on indexed images). Answers NotAvailable for
// an angle outside 0..45, OutOfMemory for a null image or when the result
// cannot be had, and leaves `out` untouched on any error.
[[nodiscard]] Result shear(const Bitmap& in, int degrees, bool horizontal, ColorRef fill, Bitmap& out);

} // namespace ardane::imaging::ops
