#pragma once
// Inside the canvas: how each depth stores its pixels, the mix of a pen with
// the pixels, and the surface one drawing call writes through (clip, bounds,
// scale, the written box, the growth of a short colour table). Shared by the
// canvas's source files only.

#include "raster/Canvas.h"

#include "imaging/ops/NearestColor.h"
#include "imaging/ops/PixelRows.h"
#include "raster/Scan.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <vector>

namespace ardane::raster {

using imaging::Bitmap;
namespace opsd = imaging::ops::detail;

// How the pixels of a depth are stored.
enum class Kind { None, Indexed, Rgb555, Rgb888, Argb32 };

[[nodiscard]] inline Kind kindOf(const Bitmap& bitmap)
{
    switch (bitmap.bitsPerPixel()) {
    case 1:
    case 4:
    case 8: return Kind::Indexed;
    case 16: return Kind::Rgb555;
    case 24: return Kind::Rgb888;
    case 32: return Kind::Argb32;
    default: return Kind::None;
    }
}

[[nodiscard]] inline int normalisedRop2(int mode) { return (mode >= R2_BLACK && mode <= R2_WHITE) ? mode : R2_COPYPEN; }

[[nodiscard]] inline std::int64_t floorDiv(std::int64_t n, std::int64_t d) // d > 0
{
    const std::int64_t q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}

// A ROP2 mix with a fixed pen value, as result = (D & andMask) ^ xorMask on
// the pixel value: per bit the result is 0, 1, D or not D, chosen by the pen
// bit and the mode's truth table (bit (P << 1 | D) of mode - 1).
struct Mix {
    std::uint32_t andMask;
    std::uint32_t xorMask;
};

[[nodiscard]] inline Mix mixFor(int mode, std::uint32_t pen)
{
    const unsigned table = unsigned(normalisedRop2(mode) - 1);
    const std::uint32_t whereD0 = ((table & 4) ? pen : 0) | ((table & 1) ? ~pen : 0);
    const std::uint32_t whereD1 = ((table & 8) ? pen : 0) | ((table & 2) ? ~pen : 0);
    return {whereD0 ^ whereD1, whereD0};
}

// Reads n pixels of a row as 0x00RRGGBB.
inline void readRgb(Kind kind, const uchar* line, int x, int n, const opsd::PaletteTable& table, QRgb* out)
{
    switch (kind) {
    case Kind::Indexed:
        for (int i = 0; i < n; ++i)
            out[i] = table[line[x + i]] & 0xFFFFFFu;
        break;
    case Kind::Rgb555: {
        const auto* p = reinterpret_cast<const std::uint16_t*>(line) + x;
        for (int i = 0; i < n; ++i)
            out[i] = opsd::unpackRgb555(p[i]) & 0xFFFFFFu;
        break;
    }
    case Kind::Rgb888: {
        const uchar* p = line + 3 * std::size_t(x);
        for (int i = 0; i < n; ++i, p += 3)
            out[i] = (QRgb(p[0]) << 16) | (QRgb(p[1]) << 8) | p[2];
        break;
    }
    case Kind::Argb32: {
        const auto* p = reinterpret_cast<const QRgb*>(line) + x;
        for (int i = 0; i < n; ++i)
            out[i] = p[i] & 0xFFFFFFu;
        break;
    }
    case Kind::None: break;
    }
}

// Remembers the nearest palette entries of recently seen colours: pictures
// repeat colours far more often than the table lookups can afford to ignore.
class RecentColours {
public:
    RecentColours() { m_colour.fill(0xFFFFFFFFu); }
    [[nodiscard]] uchar index(QRgb colour, const opsd::NearestColor& nearest) // colour: 0x00RRGGBB
    {
        const std::size_t slot = (colour * 2654435761u) >> (32 - kBits);
        if (m_colour[slot] != colour) {
            m_colour[slot] = colour;
            m_index[slot] = uchar(nearest(int(qRed(colour)), int(qGreen(colour)), int(qBlue(colour))));
        }
        return m_index[slot];
    }

private:
    static constexpr int kBits = 12;
    std::array<QRgb, std::size_t(1) << kBits> m_colour;
    std::array<uchar, std::size_t(1) << kBits> m_index{};
};

// A growing box of written pixels: [left, right) x [top, bottom).
struct DirtyBox {
    bool any = false;
    int left = 0, top = 0, right = 0, bottom = 0;

