#include "imaging/FileFormat.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace ardane::imaging {

namespace {
constexpr std::uint8_t d(int a, int b = 0, int c = 0, int e = 0, int f = 0, int g = 0)
{
    return depthBit(a) | depthBit(b) | depthBit(c) | depthBit(e) | depthBit(f) | depthBit(g);
}

constexpr std::array kFormats{
    FormatInfo{FileFormat::Pcx, "PCX", "PCX", true, true, d(1, 4, 8, 24)},
    FormatInfo{FileFormat::Gif, "GIF", "GIF", true, true, d(1, 4, 8)},
    FormatInfo{FileFormat::Tga, "TGA", "TGA", true, true, d(8, 16, 24, 32)},
    FormatInfo{FileFormat::Cmp, "CMP", "CMP", false, false, 0},
    FormatInfo{FileFormat::Bmp, "BMP", "BMP", true, true, d(1, 4, 8, 16, 24, 32)},
    FormatInfo{FileFormat::Jpeg, "JPEG", "JPG", true, true, d(1, 4, 8, 24)},
    FormatInfo{FileFormat::Wmf, "WMF", "WMF", true, true, d(1, 4, 8, 24)},
    FormatInfo{FileFormat::Eps, "EPS", "PS", true, true, d(1, 8, 24)},
    FormatInfo{FileFormat::Tiff, "TIFF", "TIF", true, true, d(1, 4, 8, 24, 32)},
    FormatInfo{FileFormat::PhotoCd, "PCD", "PCD", true, false, 0},
    FormatInfo{FileFormat::Os2Bmp, "OS2", "OS2", true, true, d(1, 4, 8, 24)},
    FormatInfo{FileFormat::Png, "PNG", "PNG", true, true, d(1, 4, 8, 24, 32)},
};

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}
} // namespace

std::span<const FormatInfo> allFormats() { return kFormats; }

const FormatInfo* formatInfo(FileFormat format)
{
    auto it = std::find_if(kFormats.begin(), kFormats.end(), [&](const FormatInfo& f) { return f.format == format; });
    return it == kFormats.end() ? nullptr : &*it;
}

const FormatInfo* formatInfo(int code) { return formatInfo(static_cast<FileFormat>(code)); }

const FormatInfo* formatByName(std::string_view key)
{
    if (!key.empty() && key.front() == '.')
        key.remove_prefix(1);
    // Common alternative spellings of extensions.
    static constexpr std::array<std::pair<std::string_view, FileFormat>, 6> aliases{{
        {"JPEG", FileFormat::Jpeg}, {"JPE", FileFormat::Jpeg}, {"TIFF", FileFormat::Tiff},
        {"EPS", FileFormat::Eps}, {"DIB", FileFormat::Bmp}, {"TARGA", FileFormat::Tga},
    }};
    for (const auto& f : kFormats)
        if (equalsNoCase(f.name, key) || equalsNoCase(f.extension, key))
            return &f;
    for (const auto& [alias, format] : aliases)
        if (equalsNoCase(alias, key))
            return formatInfo(format);
    return nullptr;
}

bool canWriteDepth(const FormatInfo& info, int bitsPerPixel)
{
    return info.canWrite && (info.writableDepths & depthBit(bitsPerPixel)) != 0;
}

} // namespace ardane::imaging
