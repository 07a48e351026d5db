#pragma once
// Point effects: every output pixel depends only on the same input pixel.
//
// All of them work in place on any depth a Bitmap holds:
//   1, 4, 8 bits  the colour table changes, the pixel indices stay as they are
//                 (an inverted or greyed palette image is still the same image
//                 of indices, which is what a palette editor expects)
//   16 bits       5-5-5 channels, widened to 8 bits, changed, narrowed again
//   24 bits       the three channels
//   32 bits       the three colour channels; alpha is kept
// Channel-by-channel effects run through 256-entry lookup tables, so the loops
// over the scan lines do one table read per channel. Effects that mix the
// channels (grey, saturation, hue) work per pixel; at 16 bits they go through a
// table of all 32768 colours instead.
//
// Pixels shared with another copy of the bitmap are first made its own
// (Bitmap::detach); each effect returns false, with the bitmap unchanged, when
// there is no memory for that. A null bitmap is left alone and gives true.
// Values outside an effect's range are clamped to the range; the callers check
// what the user typed.

#include "imaging/Bitmap.h"

#include <array>
#include <cstdint>

namespace ardane::imaging::ops {

using ChannelTable = std::array<std::uint8_t, 256>;

// Maps red, green and blue each through its own table.
bool applyChannelTables(Bitmap& bitmap, const ChannelTable& red, const ChannelTable& green,
                        const ChannelTable& blue);

// Film negative: each channel c becomes 255 - c.
bool invert(Bitmap& bitmap);
// Each colour becomes its luminance (imaging::luminance).
bool grayscale(Bitmap& bitmap);
// -1000..1000 about the middle 127.5: 0 leaves the image alone; positive values
// steepen the slope by 1000 / (1000 - value), so that 1000 is a threshold
// (0..127 black, 128..255 full); negative values flatten it by
// (1000 + value) / 1000, so that -1000 gives mid grey (128) everywhere.
bool contrast(Bitmap& bitmap, int value);
// -1000..1000: negative values scale each channel toward black by
// (1000 + value) / 1000 (-1000 is black), positive values move it toward white
// by value / 1000 (1000 is white).
bool intensity(Bitmap& bitmap, int value);
// 220..250: gamma = value / 100; out = 255 * (in / 255)^(1 / gamma). Brightens
// the middle tones and keeps black and white.
bool gammaCorrect(Bitmap& bitmap, int value);
// -1000..1000: each channel moves away from the pixel's luminance by a factor
// 1 + value / 1000 (clamped to 0..255), so -1000 is grey, 0 leaves the image
// alone and 1000 doubles the distance from grey.
bool saturation(Bitmap& bitmap, int value);
// 0..360 degrees: turns the hue of each colour in HSV, keeping its value
// (largest channel) and saturation; 0 and 360 leave the image alone, 120 takes
// red to green, green to blue and blue to red.
bool hue(Bitmap& bitmap, int degrees);
// 2..64 levels per channel, evenly spaced from 0 to 255 (2 levels: 0 and 255);
// each channel takes the nearest level.
bool posterize(Bitmap& bitmap, int levels);
// -1000..1000. Positive values move each channel toward its histogram-equalised
// value by value / 1000: the equalising table comes from the histogram of the
// image's luminance and is applied to all three channels alike, so the tones
// spread evenly over 0..255 without a colour cast; 1000 is full equalisation.
// Negative values flatten the image toward mid grey (128) by -value / 1000,
// so -1000 is mid grey everywhere. 0 leaves the image alone.
bool histogramContrast(Bitmap& bitmap, int value);

// The tables behind the channel-by-channel effects, for callers that want to
// preview or combine them (values clamped as above).
[[nodiscard]] ChannelTable invertTable();
[[nodiscard]] ChannelTable contrastTable(int value);
[[nodiscard]] ChannelTable intensityTable(int value);
[[nodiscard]] ChannelTable gammaTable(int value);
[[nodiscard]] ChannelTable posterizeTable(int levels);

} // namespace ardane::imaging::ops
