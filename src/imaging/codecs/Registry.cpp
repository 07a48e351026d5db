#include "imaging/codecs/Codec.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace ardane::imaging::codecs {

namespace {
bool startsWith(ByteView data, std::initializer_list<std::uint8_t> magic)
{
    return data.size() >= magic.size() && std::equal(magic.begin(), magic.end(), data.begin());
}

std::uint32_t le32(ByteView d, std::size_t at)
{
    return d.size() < at + 4 ? 0 : std::uint32_t(d[at]) | std::uint32_t(d[at + 1]) << 8 | std::uint32_t(d[at + 2]) << 16 | std::uint32_t(d[at + 3]) << 24;
}

// TARGA has no signature: accept a header whose fields are all plausible.
bool looksLikeTga(ByteView d)
{
    if (d.size() < 18)
        return false;
    const int colorMapType = d[1];
    const int imageType = d[2];
    const int depth = d[16];
    const int width = d[12] | d[13] << 8;
    const int height = d[14] | d[15] << 8;
    const bool typeOk = imageType == 1 || imageType == 2 || imageType == 3 || imageType == 9 || imageType == 10 || imageType == 11;
    const bool depthOk = depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
    return colorMapType <= 1 && typeOk && depthOk && width > 0 && height > 0;
}
} // namespace

FileFormat detectFormat(ByteView d)
{
    if (startsWith(d, {'B', 'M'}) && d.size() >= 18) {
        // OS/2 2.x bitmaps carry a 64-byte (or shorter, 16..64) info header
        // that is not one of the Windows sizes.
        const std::uint32_t infoSize = le32(d, 14);
        const bool windows = infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 108 || infoSize == 124;
        if (infoSize == 12 || windows)
            return FileFormat::Bmp;
        if (infoSize >= 16 && infoSize <= 64)
            return FileFormat::Os2Bmp;
        return FileFormat::Bmp;
    }
    if (startsWith(d, {'G', 'I', 'F', '8'}))
        return FileFormat::Gif;
    if (startsWith(d, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}))
        return FileFormat::Png;
    if (startsWith(d, {0xFF, 0xD8, 0xFF}))
        return FileFormat::Jpeg;
    if (startsWith(d, {'I', 'I', 42, 0}) || startsWith(d, {'M', 'M', 0, 42}))
        return FileFormat::Tiff;
    if (startsWith(d, {0xD7, 0xCD, 0xC6, 0x9A}) || startsWith(d, {0x01, 0x00, 0x09, 0x00}) || startsWith(d, {0x02, 0x00, 0x09, 0x00}))
        return FileFormat::Wmf;
    if (startsWith(d, {'%', '!', 'P', 'S'}) || startsWith(d, {0xC5, 0xD0, 0xD3, 0xC6}))
        return FileFormat::Eps;
    if (d.size() >= 0x800 + 8 && std::memcmp(d.data() + 0x800, "PCD_IPI", 7) == 0)
        return FileFormat::PhotoCd;
    if (d.size() >= 128 && d[0] == 0x0A && d[1] <= 5 && d[2] <= 1 && (d[3] == 1 || d[3] == 2 || d[3] == 4 || d[3] == 8))
        return FileFormat::Pcx;
    if (looksLikeTga(d))
        return FileFormat::Tga;
    return FileFormat::Unknown;
}

const Codec* codecFor(FileFormat format)
{
    static const std::array<const Codec*, 11> table{
        &kBmpCodec, &kOs2BmpCodec, &kWmfCodec, &kGifCodec, &kTiffCodec, &kJpegCodec,
        &kPcxCodec, &kPngCodec, &kTgaCodec, &kEpsCodec, &kPhotoCdCodec,
    };
    for (const Codec* c : table)
        if (c->format == format)
            return c;
    return nullptr;
}

} // namespace ardane::imaging::codecs
