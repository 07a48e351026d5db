#pragma once
// The codec table: one reader, writer and prober per file format, all working
// on in-memory file images. Files are read whole into memory and written from
// memory, so loading a file and loading a block are one path.

#include "imaging/Bitmap.h"
#include "imaging/FileFormat.h"
#include "imaging/ResultCodes.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ardane::imaging::codecs {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// What a file says about itself, read without decoding every pixel where the
// format allows.
struct ProbeInfo {
    FileFormat format = FileFormat::Unknown;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;      // the depth the file is loaded at: 1, 4, 8, 16, 24 or 32
    std::int64_t memorySize = 0; // bytes of the pixels as a device-independent bitmap
    std::string compression;   // "None", "RLE8", "LZW", "JPEG", "Deflate", ...
    int pages = 1;
};

struct Codec {
    FileFormat format;
    // Each returns result::Ok or an error code, and leaves its output untouched on error.
    Result (*probe)(ByteView data, int page, ProbeInfo& info);
    Result (*read)(ByteView data, int page, Bitmap& out);
    // Writes `bitmap` at its own depth; the caller has already converted it to a
    // depth the format can hold. `quality` is 1..100 for lossy formats.
    Result (*write)(const Bitmap& bitmap, int quality, Bytes& out); // null: read only
};

// The format a file image holds, recognised from its content.
[[nodiscard]] FileFormat detectFormat(ByteView data);

// The codec for a format, or null (CMP, unknown).
[[nodiscard]] const Codec* codecFor(FileFormat format);

// Codec entries, each defined beside its format's code.
extern const Codec kBmpCodec;     // Windows bitmaps, all depths
extern const Codec kOs2BmpCodec;  // OS/2 2.x bitmaps
extern const Codec kWmfCodec;     // metafiles: our own writer, one bitmap record
extern const Codec kGifCodec;
extern const Codec kTiffCodec;
extern const Codec kJpegCodec;
extern const Codec kPcxCodec;
extern const Codec kPngCodec;
extern const Codec kTgaCodec;
extern const Codec kEpsCodec;
extern const Codec kPhotoCdCodec;

} // namespace ardane::imaging::codecs
