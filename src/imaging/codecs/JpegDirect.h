#pragma once
// JPEG through libjpeg itself, for the common files: grey and YCbCr/RGB
// images, baseline or progressive. Decoding goes straight into the bitmap's
// scan lines and encoding straight from them, which spares a 24-megapixel
// photograph two passes through GraphicsMagick's 16-bit pixel cache. CMYK and
// YCCK files are left to GraphicsMagick.

#include "imaging/codecs/Codec.h"

#include <optional>

namespace ardane::imaging::codecs::jpeg {

// The pixels of a JPEG file image whose header has already been checked:
// 8 bits (grey ramp) for a one-component file, 24 bits for a colour one.
// nullopt when the file is one this path leaves to GraphicsMagick; otherwise
// Ok, ReadError (corrupt or ending early) or OutOfMemory. `out` changes only
// on Ok.
[[nodiscard]] std::optional<Result> decode(ByteView data, Bitmap& out);

// A JFIF file of a 1, 4, 8 or 24-bit bitmap at `quality` 1..100, with the
// bitmap's resolution in dots per inch. An indexed bitmap whose pixels use only
// grey table entries becomes a one-component (grey) file; any other indexed
// bitmap a colour file of its table colours. Colour is subsampled 2x2 below
// quality 90 and kept at full resolution from 90 up. OutOfMemory when libjpeg
// cannot get its working memory; NotAvailable beyond 65500 pixels a side.
[[nodiscard]] Result encode(const Bitmap& bitmap, int quality, Bytes& out);

} // namespace ardane::imaging::codecs::jpeg
