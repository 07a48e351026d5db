// Packed device-independent bitmaps, and the header parser, pixel decoder and
// writer that the BMP, OS/2 bitmap and metafile codecs share.
//
// Reading, by stored depth and encoding, gives a bitmap of these depths:
//   1, 4, 8 bits              1, 4, 8 (indexed)
//   2 bits (Windows CE)       4 (indexed, at most 4 colours)
//   16 bits, 5-5-5            16
//   16 bits, other bit fields 24, or 32 when an alpha mask is given. 5-6-5 is
//                             widened to 24 bits by bit replication rather than
//                             narrowed to 5-5-5, so no green precision is lost.
//   24 bits                   24
//   32 bits                   32; the fourth byte (or the alpha mask) is the
//                             alpha, except that an image whose alpha is zero
//                             everywhere is taken as opaque: most writers leave
//                             that byte unused.
// Pixel indices past the end of a short colour table would break the bitmap's
// invariant, so the table is extended with black up to the largest index used.

#include "imaging/codecs/Dib.h"
#include "imaging/codecs/DibInternal.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace ardane::imaging::codecs {

namespace dibfmt {

namespace {

// Compression values of the Windows headers. OS/2 2.x shares 0..2 and uses
// 3 for Huffman 1-D and 4 for 24-bit run lengths, which we do not read.
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitFields = 3;
constexpr std::uint32_t kBiAlphaBitFields = 6;

constexpr std::array<std::uint32_t, 3> kMasks555{0x7C00, 0x03E0, 0x001F};

bool validBitCount(HeaderKind kind, int bits)
{
    switch (bits) {
    case 1:
    case 4:
    case 8:
    case 24: return true;
    case 2:
    case 16:
    case 32: return kind != HeaderKind::Core;
    default: return false;
    }
}

bool contiguous(std::uint32_t mask)
{
    if (mask == 0)
        return true;
    const std::uint32_t shifted = mask >> std::countr_zero(mask);
    return (shifted & (shifted + 1)) == 0;
}

// One colour channel of a bit-field pixel, scaled to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    std::array<std::uint8_t, 256> scale{};