    void add(int l, int t, int r, int b)
    {
        if (!any) {
            any = true;
            left = l;
            top = t;
            right = r;
            bottom = b;
            return;
        }
        left = std::min(left, l);
        top = std::min(top, t);
        right = std::max(right, r);
        bottom = std::max(bottom, b);
    }
};

struct Canvas::Impl {
    std::optional<Region> clip;
    int extent = 100;
    // Written device area.
    DirtyBox dirty;
    // Nearest-colour table of the last palette block transfers mapped to.
    std::vector<QRgb> nearestPalette;
    std::optional<opsd::NearestColor> nearest;

    void markDirty(int left, int top, int right, int bottom) { dirty.add(left, top, right, bottom); }

    const opsd::NearestColor& nearestFor(const std::vector<QRgb>& palette)
    {
        if (!nearest || palette != nearestPalette) {
            nearest.emplace(palette);
            nearestPalette = palette;
        }
        return *nearest;
    }

    class Surface;
};

// The bitmap of a canvas opened for writing by one drawing call: spans in
// logical or device coordinates are mapped, clipped to the bitmap and the clip
// region and combined with the pixels there. On destruction the written area
// is added to the dirty rectangle and a short colour table is grown to cover
// every index written.
class Canvas::Impl::Surface {
public:
    explicit Surface(Canvas& canvas)
        : m_canvas(canvas), m_impl(*canvas.m_impl), m_kind(kindOf(canvas.m_bitmap)), m_scale(canvas.m_scale),
          m_originX(canvas.m_origin.x()), m_originY(canvas.m_origin.y())
    {
        if (m_kind == Kind::None)
            return;
        QImage& image = canvas.m_bitmap.image();
        m_bits = image.bits(); // detaches
        if (!m_bits) {
            m_kind = Kind::None;
            return;
        }
        m_stride = image.bytesPerLine();
        m_width = image.width();
        m_height = image.height();
        if (m_kind == Kind::Indexed) {
            m_indexMask = (1u << canvas.m_bitmap.bitsPerPixel()) - 1u;
            m_colourCount = image.colorCount();
        }
        m_clip = m_impl.clip ? &*m_impl.clip : nullptr;
        // Device area that can be written: the bitmap, within the clip's bounds.
        m_devLeft = m_originX;
        m_devTop = m_originY;
        m_devRight = std::int64_t(m_originX) + m_width;
        m_devBottom = std::int64_t(m_originY) + m_height;
        if (m_clip) {
            const QRect b = m_clip->bounds();
            if (m_clip->isEmpty()) {
                m_devRight = m_devLeft;
            } else {
                m_devLeft = std::max<std::int64_t>(m_devLeft, b.left());
                m_devTop = std::max<std::int64_t>(m_devTop, b.top());
                m_devRight = std::min<std::int64_t>(m_devRight, std::int64_t(b.left()) + b.width());
                m_devBottom = std::min<std::int64_t>(m_devBottom, std::int64_t(b.top()) + b.height());
            }
        }
    }

    ~Surface()
    {
        if (m_kind == Kind::Indexed && m_maxIndex >= m_colourCount) {
            QImage& image = m_canvas.m_bitmap.image();
            QList<QRgb> table = image.colorTable();
            while (table.size() <= m_maxIndex)
                table.push_back(qRgb(0, 0, 0));
            image.setColorTable(table);
        }
        if (m_written.any)
            m_impl.markDirty(m_written.left, m_written.top, m_written.right, m_written.bottom);
    }

    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    [[nodiscard]] bool isOpen() const { return m_kind != Kind::None && m_devLeft < m_devRight && m_devTop < m_devBottom; }
    [[nodiscard]] Kind kind() const { return m_kind; }

