// The canvas's flood fill: a scanline fill with an explicit stack.

#include "raster/CanvasSurface.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace ardane::raster {

namespace {

// Pixel comparison and writing for the flood fill, by storage.
struct Fill8 {
    std::uint8_t match, value;
    [[nodiscard]] bool is(const uchar* row, int x) const { return row[x] == match; }
    void put(uchar* row, int l, int r) const { std::memset(row + l, value, std::size_t(r - l)); }
};
struct Fill16 {
    std::uint16_t match, value;
    [[nodiscard]] bool is(const uchar* row, int x) const
    {
        return (reinterpret_cast<const std::uint16_t*>(row)[x] & 0x7FFF) == match;
    }
    void put(uchar* row, int l, int r) const
    {
        auto* p = reinterpret_cast<std::uint16_t*>(row);
        std::fill(p + l, p + r, value);
    }
};
struct Fill24 {
    std::uint32_t match, value; // bytes R, G, B from the low end
    [[nodiscard]] bool is(const uchar* row, int x) const
    {
        const uchar* p = row + 3 * std::size_t(x);
        return (std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)) == match;
    }
    void put(uchar* row, int l, int r) const
    {
        uchar* p = row + 3 * std::size_t(l);
        const uchar a = uchar(value), b = uchar(value >> 8), c = uchar(value >> 16);
        for (int x = l; x < r; ++x, p += 3) {
            p[0] = a;
            p[1] = b;
            p[2] = c;
        }
    }
};
struct Fill32 {
    std::uint32_t match, value; // 0x00RRGGBB; alpha ignored when comparing
    [[nodiscard]] bool is(const uchar* row, int x) const
    {
        return (reinterpret_cast<const QRgb*>(row)[x] & 0xFFFFFFu) == match;
    }
    void put(uchar* row, int l, int r) const
    {
        auto* p = reinterpret_cast<QRgb*>(row);
        std::fill(p + l, p + r, 0xFF000000u | value);
    }
};

// The parts of bitmap row `by` a fill may enter: the whole row, or the clip
// region's spans there, in bitmap coordinates.
class FillRows {
public:
    FillRows(const Region* clip, int width, int originX, int originY)
        : m_clip(clip), m_width(width), m_originX(originX), m_originY(originY)
    {
    }
    [[nodiscard]] std::span<const Span> row(int by)
    {
        if (!m_clip) {
            m_whole = {0, m_width};
            return {&m_whole, 1};
        }
        m_spans.clear();
        for (const Span& s : m_clip->row(by + m_originY)) {
            const int l = std::max(0, s.left - m_originX);
            const int r = std::min(m_width, s.right - m_originX);
            if (l < r)
                m_spans.push_back({l, r});
        }
        return m_spans;
    }

private:
    const Region* m_clip;
    int m_width, m_originX, m_originY;
    Span m_whole{0, 0};
    std::vector<Span> m_spans;
};

// Scan-line flood fill with an explicit stack of filled runs: each run is
// checked for matching pixels on the rows above and below, which are filled
// and pushed in turn. Filled pixels no longer match, so every pixel is
// filled once and the stack never holds more runs than remain to be looked at.
template <class Surface, class F>
void scanFill(Surface& surface, FillRows& rows, const F& f, int bx, int by, const Span& startSpan)
{
    struct Run {
        int y, left, right;
    };
    std::vector<Run> stack;
    int minX = INT_MAX, maxX = INT_MIN, minY = by, maxY = by;
    auto grow = [&](uchar* line, const Span& allowed, int x, int y) {
        int l = x, r = x + 1;
        while (l > allowed.left && f.is(line, l - 1))
            --l;
        while (r < allowed.right && f.is(line, r))
            ++r;
        f.put(line, l, r);
        minX = std::min(minX, l);
        maxX = std::max(maxX, r);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
        stack.push_back({y, l, r});
        return r;
    };
    grow(surface.line(by), startSpan, bx, by);
    const int height = surface.height();
    while (!stack.empty()) {
        const Run run = stack.back();
        stack.pop_back();
        for (const int ny : {run.y - 1, run.y + 1}) {
            if (ny < 0 || ny >= height)
                continue;
            uchar* line = surface.line(ny);
            for (const Span& allowed : rows.row(ny)) {
                if (allowed.right <= run.left)
                    continue;
                if (allowed.left >= run.right)
                    break;
                const int end = std::min(allowed.right, run.right);
                for (int x = std::max(allowed.left, run.left); x < end; ++x)
                    if (f.is(line, x))
                        x = grow(line, allowed, x, ny);
            }
        }
    }
    surface.written(minX, minY, maxX, maxY + 1);
}

} // namespace