    explicit Channel(std::uint32_t m) : mask(m)
    {
        if (mask == 0)
            return;
        shift = std::countr_zero(mask);
        bits = std::popcount(mask);
        if (bits <= 8) {
            const int max = (1 << bits) - 1;
            for (int v = 0; v <= max; ++v)
                scale[std::size_t(v)] = std::uint8_t((v * 255 + max / 2) / max);
        }
    }
    [[nodiscard]] std::uint8_t get(std::uint32_t pixel) const
    {
        if (mask == 0)
            return 0;
        const std::uint32_t v = (pixel & mask) >> shift;
        return bits <= 8 ? scale[v] : std::uint8_t(v >> (bits - 8));
    }
};

std::vector<QRgb> readPalette(ByteView dib, const Layout& l)
{
    std::vector<QRgb> palette;
    palette.reserve(std::size_t(l.paletteEntries));
    for (int i = 0; i < l.paletteEntries; ++i) {
        const std::uint64_t at = l.paletteOffset + std::uint64_t(i) * std::uint64_t(l.paletteEntrySize);
        palette.push_back(qRgb(dib[at + 2], dib[at + 1], dib[at]));
    }
    return palette;
}

// Extends a short colour table so that every index in the pixels names a colour.
void coverIndices(Bitmap& bmp)
{
    QImage& img = bmp.image();
    const int colours = img.colorCount();
    if (colours >= (1 << bmp.bitsPerPixel()))
        return;
    int maxIndex = 0;
    for (int y = 0; y < img.height(); ++y) {
        const uchar* row = img.constScanLine(y);
        for (int x = 0; x < img.width(); ++x)
            maxIndex = std::max<int>(maxIndex, row[x]);
    }
    if (maxIndex < colours)
        return;
    QList<QRgb> table = img.colorTable();
    while (table.size() <= maxIndex)
        table.append(qRgb(0, 0, 0));
    img.setColorTable(table);
}

void unpackIndexed(const std::uint8_t* src, uchar* dst, int width, int bits)
{
    switch (bits) {
    case 8: std::memcpy(dst, src, std::size_t(width)); break;
    case 4:
        for (int x = 0; x < width; ++x)
            dst[x] = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
        break;
    case 2:
        for (int x = 0; x < width; ++x)
            dst[x] = (src[x >> 2] >> (6 - 2 * (x & 3))) & 0x03;
        break;
    case 1:
        for (int x = 0; x < width; ++x)
            dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 0x01;
        break;
    default: break;
    }
}

// Run-length decoding into an indexed bitmap. The rows are stored bottom-up;
// `line` counts from the bottom. Common writers code every row to its padded
// width (128 pixels for a 127-pixel row), so pixels of a run or a literal that
// fall past the right edge are dropped, as other readers do. Pixels past the
// last row, or a move beyond the image, make the data invalid; the data
// ending before its end marker is a short read unless every row has been
// reached.
Result decodeRle(ByteView data, bool fourBit, Bitmap& bmp)
{
    QImage& img = bmp.image();
    const int width = img.width();
    const int height = img.height();
    std::size_t p = 0;
    std::int64_t x = 0;
    std::int64_t line = 0;
    auto row = [&]() { return img.scanLine(int(height - 1 - line)); };
    // How many of `count` pixels starting at x lie inside the row.
    auto visible = [&](int count) { return int(std::clamp<std::int64_t>(width - x, 0, count)); };

    while (true) {
        if (data.size() - p < 2)
            return line >= height ? result::Ok : result::ReadError;
        const int first = data[p];
        const int second = data[p + 1];
        p += 2;
        if (first > 0) {
            // Encoded run: `first` pixels of one index, or of two alternating nibbles.
            if (line >= height)
                return result::InvalidCompression;
            const int kept = visible(first);
            if (kept > 0) {
                uchar* dst = row() + x;
                if (fourBit) {
                    const uchar hi = uchar(second >> 4);
                    const uchar lo = uchar(second & 0x0F);
                    for (int i = 0; i < kept; ++i)
                        dst[i] = (i & 1) ? lo : hi;
                } else {
                    std::memset(dst, second, std::size_t(kept));
                }
            }
            x += first;
            continue;
        }
        switch (second) {
        case 0: // end of line
            x = 0;
            ++line;
            break;
        case 1: // end of bitmap
            return result::Ok;
        case 2: { // move right and up
            if (data.size() - p < 2)
                return result::ReadError;
            x += data[p];
            line += data[p + 1];
            p += 2;
            if (x > width || line > height)
                return result::InvalidCompression;
            break;
        }
        default: { // literal run of `second` pixels, padded to a 16-bit boundary
            const std::size_t bytes = fourBit ? std::size_t(second + 1) / 2 : std::size_t(second);
            if (data.size() - p < bytes)
                return result::ReadError;
            if (line >= height)
                return result::InvalidCompression;
            const int kept = visible(second);
            if (kept > 0) {
                uchar* dst = row() + x;
                if (fourBit)
                    unpackIndexed(data.data() + p, dst, kept, 4);
                else
                    std::memcpy(dst, data.data() + p, std::size_t(kept));
            }
            x += second;
            p = std::min(data.size(), p + bytes + (bytes & 1));
            break;
        }
        }
    }
}

} // namespace

std::optional<HeaderKind> headerKindForSize(std::uint32_t size)
{
    switch (size) {
    case 12: return HeaderKind::Core;
    case 40:
    case 52:
    case 56:
    case 108:
    case 124: return HeaderKind::Windows;
    default: break;
    }
    if (size >= 16 && size <= 64)
        return HeaderKind::Os2;
    return std::nullopt;
}

const char* compressionName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Rle8: return "RLE8";
    case Encoding::Rle4: return "RLE4";
    case Encoding::BitFields: return "BitFields";
    case Encoding::Rgb: break;
    }
    return "None";
}

std::int64_t rowStride(std::int64_t width, int bits) { return ((width * bits + 31) / 32) * 4; }

int dpiFromPpm(std::int64_t ppm)
{
    if (ppm <= 0)
        return 96;
    const std::int64_t dpi = (ppm * 254 + 5000) / 10000;
    return int(std::clamp<std::int64_t>(dpi, 1, 32767));
}