    // Logical rows and columns that map into the writable device area.
    [[nodiscard]] std::int64_t firstRow() const { return floorDiv(m_devTop, m_scale); }
    [[nodiscard]] std::int64_t lastRow() const { return floorDiv(m_devBottom - 1, m_scale) + 1; }
    [[nodiscard]] std::int64_t firstColumn() const { return floorDiv(m_devLeft, m_scale); }
    [[nodiscard]] std::int64_t lastColumn() const { return floorDiv(m_devRight - 1, m_scale) + 1; }

    // The pixel value of a colour: palette index (nearest entry), 5-5-5 value,
    // or 24-bit RGB in the byte order of the store.
    [[nodiscard]] std::uint32_t valueOf(ColorRef colour) const
    {
        switch (m_kind) {
        case Kind::Indexed: {
            const QImage& image = m_canvas.m_bitmap.image();
            const QList<QRgb> table = image.colorTable();
            if (table.isEmpty())
                return 0;
            const std::vector<QRgb> palette(table.begin(), table.end());
            return std::uint32_t(
                opsd::nearestIndex(palette, colorRefRed(colour), colorRefGreen(colour), colorRefBlue(colour)));
        }
        case Kind::Rgb555: return opsd::packRgb555(imaging::colorRefToRgb(colour));
        case Kind::Rgb888: return colour & 0xFFFFFFu; // bytes R, G, B as in the store
        case Kind::Argb32: return imaging::colorRefToRgb(colour) & 0xFFFFFFu;
        case Kind::None: break;
        }
        return 0;
    }

    // A logical span [x0, x1) of row y: every logical pixel an f x f block.
    void logicalSpan(std::int64_t y, std::int64_t x0, std::int64_t x1, const Mix& mix)
    {
        if (x1 <= x0)
            return;
        if (m_scale == 1) {
            deviceSpan(y, x0, x1, mix);
            return;
        }
        for (std::int64_t dy = 0; dy < m_scale; ++dy)
            deviceSpan(y * m_scale + dy, x0 * m_scale, x1 * m_scale, mix);
    }

    // A device span [x0, x1) of row y, clipped to the bitmap and clip region.
    void deviceSpan(std::int64_t y, std::int64_t x0, std::int64_t x1, const Mix& mix)
    {
        if (y < m_devTop || y >= m_devBottom)
            return;
        x0 = std::max(x0, m_devLeft);
        x1 = std::min(x1, m_devRight);
        if (x1 <= x0)
            return;
        if (!m_clip) {
            apply(int(y), int(x0), int(x1), mix);
            return;
        }
        for (const Span& s : m_clip->row(int(y))) {
            const std::int64_t l = std::max<std::int64_t>(x0, s.left);
            const std::int64_t r = std::min<std::int64_t>(x1, s.right);
            if (l < r)
                apply(int(y), int(l), int(r), mix);
            if (s.left >= x1)
                break;
        }
    }

    // Writes a pixel value (no mix) at a device point, within bitmap and clip.
    void devicePoint(std::int64_t x, std::int64_t y, std::uint32_t value)
    {
        if (x < m_devLeft || x >= m_devRight || y < m_devTop || y >= m_devBottom)
            return;
        if (m_clip && !m_clip->contains(int(x), int(y)))
            return;
        apply(int(y), int(x), int(x) + 1, Mix{0, value});
    }

    // Row pointer and bitmap coordinates, for the flood fill and transfers.
    [[nodiscard]] uchar* line(int by) const { return m_bits + std::size_t(by) * std::size_t(m_stride); }
    [[nodiscard]] int width() const { return m_width; }
    [[nodiscard]] int height() const { return m_height; }
    [[nodiscard]] const Region* clip() const { return m_clip; }
    [[nodiscard]] int originX() const { return m_originX; }
    [[nodiscard]] int originY() const { return m_originY; }
    void noteIndex(int index) { m_maxIndex = std::max(m_maxIndex, index); }

