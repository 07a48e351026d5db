#pragma once
// What a raster file stores, read from its header alone: size, the kind and
// width of its samples, colour-table size, alpha, compression and page count.
// Probing and loading both decide the depth of the loaded bitmap from these
// facts, so the depth a probe reports is always the depth a load produces.

#include "imaging/codecs/Codec.h"

#include <QRgb>

#include <string>
#include <vector>

namespace ardane::imaging::codecs {

enum class StoredKind {
    Palette, // indices into a colour table
    Grey,    // grey samples without a table
    Rgb,     // true colour (any sample width, CMYK and YCbCr included)
    Rgb16,   // 5-5-5 true colour
};

struct StoredLayout {
    int width = 0;
    int height = 0;
    StoredKind kind = StoredKind::Rgb;
    int sampleBits = 8;  // bits of one index or grey sample
    int paletteSize = 0; // colour-table entries, 0 when the file has no table
    std::vector<QRgb> palette; // a table read from the header, overriding the decoder's
    bool alpha = false;
    std::string compression = "None";
    int pages = 1;
};

// Header readers. Each answers Ok, InvalidFormat when the bytes are not the
// format at all, or ReadError when the header is cut short or contradicts
// itself. `page` selects the page of a multi-page file; a page past the last
// answers InvalidFormat.
[[nodiscard]] Result pngLayout(ByteView data, StoredLayout& out);
[[nodiscard]] Result gifLayout(ByteView data, int page, StoredLayout& out);
[[nodiscard]] Result tiffLayout(ByteView data, int page, StoredLayout& out);
[[nodiscard]] Result tgaLayout(ByteView data, StoredLayout& out);
[[nodiscard]] Result pcxLayout(ByteView data, StoredLayout& out);

// Zeroes the bytes of a TIFF file image that no structure refers to (the
// alignment gaps libtiff skips over when writing into memory would otherwise
// hold whatever the buffer held before).
void clearTiffPadding(Bytes& tiff);

// The depth (1, 4, 8, 16, 24 or 32) a file with this layout loads at.
[[nodiscard]] int loadDepth(const StoredLayout& layout);

// Encapsulated PostScript as far as we need it without running an
// interpreter: the bounding box, and the bitmap description our own writer
// leaves in a comment (depth and, for indexed images, the colour table).
struct EpsLayout {
    int width = 0;         // bounding box in points, one pixel per point
    int height = 0;
    int bits = 24;         // 1, 4, 8 (indexed) or 24
    std::vector<QRgb> palette;
    std::size_t psOffset = 0; // PostScript section (after a DOS binary header)
    std::size_t psLength = 0;
};
[[nodiscard]] Result epsLayout(ByteView data, EpsLayout& out);

// The comment line our EPS writer puts in the header: "%ArdaneBitmap: w h bits".
inline constexpr std::string_view kEpsBitmapComment = "%ArdaneBitmap:";

} // namespace ardane::imaging::codecs
