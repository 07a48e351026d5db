#pragma once
// TIFF through libtiff itself, for the common files: 8-bit RGB and 8-bit
// grey (black is zero) in strips of interleaved samples, any compression
// libtiff decodes. Decoding goes straight into the bitmap's scan lines and
// 24-bit encoding straight from them, sparing a large picture two passes
// through GraphicsMagick's 16-bit pixel cache. Every other kind of TIFF (bit
// depths below 8, palettes, alpha, tiles, separate planes, CMYK, subsampled
// YCbCr) is left to GraphicsMagick.

#include "imaging/codecs/Codec.h"

#include <optional>

namespace ardane::imaging::codecs::tiff {

// Page `page` of a TIFF file image whose header has already been checked: 24
// bits for RGB, 8 bits (grey ramp) for grey. nullopt when the page is one
// this path leaves to GraphicsMagick; otherwise Ok, ReadError or OutOfMemory.
// `out` changes only on Ok.
[[nodiscard]] std::optional<Result> decode(ByteView data, int page, Bitmap& out);

// A one-page TIFF of a 24-bit bitmap: LZW with the horizontal predictor,
// strips of about a megabyte, the bitmap's resolution in dots per inch.
// nullopt for other depths.
[[nodiscard]] std::optional<Result> encode(const Bitmap& bitmap, Bytes& out);

} // namespace ardane::imaging::codecs::tiff
