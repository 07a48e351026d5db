#pragma once
// Colour-depth conversion with palette choice and dithering.

#include "imaging/Bitmap.h"
#include "imaging/ResultCodes.h"

#include <vector>

namespace ardane::imaging::ops {

enum class PaletteOption {
    OrderRgb = 0,   // true-colour byte order R,G,B in packed data; otherwise the fixed palette
    Fixed = 1,      // one general-purpose palette: a colour cube with greys
    Optimized = 2,  // computed from the image (libimagequant)
    OrderedBgr = 4, // true-colour byte order B,G,R in packed data; otherwise the fixed palette
    Identity = 8,   // fixed palette with the twenty standard desktop colours first and last
};

enum class DitherOption {
    None = 0,           // nearest palette colour
    FloydSteinberg = 1,
    Stucki = 2,
    Burkes = 3,
    Sierra = 4,
    Stevenson = 5,      // Stevenson-Arce
    Jarvis = 6,         // Jarvis, Judice and Ninke
    Ordered = 7,        // Bayer matrix
};

[[nodiscard]] bool isValidPaletteOption(int value);
[[nodiscard]] bool isValidDitherOption(int value);

// The fixed palette for 1, 4 or 8 bits under a palette option (not Optimized).
[[nodiscard]] std::vector<QRgb> fixedPalette(int bitsPerPixel, PaletteOption option);

// Converts `in` to `bitsPerPixel` (1, 4, 8, 16, 24, 32). Converting to the same
// depth still requantises indexed images to the chosen palette. On error `out`
// is untouched.
[[nodiscard]] Result convertDepth(const Bitmap& in, int bitsPerPixel, PaletteOption palette,
                                  DitherOption dither, Bitmap& out);

} // namespace ardane::imaging::ops