std::int32_t ppmFromDpi(int dpi)
{
    if (dpi <= 0)
        return 0;
    return std::int32_t((std::int64_t(dpi) * 10000 + 127) / 254);
}

Result parseHeader(ByteView dib, std::optional<std::uint64_t> pixelOffset, Layout& out)
{
    if (dib.size() < 4)
        return result::ReadError;
    const std::uint32_t size = rd32(dib, 0);
    const auto kind = headerKindForSize(size);
    if (!kind)
        return result::InvalidFormat;
    if (dib.size() < size)
        return result::ReadError;

    // Fields an OS/2 short header leaves out read as zero.
    auto field32 = [&](std::uint32_t at) { return at + 4 <= size ? rd32(dib, at) : 0u; };
    auto field16 = [&](std::uint32_t at) { return at + 2 <= size ? rd16(dib, at) : 0u; };

    Layout l;
    l.kind = *kind;
    l.headerSize = size;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t clrUsed = 0;
    if (l.kind == HeaderKind::Core) {
        width = rd16(dib, 4);
        height = rd16(dib, 6);
        l.bitCount = rd16(dib, 10);
        l.paletteEntrySize = 3;
    } else {
        width = std::int32_t(field32(4));
        height = std::int32_t(field32(8));
        l.bitCount = int(field16(14));
        compression = field32(16);
        l.sizeImage = field32(20);
        l.xPelsPerMeter = std::int32_t(field32(24));
        l.yPelsPerMeter = std::int32_t(field32(28));
        clrUsed = field32(32);
    }

    switch (compression) {
    case kBiRgb: l.encoding = Encoding::Rgb; break;
    case kBiRle8: l.encoding = Encoding::Rle8; break;
    case kBiRle4: l.encoding = Encoding::Rle4; break;
    case kBiBitFields:
    case kBiAlphaBitFields:
        if (l.kind != HeaderKind::Windows)
            return result::UnknownCompression; // OS/2: Huffman 1-D
        l.encoding = Encoding::BitFields;
        break;
    default: return result::UnknownCompression; // JPEG, PNG, OS/2 RLE24, unknown
    }
    if (!validBitCount(l.kind, l.bitCount))
        return result::InvalidFormat;
    if ((l.encoding == Encoding::Rle8 && l.bitCount != 8) || (l.encoding == Encoding::Rle4 && l.bitCount != 4)
        || (l.encoding == Encoding::BitFields && l.bitCount != 16 && l.bitCount != 32))
        return result::InvalidCompression;

    if (width <= 0 || height == 0)
        return result::InvalidFormat;
    l.topDown = height < 0;
    height = height < 0 ? -height : height;
    if (!Bitmap::isValidSize(width, height))
        return result::OutOfMemory;
    l.width = int(width);
    l.height = int(height);
    // Run-length rows are always stored bottom-up.
    if (l.topDown && (l.encoding == Encoding::Rle8 || l.encoding == Encoding::Rle4))
        return result::InvalidCompression;

    std::uint64_t pos = size;
    if (l.encoding == Encoding::BitFields) {
        if (size >= 52) {
            for (int i = 0; i < 3; ++i)
                l.masks[std::size_t(i)] = rd32(dib, 40 + 4 * std::uint64_t(i));
            if (size >= 56)
                l.masks[3] = rd32(dib, 52);
        } else {
            // A 40-byte header is followed by three masks, or four for alpha bit fields.
            const int count = compression == kBiAlphaBitFields ? 4 : 3;
            if (dib.size() < pos + 4 * std::uint64_t(count))
                return result::ReadError;
            for (int i = 0; i < count; ++i)
                l.masks[std::size_t(i)] = rd32(dib, pos + 4 * std::uint64_t(i));
            pos += 4 * std::uint64_t(count);
        }
        if ((l.masks[0] | l.masks[1] | l.masks[2]) == 0)
            return result::InvalidFormat;
        for (const std::uint32_t m : l.masks) {
            if (!contiguous(m) || (l.bitCount == 16 && m > 0xFFFF))
                return result::InvalidFormat;
        }
    }

    // Colour table. Below 9 bits it gives the palette; above, an optional table
    // that only has to be stepped over in a packed DIB.
    l.paletteOffset = pos;
    std::uint64_t tableEntries = 0;
    std::uint64_t take = 0;
    if (l.bitCount <= 8) {
        const std::uint32_t full = 1u << l.bitCount;
        if (l.kind == HeaderKind::Core || clrUsed == 0)
            tableEntries = full;
        else if (clrUsed > 256)
            return result::InvalidFormat;
        else
            tableEntries = clrUsed;
        take = std::min<std::uint64_t>(tableEntries, full);
    } else {
        tableEntries = clrUsed;
    }
    if (pixelOffset && *pixelOffset >= pos) {
        const std::uint64_t room = (*pixelOffset - pos) / std::uint64_t(l.paletteEntrySize);
        tableEntries = std::min(tableEntries, room);
        take = std::min(take, room);
    }
    l.paletteEntries = int(take);
    l.tableEnd = pos + tableEntries * std::uint64_t(l.paletteEntrySize);
    if (l.tableEnd > dib.size())
        return result::ReadError;
    l.pixelStart = (pixelOffset && *pixelOffset >= pos) ? *pixelOffset : l.tableEnd;

    switch (l.bitCount) {
    case 2: l.loadedBits = 4; break;
    case 16:
        if (l.encoding != Encoding::BitFields)
            l.loadedBits = 16;
        else if (l.masks[3] != 0)
            l.loadedBits = 32;
        else if (l.masks[0] == kMasks555[0] && l.masks[1] == kMasks555[1] && l.masks[2] == kMasks555[2])
            l.loadedBits = 16;
        else
            l.loadedBits = 24;
        break;
    default: l.loadedBits = l.bitCount; break;
    }
    out = l;
    return result::Ok;
}

