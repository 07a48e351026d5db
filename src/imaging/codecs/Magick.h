#pragma once
// Helpers around GraphicsMagick that are not one format's codec.

#include "imaging/codecs/Codec.h"

namespace ardane::imaging::codecs {

// Initialises GraphicsMagick once per process (safe to call repeatedly).
void ensureMagickInitialised();

// Joins the pages of two multi-page file images of the same format (TIFF, GIF):
// every page of `existing`, then every page of `added`.
[[nodiscard]] Result appendPages(ByteView existing, ByteView added, Bytes& out);

} // namespace ardane::imaging::codecs
