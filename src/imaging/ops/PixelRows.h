#pragma once
// Row-at-a-time pixel access shared by the whole-image operations.
//
// Every depth is read as 0xAARRGGBB (QRgb) one scan line at a time, and the
// true-colour depths are written back the same way. The depth switch happens
// once per row, never per pixel, so the loops inside stay tight.

#include "imaging/Bitmap.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace ardane::imaging::ops::detail {

[[nodiscard]] inline int bytesPerPixel(int bitsPerPixel) { return bitsPerPixel <= 8 ? 1 : bitsPerPixel / 8; }

// A 5-bit channel widened to 8 bits with its top bits repeated below, so
// 0 -> 0 and 31 -> 255, and narrowing with >> 3 gives the original back.
[[nodiscard]] inline int expand5(int v) { return (v << 3) | (v >> 2); }

[[nodiscard]] inline QRgb unpackRgb555(std::uint16_t p)
{
    return qRgb(expand5((p >> 10) & 31), expand5((p >> 5) & 31), expand5(p & 31));
}

// 16-bit pixels keep the top five bits of each channel (truncation).
[[nodiscard]] inline std::uint16_t packRgb555(QRgb c)
{
    return std::uint16_t(((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3));
}

// A colour table as a full 256 entries: an index past the table reads black
// instead of running off the end.
using PaletteTable = std::array<QRgb, 256>;

[[nodiscard]] inline PaletteTable paletteTable(const QImage& image)
{
    PaletteTable table;
    table.fill(qRgb(0, 0, 0));
    const int n = std::min(image.colorCount(), 256);
    for (int i = 0; i < n; ++i)
        table[std::size_t(i)] = image.color(i);
    return table;
}

// Reads the rows of a bitmap of any depth as QRgb.
class RowReader {
public:
    explicit RowReader(const Bitmap& bitmap)
        : m_image(bitmap.image()), m_bits(bitmap.bitsPerPixel()), m_width(bitmap.width())
    {
        if (bitmap.isIndexed())
            m_table = paletteTable(m_image);
    }

    [[nodiscard]] int width() const { return m_width; }

    void read(int y, QRgb* out) const
    {
        const uchar* line = m_image.constScanLine(y);
        switch (m_bits) {
        case 16: {
            const auto* p = reinterpret_cast<const std::uint16_t*>(line);
            for (int x = 0; x < m_width; ++x)
                out[x] = unpackRgb555(p[x]);
            break;
        }
        case 24:
            for (int x = 0; x < m_width; ++x, line += 3)
                out[x] = qRgb(line[0], line[1], line[2]);
            break;
        case 32: std::memcpy(out, line, std::size_t(m_width) * sizeof(QRgb)); break;
        default:
            for (int x = 0; x < m_width; ++x)
                out[x] = m_table[line[x]];
            break;
        }
    }

private:
    const QImage& m_image;
    int m_bits;
    int m_width;
    PaletteTable m_table{};
};

// Writes QRgb rows into a 16, 24 or 32-bit image (alpha kept only at 32).
inline void writeTrueColourRow(uchar* line, int bitsPerPixel, const QRgb* in, int width)
{
    switch (bitsPerPixel) {
    case 16: {
        auto* p = reinterpret_cast<std::uint16_t*>(line);
        for (int x = 0; x < width; ++x)
            p[x] = packRgb555(in[x]);
        break;
    }
    case 24:
        for (int x = 0; x < width; ++x, line += 3) {
            line[0] = uchar(qRed(in[x]));
            line[1] = uchar(qGreen(in[x]));
            line[2] = uchar(qBlue(in[x]));
        }
        break;
    default: std::memcpy(line, in, std::size_t(width) * sizeof(QRgb)); break;
    }
}

} // namespace ardane::imaging::ops::detail