void describe(const Layout& l, ProbeInfo& info)
{
    info.width = l.width;
    info.height = l.height;
    info.bitsPerPixel = l.loadedBits;
    info.memorySize = rowStride(l.width, l.loadedBits) * l.height;
    info.compression = compressionName(l.encoding);
    info.pages = 1;
}

Result decodePixels(ByteView dib, const Layout& l, Bitmap& out)
{
    if (l.pixelStart > dib.size())
        return result::ReadError;
    const ByteView px = dib.subspan(std::size_t(l.pixelStart));
    const int w = l.width;
    const int h = l.height;
    const std::int64_t stride = rowStride(w, l.bitCount);
    const bool runLength = l.encoding == Encoding::Rle8 || l.encoding == Encoding::Rle4;
    if (!runLength) {
        // The last row may come without its padding.
        const std::int64_t lastRow = (std::int64_t(w) * l.bitCount + 7) / 8;
        if (std::int64_t(px.size()) < stride * (h - 1) + lastRow)
            return result::ReadError;
    }

    std::vector<QRgb> palette;
    if (l.loadedBits <= 8)
        palette = readPalette(dib, l);
    Bitmap bmp = Bitmap::create(w, h, l.loadedBits, palette);
    if (bmp.isNull())
        return result::OutOfMemory;
    QImage& img = bmp.image();

    if (runLength) {
        if (const Result r = decodeRle(px, l.encoding == Encoding::Rle4, bmp); r != result::Ok)
            return r;
    } else {
        bool alphaFromData = false;
        std::uint32_t alphaSeen = 0;
        const Channel red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]), alpha(l.masks[3]);
        for (int r = 0; r < h; ++r) {
            const std::uint8_t* src = px.data() + std::int64_t(r) * stride;
            uchar* dst = img.scanLine(l.topDown ? r : h - 1 - r);
            if (l.bitCount <= 8) {
                unpackIndexed(src, dst, w, l.bitCount);
                continue;
            }
            if (l.encoding == Encoding::Rgb) {
                switch (l.bitCount) {
                case 16: {
                    auto* d = reinterpret_cast<quint16*>(dst);
                    for (int x = 0; x < w; ++x)
                        d[x] = quint16((src[2 * x] | src[2 * x + 1] << 8) & 0x7FFF);
                    break;
                }
                case 24:
                    for (int x = 0; x < w; ++x) {
                        dst[3 * x] = src[3 * x + 2];
                        dst[3 * x + 1] = src[3 * x + 1];
                        dst[3 * x + 2] = src[3 * x];
                    }
                    break;
                case 32: {
                    alphaFromData = true;
                    auto* d = reinterpret_cast<QRgb*>(dst);
                    for (int x = 0; x < w; ++x) {
                        const std::uint8_t* s = src + 4 * x;
                        d[x] = qRgba(s[2], s[1], s[0], s[3]);
                        alphaSeen |= s[3];
                    }
                    break;
                }
                default: break;
                }
                continue;
            }
            // Bit fields.
            const bool twoBytes = l.bitCount == 16;
            auto value = [src, twoBytes](int x) {
                if (twoBytes)
                    return std::uint32_t(src[2 * x] | src[2 * x + 1] << 8);
                const std::uint8_t* s = src + 4 * x;
                return std::uint32_t(s[0]) | std::uint32_t(s[1]) << 8 | std::uint32_t(s[2]) << 16
                    | std::uint32_t(s[3]) << 24;
            };
            if (l.loadedBits == 16) {
                auto* d = reinterpret_cast<quint16*>(dst);
                for (int x = 0; x < w; ++x)
                    d[x] = quint16(value(x) & 0x7FFF);
            } else if (l.loadedBits == 24) {
                for (int x = 0; x < w; ++x) {
                    const std::uint32_t v = value(x);
                    dst[3 * x] = red.get(v);
                    dst[3 * x + 1] = green.get(v);
                    dst[3 * x + 2] = blue.get(v);
                }
            } else if (l.masks[3] != 0) {
                alphaFromData = true;
                auto* d = reinterpret_cast<QRgb*>(dst);
                for (int x = 0; x < w; ++x) {
                    const std::uint32_t v = value(x);
                    const std::uint8_t a = alpha.get(v);
                    alphaSeen |= a;
                    d[x] = qRgba(red.get(v), green.get(v), blue.get(v), a);
                }
            } else {
                auto* d = reinterpret_cast<QRgb*>(dst);
                for (int x = 0; x < w; ++x) {
                    const std::uint32_t v = value(x);
                    d[x] = qRgba(red.get(v), green.get(v), blue.get(v), 255);
                }
            }
        }
        if (alphaFromData && alphaSeen == 0) {
            for (int y = 0; y < h; ++y) {
                auto* d = reinterpret_cast<QRgb*>(img.scanLine(y));
                for (int x = 0; x < w; ++x)
                    d[x] |= 0xFF000000u;
            }
        }
    }
    if (bmp.isIndexed())
        coverIndices(bmp);
    bmp.setResolution(dpiFromPpm(l.xPelsPerMeter), dpiFromPpm(l.yPelsPerMeter));
    out = std::move(bmp);
    return result::Ok;
}

