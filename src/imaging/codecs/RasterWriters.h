#pragma once
// Writers of our own for the cases GraphicsMagick does not write as we need:
// its PNG coder picks the bit depth from the number of colours (and reorders
// two-colour tables), its PCX coder writes every indexed image at 8 bits, its
// Targa coder has no 16-bit output, and its PostScript carries no colour table
// a reader could recover. Each writes the bitmap at its own depth.

#include "imaging/codecs/Codec.h"

namespace ardane::imaging::codecs {

// PNG with a colour table at the bitmap's own bit depth (1, 4 or 8), the
// table exactly as the bitmap has it, and the resolution in a pHYs chunk.
[[nodiscard]] Result writeIndexedPng(const Bitmap& bitmap, Bytes& out);

// ZSoft PCX, run-length encoded: 1 bit (one plane), 4 bits (four bit planes,
// table in the header), 8 bits (table after the pixels), 24 bits (three planes).
[[nodiscard]] Result writePcx(const Bitmap& bitmap, Bytes& out);

// Uncompressed 16-bit (5-5-5) Targa, rows top-down.
[[nodiscard]] Result writeTga16(const Bitmap& bitmap, Bytes& out);

// Level 2 Encapsulated PostScript, one point per pixel: indexed depths as an
// /Indexed colour space holding the bitmap's table, 24 bits as DeviceRGB;
// pixels ASCII85-encoded. A "%ArdaneBitmap: w h bits" comment records the depth.
[[nodiscard]] Result writeEps(const Bitmap& bitmap, Bytes& out);

} // namespace ardane::imaging::codecs