bool Canvas::floodFill(int x, int y, ColorRef surfaceColour)
{
    if (!m_brush)
        return false;
    const std::int64_t dx = std::int64_t(x) * m_scale, dy = std::int64_t(y) * m_scale;
    const std::int64_t bx64 = dx - m_origin.x(), by64 = dy - m_origin.y();
    if (m_bitmap.isNull() || bx64 < 0 || by64 < 0 || bx64 >= m_bitmap.width() || by64 >= m_bitmap.height())
        return false;
    if (m_impl->clip && !m_impl->clip->contains(int(dx), int(dy)))
        return false;
    const int bx = int(bx64), by = int(by64);
    // Compare and write through the const image first, so that a refused
    // fill leaves shared pixels shared.
    const Kind kind = kindOf(m_bitmap);
    const QImage& constImage = m_bitmap.image();
    const uchar* constLine = constImage.constScanLine(by);
    std::uint32_t match = 0, value = 0, here = 0;
    switch (kind) {
    case Kind::Indexed: {
        const std::vector<QRgb> palette = m_bitmap.palette();
        if (palette.empty())
            return false;
        match = std::uint32_t(opsd::nearestIndex(palette, colorRefRed(surfaceColour), colorRefGreen(surfaceColour),
                                                 colorRefBlue(surfaceColour)));
        value = std::uint32_t(
            opsd::nearestIndex(palette, colorRefRed(*m_brush), colorRefGreen(*m_brush), colorRefBlue(*m_brush)));
        here = constLine[bx];
        break;
    }
    case Kind::Rgb555:
        match = opsd::packRgb555(imaging::colorRefToRgb(surfaceColour));
        value = opsd::packRgb555(imaging::colorRefToRgb(*m_brush));
        here = reinterpret_cast<const std::uint16_t*>(constLine)[bx] & 0x7FFFu;
        break;
    case Kind::Rgb888:
        match = surfaceColour & 0xFFFFFFu;
        value = *m_brush & 0xFFFFFFu;
        here = std::uint32_t(constLine[3 * bx]) | (std::uint32_t(constLine[3 * bx + 1]) << 8) |
               (std::uint32_t(constLine[3 * bx + 2]) << 16);
        break;
    case Kind::Argb32:
        match = imaging::colorRefToRgb(surfaceColour) & 0xFFFFFFu;
        value = imaging::colorRefToRgb(*m_brush) & 0xFFFFFFu;
        here = reinterpret_cast<const QRgb*>(constLine)[bx] & 0xFFFFFFu;
        break;
    case Kind::None: return false;
    }
    if (here != match)
        return false;
    if (value == match)
        return true; // already the fill colour everywhere it would go

    Impl::Surface surface(*this);
    if (!surface.isOpen())
        return false;
    FillRows rows(surface.clip(), surface.width(), m_origin.x(), m_origin.y());
    Span start{0, 0};
    for (const Span& s : rows.row(by))
        if (bx >= s.left && bx < s.right)
            start = s;
    switch (kind) {
    case Kind::Indexed:
        scanFill(surface, rows, Fill8{std::uint8_t(match), std::uint8_t(value)}, bx, by, start);
        break;
    case Kind::Rgb555:
        scanFill(surface, rows, Fill16{std::uint16_t(match), std::uint16_t(value)}, bx, by, start);
        break;
    case Kind::Rgb888: scanFill(surface, rows, Fill24{match, value}, bx, by, start); break;
    case Kind::Argb32: scanFill(surface, rows, Fill32{match, value}, bx, by, start); break;
    case Kind::None: break;
    }
    return true;
}

} // namespace ardane::raster