int paletteCountForWrite(const Bitmap& bitmap)
{
    if (!bitmap.isIndexed())
        return 0;
    const int n = bitmap.image().colorCount();
    return n == 0 ? (1 << bitmap.bitsPerPixel()) : std::min(n, 1 << bitmap.bitsPerPixel());
}

std::uint64_t encodedSize(const Bitmap& bitmap, std::uint32_t infoSize, std::size_t prefix)
{
    if (bitmap.isNull())
        return 0;
    const std::uint64_t pixels = std::uint64_t(rowStride(bitmap.width(), bitmap.bitsPerPixel())) * std::uint64_t(bitmap.height());
    return std::uint64_t(prefix) + infoSize + 4 * std::uint64_t(paletteCountForWrite(bitmap)) + pixels;
}

bool fitsSizeFields(const Bitmap& bitmap, std::uint32_t infoSize, std::size_t prefix)
{
    return !bitmap.isNull() && encodedSize(bitmap, infoSize, prefix) <= 0xFFFFFFFFu;
}

Bytes encode(const Bitmap& bitmap, std::uint32_t infoSize, std::size_t prefix)
{
    if (bitmap.isNull() || infoSize < 40 || !fitsSizeFields(bitmap, infoSize, prefix))
        return {};
    const int bits = bitmap.bitsPerPixel();
    const int w = bitmap.width();
    const int h = bitmap.height();
    const QImage& img = bitmap.image();
    const int colours = paletteCountForWrite(bitmap);
    const std::int64_t stride = rowStride(w, bits);
    const std::size_t tableAt = prefix + infoSize;
    const std::size_t pixelsAt = tableAt + std::size_t(colours) * 4;
    Bytes out(std::size_t(encodedSize(bitmap, infoSize, prefix)), 0);

    std::uint8_t* hdr = out.data() + prefix;
    put32(hdr, infoSize);
    put32(hdr + 4, std::uint32_t(w));
    put32(hdr + 8, std::uint32_t(h));
    put16(hdr + 12, 1);
    put16(hdr + 14, std::uint32_t(bits));
    put32(hdr + 16, kBiRgb);
    put32(hdr + 20, std::uint32_t(stride * h));
    put32(hdr + 24, std::uint32_t(ppmFromDpi(bitmap.xResolution())));
    put32(hdr + 28, std::uint32_t(ppmFromDpi(bitmap.yResolution())));
    put32(hdr + 32, std::uint32_t(colours));
    put32(hdr + 36, 0);

    // Colour table: blue, green, red, reserved. A table-less indexed image gets a grey ramp.
    const int tableSize = img.colorCount();
    for (int i = 0; i < colours; ++i) {
        int v = colours == 1 ? 0 : i * 255 / (colours - 1);
        QRgb c = i < tableSize ? img.color(i) : qRgb(v, v, v);
        std::uint8_t* e = out.data() + tableAt + 4 * std::size_t(i);
        e[0] = std::uint8_t(qBlue(c));
        e[1] = std::uint8_t(qGreen(c));
        e[2] = std::uint8_t(qRed(c));
    }

    for (int r = 0; r < h; ++r) {
        const uchar* src = img.constScanLine(h - 1 - r);
        std::uint8_t* dst = out.data() + pixelsAt + std::size_t(r) * std::size_t(stride);
        switch (bits) {
        case 1:
            for (int x = 0; x < w; ++x)
                if (src[x] & 1)
                    dst[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
            break;
        case 4:
            for (int x = 0; x < w; ++x)
                dst[x >> 1] |= std::uint8_t((src[x] & 0x0F) << ((x & 1) ? 0 : 4));
            break;
        case 8: std::memcpy(dst, src, std::size_t(w)); break;
        case 16: {
            const auto* s = reinterpret_cast<const quint16*>(src);
            for (int x = 0; x < w; ++x)
                put16(dst + 2 * x, s[x] & 0x7FFFu);
            break;
        }
        case 24:
            for (int x = 0; x < w; ++x) {
                dst[3 * x] = src[3 * x + 2];
                dst[3 * x + 1] = src[3 * x + 1];
                dst[3 * x + 2] = src[3 * x];
            }
            break;
        case 32: {
            const auto* s = reinterpret_cast<const QRgb*>(src);
            for (int x = 0; x < w; ++x) {
                std::uint8_t* d = dst + 4 * x;
                d[0] = std::uint8_t(qBlue(s[x]));
                d[1] = std::uint8_t(qGreen(s[x]));
                d[2] = std::uint8_t(qRed(s[x]));
                d[3] = std::uint8_t(qAlpha(s[x]));
            }
            break;
        }
        default: break;
        }
    }
    return out;
}

} // namespace dibfmt

Bytes toPackedDib(const Bitmap& bitmap) { return dibfmt::encode(bitmap, 40, 0); }

Result fromPackedDib(ByteView dib, Bitmap& out)
{
    dibfmt::Layout layout;
    if (const Result r = dibfmt::parseHeader(dib, std::nullopt, layout); r != result::Ok)
        return r;
    try {
        return dibfmt::decodePixels(dib, layout, out);
    } catch (const std::bad_alloc&) {
        return result::OutOfMemory;
    }
}

} // namespace ardane::imaging::codecs
