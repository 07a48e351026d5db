#pragma once
// File format codes as callers pass them to SaveFile and read them back from
// ProbedFormat, with the facts the rest of the program needs about each.

#include <cstdint>
#include <span>
#include <string_view>

namespace ardane::imaging {

enum class FileFormat : std::int16_t {
    Unknown = 0,
    Pcx = 1,
    Gif = 2,
    Tga = 4,
    Cmp = 5,
    Bmp = 6,
    Jpeg = 10,
    Wmf = 15,
    Eps = 16,
    Tiff = 17,
    PhotoCd = 40,
    Os2Bmp = 74,
    Png = 75,
    Layered = 255, // handled by the document layer, not by the imaging control
};

struct FormatInfo {
    FileFormat format;
    std::string_view name;       // short name, as `ardane-batch` prints and accepts it
    std::string_view extension;  // usual extension, upper case, without the dot
    bool canRead;
    bool canWrite;
    std::uint8_t writableDepths; // bit set: 1 << 0 for 1 bpp, 1 for 4, 2 for 8, 3 for 16, 4 for 24, 5 for 32
};

// Every format the imaging control knows (the layered format excluded).
[[nodiscard]] std::span<const FormatInfo> allFormats();
[[nodiscard]] const FormatInfo* formatInfo(FileFormat format);
[[nodiscard]] const FormatInfo* formatInfo(int code);
// By short name or extension, case-insensitive ("png", "JPG", "tif", "os2").
[[nodiscard]] const FormatInfo* formatByName(std::string_view nameOrExtension);
[[nodiscard]] bool canWriteDepth(const FormatInfo& info, int bitsPerPixel);
[[nodiscard]] constexpr std::uint8_t depthBit(int bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1: return 1u << 0;
    case 4: return 1u << 1;
    case 8: return 1u << 2;
    case 16: return 1u << 3;
    case 24: return 1u << 4;
    case 32: return 1u << 5;
    default: return 0;
    }
}

} // namespace ardane::imaging
