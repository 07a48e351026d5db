#pragma once
// PNG through libpng itself, for the common files: 1, 2, 4 and 8-bit grey
// and palette images (with or without a tRNS chunk), 8-bit grey with alpha,
// RGB and RGBA, interlaced or not. Decoding goes straight into the bitmap's scan
// lines and 24/32-bit encoding straight from them, which spares a large
// picture two passes through GraphicsMagick's 16-bit pixel cache. Files with
// 16-bit samples, RGB files with a transparent colour (tRNS), and the odd
// file this path cannot match sample for sample (palette indices past the end
// of the table, a tRNS chunk libpng throws away) are left to GraphicsMagick.

#include "imaging/codecs/Codec.h"
#include "imaging/codecs/RasterFacts.h"

#include <optional>

namespace ardane::imaging::codecs::png {

// The pixels of a PNG file image whose header `layout` (pngLayout) has
// already been read and checked, at the depth loadDepth(layout) gives, laid
// out exactly as GraphicsMagick's decoding would leave them: grey samples as
// indices into a ramp of 2^bits greys, palette indices with the file's own
// table, alpha from the alpha channel or the tRNS chunk, samples as stored
// (no gamma, no sBIT shift), the pHYs resolution in dots per inch when it is
// given per metre. nullopt when the file is one this path leaves to
// GraphicsMagick; otherwise Ok, ReadError (corrupt or ending early) or
// OutOfMemory. `out` changes only on Ok.
[[nodiscard]] std::optional<Result> decode(ByteView data, const StoredLayout& layout, Bitmap& out);

// The same file image decoded by GraphicsMagick, the way every PNG this path
// leaves alone is read (defined beside the codec table).
[[nodiscard]] Result decodeWithMagick(ByteView data, Bitmap& out);

// An RGB (24-bit) or RGBA (32-bit, alpha not premultiplied) PNG of a bitmap:
// zlib level 5 with adaptive row filters, the resolution in a pHYs chunk per
// metre. nullopt for other depths.
[[nodiscard]] std::optional<Result> encode(const Bitmap& bitmap, Bytes& out);

} // namespace ardane::imaging::codecs::png
