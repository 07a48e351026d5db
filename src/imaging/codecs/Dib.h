#pragma once
// Packed device-independent bitmaps: a BITMAPINFOHEADER, the colour table and
// the rows bottom-up, each padded to four bytes. The clipboard buffer and the
// undo image travel in this form; BMP and WMF files embed it.

#include "imaging/codecs/Codec.h"

namespace ardane::imaging::codecs {

[[nodiscard]] Bytes toPackedDib(const Bitmap& bitmap);
// Accepts 1, 4, 8, 16, 24 and 32-bit packed DIBs, uncompressed, RLE4, RLE8 or
// bit-field encoded; both bottom-up and top-down rows.
[[nodiscard]] Result fromPackedDib(ByteView dib, Bitmap& out);

} // namespace ardane::imaging::codecs