    // Records a written area given in bitmap coordinates.
    void written(int bx0, int by0, int bx1, int by1)
    {
        m_written.add(bx0 + m_originX, by0 + m_originY, bx1 + m_originX, by1 + m_originY);
    }

private:
    // Device span already inside the bitmap and the clip.
    void apply(int y, int x0, int x1, const Mix& mix)
    {
        const int by = y - m_originY;
        const int bx0 = x0 - m_originX;
        const int bx1 = x1 - m_originX;
        uchar* row = line(by);
        const int n = bx1 - bx0;
        switch (m_kind) {
        case Kind::Indexed: {
            uchar* p = row + bx0;
            if (mix.andMask == 0) {
                const uchar v = uchar(mix.xorMask & m_indexMask);
                std::memset(p, v, std::size_t(n));
                noteIndex(v);
            } else {
                const uchar a = uchar(mix.andMask), x = uchar(mix.xorMask), m = uchar(m_indexMask);
                uchar top = 0;
                for (int i = 0; i < n; ++i) {
                    const uchar v = uchar(((p[i] & a) ^ x) & m);
                    p[i] = v;
                    top = std::max(top, v);
                }
                noteIndex(top);
            }
            break;
        }
        case Kind::Rgb555: {
            auto* p = reinterpret_cast<std::uint16_t*>(row) + bx0;
            const auto a = std::uint16_t(mix.andMask), x = std::uint16_t(mix.xorMask);
            if (a == 0)
                std::fill(p, p + n, std::uint16_t(x & 0x7FFF));
            else
                for (int i = 0; i < n; ++i)
                    p[i] = std::uint16_t(((p[i] & a) ^ x) & 0x7FFF);
            break;
        }
        case Kind::Rgb888: {
            uchar* p = row + 3 * std::size_t(bx0);
            const uchar a0 = uchar(mix.andMask), a1 = uchar(mix.andMask >> 8), a2 = uchar(mix.andMask >> 16);
            const uchar x0b = uchar(mix.xorMask), x1b = uchar(mix.xorMask >> 8), x2b = uchar(mix.xorMask >> 16);
            if ((mix.andMask & 0xFFFFFFu) == 0) {
                for (int i = 0; i < n; ++i, p += 3) {
                    p[0] = x0b;
                    p[1] = x1b;
                    p[2] = x2b;
                }
            } else {
                for (int i = 0; i < n; ++i, p += 3) {
                    p[0] = uchar((p[0] & a0) ^ x0b);
                    p[1] = uchar((p[1] & a1) ^ x1b);
                    p[2] = uchar((p[2] & a2) ^ x2b);
                }
            }
            break;
        }
        case Kind::Argb32: {
            auto* p = reinterpret_cast<QRgb*>(row) + bx0;
            const QRgb a = mix.andMask & 0xFFFFFFu, x = mix.xorMask & 0xFFFFFFu;
            if (a == 0)
                std::fill(p, p + n, 0xFF000000u | x);
            else
                for (int i = 0; i < n; ++i)
                    p[i] = 0xFF000000u | ((p[i] & a) ^ x);
            break;
        }
        case Kind::None: return;
        }
        written(bx0, by, bx1, by + 1);
    }

    Canvas& m_canvas;
    Impl& m_impl;
    Kind m_kind;
    int m_scale;
    int m_originX, m_originY;
    uchar* m_bits = nullptr;
    qsizetype m_stride = 0;
    int m_width = 0, m_height = 0;
    std::uint32_t m_indexMask = 0xFF;
    int m_colourCount = 0;
    int m_maxIndex = -1;
    const Region* m_clip = nullptr;
    std::int64_t m_devLeft = 0, m_devTop = 0, m_devRight = 0, m_devBottom = 0;
    DirtyBox m_written;
};


} // namespace ardane::raster
