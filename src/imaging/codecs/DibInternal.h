#pragma once
// Internals shared by the packed-DIB, BMP, OS/2 bitmap and metafile codecs:
// one parser for every bitmap information header in use (the 12-byte OS/2 1.x
// core header, the OS/2 2.x header in its full 64-byte and short 16..64-byte
// forms, and the Windows 40/52/56/108/124-byte headers), one pixel decoder,
// and the writer of the header, colour table and rows.
//
// Only the codec sources include this file.

#include "imaging/codecs/Codec.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace ardane::imaging::codecs::dibfmt {

// --- little-endian access ---------------------------------------------------
// The readers answer 0 for bytes past the end; callers check lengths first and
// these only guard against a mistake turning into an out-of-bounds read.
[[nodiscard]] inline std::uint16_t rd16(ByteView d, std::uint64_t at)
{
    if (at > d.size() || d.size() - at < 2)
        return 0;
    return std::uint16_t(d[at] | d[at + 1] << 8);
}
[[nodiscard]] inline std::uint32_t rd32(ByteView d, std::uint64_t at)
{
    if (at > d.size() || d.size() - at < 4)
        return 0;
    return std::uint32_t(d[at]) | std::uint32_t(d[at + 1]) << 8 | std::uint32_t(d[at + 2]) << 16
        | std::uint32_t(d[at + 3]) << 24;
}
inline void put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
inline void put32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

// --- header ----------------------------------------------------------------
enum class HeaderKind {
    Core,    // 12 bytes, OS/2 1.x: 16-bit sizes, 3-byte colour entries
    Os2,     // OS/2 2.x, 16..64 bytes (absent trailing fields read as 0)
    Windows, // 40, 52, 56, 108 or 124 bytes
};

enum class Encoding { Rgb, Rle8, Rle4, BitFields };

// Which header sizes are which; consistent with detectFormat().
[[nodiscard]] std::optional<HeaderKind> headerKindForSize(std::uint32_t size);

struct Layout {
    HeaderKind kind = HeaderKind::Windows;
    std::uint32_t headerSize = 0;
    int width = 0;
    int height = 0;        // always positive; see topDown
    bool topDown = false;  // rows stored top row first
    int bitCount = 0;      // as stored: 1, 2, 4, 8, 16, 24 or 32
    Encoding encoding = Encoding::Rgb;
    std::array<std::uint32_t, 4> masks{}; // red, green, blue, alpha (BitFields only)
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t sizeImage = 0;
    std::uint64_t paletteOffset = 0; // from the start of the header
    int paletteEntries = 0;          // entries we take into the bitmap
    int paletteEntrySize = 4;        // 3 for the core header
    std::uint64_t tableEnd = 0;      // end of the colour table
    std::uint64_t pixelStart = 0;    // where the pixels start, from the start of the header
    int loadedBits = 0;              // depth of the bitmap the pixels become
};

// Parses the information header at the start of `dib`. `pixelOffset`, when
// known (a file header names it) and not inside the header, is where the
// pixels start and bounds the colour table: entries that would run into the
// pixels are not taken. Otherwise the pixels follow the colour table. Answers
// ReadError when `dib` ends inside the header, its bit masks or its colour table.
[[nodiscard]] Result parseHeader(ByteView dib, std::optional<std::uint64_t> pixelOffset, Layout& out);

// Decodes the pixels at layout.pixelStart into a new bitmap, with the
// resolution the header gives.
[[nodiscard]] Result decodePixels(ByteView dib, const Layout& layout, Bitmap& out);

// Fills a probe description from a parsed header (format left to the caller).
void describe(const Layout& layout, ProbeInfo& info);

// "None", "RLE4", "RLE8" or "BitFields".
[[nodiscard]] const char* compressionName(Encoding encoding);

// --- resolution ----------------------------------------------------------
// Dots per inch from pixels per metre; 96 when the file gives none.
[[nodiscard]] int dpiFromPpm(std::int64_t ppm);
[[nodiscard]] std::int32_t ppmFromDpi(int dpi);

// --- writing ------------------------------------------------------------
[[nodiscard]] std::int64_t rowStride(std::int64_t width, int bits);

// Bytes encode() writes for `bitmap`, in 64 bits.
[[nodiscard]] std::uint64_t encodedSize(const Bitmap& bitmap, std::uint32_t infoSize, std::size_t prefix);
// Whether those bytes fit the format's 32-bit size fields (the file size of a
// bitmap file, the image size of the header).
[[nodiscard]] bool fitsSizeFields(const Bitmap& bitmap, std::uint32_t infoSize, std::size_t prefix);

// Writes `bitmap` as a header of `infoSize` bytes (40 for Windows, 64 for
// OS/2 2.x; fields past the first 40 are zero), the colour table (4-byte
// entries, exactly the palette's size) and the rows bottom-up, after
// `prefix` zero bytes left for the caller's own header. Empty for a null
// bitmap and for one too large for the size fields (fitsSizeFields).
[[nodiscard]] Bytes encode(const Bitmap& bitmap, std::uint32_t infoSize, std::size_t prefix);

// Number of colour-table entries encode() writes.
[[nodiscard]] int paletteCountForWrite(const Bitmap& bitmap);

} // namespace ardane::imaging::codecs::dibfmt
