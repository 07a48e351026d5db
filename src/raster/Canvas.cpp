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

namespace {

using imaging::Bitmap;
namespace opsd = imaging::ops::detail;

// How the pixels of a depth are stored.
enum class Kind { None, Indexed, Rgb555, Rgb888, Argb32 };

[[nodiscard]] Kind kindOf(const Bitmap& bitmap)
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

[[nodiscard]] int normalisedRop2(int mode) { return (mode >= R2_BLACK && mode <= R2_WHITE) ? mode : R2_COPYPEN; }

[[nodiscard]] std::int64_t floorDiv(std::int64_t n, std::int64_t d) // d > 0
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

[[nodiscard]] Mix mixFor(int mode, std::uint32_t pen)
{
    const unsigned table = unsigned(normalisedRop2(mode) - 1);
    const std::uint32_t whereD0 = ((table & 4) ? pen : 0) | ((table & 1) ? ~pen : 0);
    const std::uint32_t whereD1 = ((table & 8) ? pen : 0) | ((table & 2) ? ~pen : 0);
    return {whereD0 ^ whereD1, whereD0};
}

// Reads n pixels of a row as 0x00RRGGBB.
void readRgb(Kind kind, const uchar* line, int x, int n, const opsd::PaletteTable& table, QRgb* out)
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

} // namespace

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

namespace {

// Walks a one-pixel line from (x0, y0) up to but not including (x1, y1),
// calling run(y, left, right) for each horizontal run of its pixels. Only the
// part along the major axis inside [first, last) (columns for a flat line,
// rows for a steep one) is walked, so a line far outside costs nothing.
//
// The minor coordinate at step i is the major one's share rounded half up:
// floor((2 i d_minor + d_major) / (2 d_major)), the midpoint rule.
template <class Run>
void walkLine(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, std::int64_t firstCol,
              std::int64_t lastCol, std::int64_t firstRow, std::int64_t lastRow, Run&& run)
{
    const std::int64_t dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    const std::int64_t sx = x1 >= x0 ? 1 : -1, sy = y1 >= y0 ? 1 : -1;
    if (dx == 0 && dy == 0)
        return;
    const bool flat = dx >= dy;
    const std::int64_t major = flat ? dx : dy, minor = flat ? dy : dx;
    const std::int64_t a0 = flat ? x0 : y0, sa = flat ? sx : sy; // major axis
    const std::int64_t b0 = flat ? y0 : x0, sb = flat ? sy : sx; // minor axis
    const std::int64_t first = flat ? firstCol : firstRow, last = flat ? lastCol : lastRow;
    // Steps i in [0, major) with a0 + sa * i in [first, last).
    std::int64_t lo, hi;
    if (sa > 0) {
        lo = first - a0;
        hi = last - a0;
    } else {
        lo = a0 - last + 1;
        hi = a0 - first + 1;
    }
    lo = std::max<std::int64_t>(lo, 0);
    hi = std::min(hi, major);
    if (lo >= hi)
        return;
    const __int128 start = __int128(2) * lo * minor + major;
    std::int64_t q = std::int64_t(start / (2 * major));
    std::int64_t rem = std::int64_t(start % (2 * major));
    if (flat) {
        std::int64_t runStart = a0 + sa * lo;
        std::int64_t runEnd = runStart;
        std::int64_t runY = b0 + sb * q;
        for (std::int64_t i = lo; i < hi; ++i) {
            const std::int64_t x = a0 + sa * i, y = b0 + sb * q;
            if (y != runY) {
                run(runY, std::min(runStart, runEnd), std::max(runStart, runEnd) + 1);
                runY = y;
                runStart = x;
            }
            runEnd = x;
            rem += 2 * minor;
            if (rem >= 2 * major) {
                rem -= 2 * major;
                ++q;
            }
        }
        run(runY, std::min(runStart, runEnd), std::max(runStart, runEnd) + 1);
    } else {
        for (std::int64_t i = lo; i < hi; ++i) {
            const std::int64_t y = a0 + sa * i, x = b0 + sb * q;
            run(y, x, x + 1);
            rem += 2 * minor;
            if (rem >= 2 * major) {
                rem -= 2 * major;
                ++q;
            }
        }
    }
}

struct RowSpan {
    std::int64_t y, left, right;
};

// Sorts spans by row and position and merges overlapping or touching ones.
void mergeRowSpans(std::vector<RowSpan>& spans)
{
    std::sort(spans.begin(), spans.end(),
              [](const RowSpan& a, const RowSpan& b) { return a.y != b.y ? a.y < b.y : a.left < b.left; });
    std::size_t out = 0;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        if (out > 0 && spans[out - 1].y == spans[i].y && spans[out - 1].right >= spans[i].left)
            spans[out - 1].right = std::max(spans[out - 1].right, spans[i].right);
        else
            spans[out++] = spans[i];
    }
    spans.resize(out);
}

} // namespace

std::uint32_t copyBackOperation(int mixMode)
{
    switch (mixMode) {
    case R2_NOTMERGEPEN: return NOTSRCERASE;
    case R2_NOTCOPYPEN: return NOTSRCCOPY;
    case R2_MASKPENNOT: return SRCERASE;
    case R2_XORPEN: return SRCINVERT;
    case R2_NOTMASKPEN: return SRCAND;
    case R2_MASKPEN: return MERGECOPY;
    case R2_NOTXORPEN:
    case R2_MERGENOTPEN: return DSTINVERT;
    case R2_COPYPEN: return SRCCOPY;
    case R2_MERGEPENNOT: return MERGEPAINT;
    default: return SRCPAINT;
    }
}

Canvas::Canvas(imaging::Bitmap& target, QPoint deviceOrigin)
    : m_bitmap(target), m_origin(deviceOrigin), m_impl(std::make_unique<Impl>())
{
}

Canvas::~Canvas() = default;

QRect Canvas::deviceBounds() const { return QRect(m_origin, QSize(m_bitmap.width(), m_bitmap.height())); }

void Canvas::setViewportExtent(int extent)
{
    m_scale = std::clamp(extent / 100, 1, 8);
    m_impl->extent = m_scale * 100;
}

int Canvas::setRop2(int mode)
{
    const int previous = m_rop2;
    m_rop2 = mode;
    return previous;
}

void Canvas::setPen(std::optional<ColorRef> colour) { m_pen = colour; }
void Canvas::setBrush(std::optional<ColorRef> colour) { m_brush = colour; }

void Canvas::setClip(Region region) { m_impl->clip = std::move(region); }
void Canvas::clearClip() { m_impl->clip.reset(); }
const Region* Canvas::clip() const { return m_impl->clip ? &*m_impl->clip : nullptr; }

ColorRef Canvas::pixel(int x, int y) const
{
    const std::int64_t bx = std::int64_t(x) * m_scale - m_origin.x();
    const std::int64_t by = std::int64_t(y) * m_scale - m_origin.y();
    if (m_bitmap.isNull() || bx < 0 || by < 0 || bx >= m_bitmap.width() || by >= m_bitmap.height())
        return kInvalidColor;
    const QImage& image = m_bitmap.image();
    const uchar* line = image.constScanLine(int(by));
    switch (kindOf(m_bitmap)) {
    case Kind::Indexed: {
        const int index = line[bx];
        return index < image.colorCount() ? imaging::rgbToColorRef(image.color(index)) : ColorRef(0);
    }
    case Kind::Rgb555:
        return imaging::rgbToColorRef(opsd::unpackRgb555(reinterpret_cast<const std::uint16_t*>(line)[bx]));
    case Kind::Rgb888: return makeColorRef(line[3 * bx], line[3 * bx + 1], line[3 * bx + 2]);
    case Kind::Argb32: return imaging::rgbToColorRef(reinterpret_cast<const QRgb*>(line)[bx]);
    case Kind::None: break;
    }
    return kInvalidColor;
}

void Canvas::setPixel(int x, int y, ColorRef colour)
{
    Impl::Surface surface(*this);
    if (!surface.isOpen())
        return;
    surface.devicePoint(std::int64_t(x) * m_scale, std::int64_t(y) * m_scale, surface.valueOf(colour));
}

void Canvas::rectangle(int left, int top, int right, int bottom)
{
    const detail::Box box = detail::normalisedBox(left, top, right, bottom);
    if (box.isEmpty() || (!m_pen && !m_brush))
        return;
    Impl::Surface surface(*this);
    if (!surface.isOpen())
        return;
    const Mix pen = m_pen ? mixFor(m_rop2, surface.valueOf(*m_pen)) : Mix{};
    const Mix brush = m_brush ? mixFor(m_rop2, surface.valueOf(*m_brush)) : Mix{};
    const std::int64_t first = std::max<std::int64_t>(box.top, surface.firstRow());
    const std::int64_t last = std::min<std::int64_t>(box.bottom, surface.lastRow());
    const std::int64_t l = box.left, r = box.right;
    for (std::int64_t y = first; y < last; ++y) {
        if (!m_pen) {
            surface.logicalSpan(y, l, r, brush);
        } else if (y == box.top || y == box.bottom - 1) {
            surface.logicalSpan(y, l, r, pen);
        } else {
            surface.logicalSpan(y, l, l + 1, pen);
            if (m_brush)
                surface.logicalSpan(y, l + 1, r - 1, brush);
            if (r - 1 > l)
                surface.logicalSpan(y, r - 1, r, pen);
        }
    }
}

void Canvas::ellipse(int left, int top, int right, int bottom)
{
    const detail::Box box = detail::normalisedBox(left, top, right, bottom);
    if (box.isEmpty() || (!m_pen && !m_brush))
        return;
    Impl::Surface surface(*this);
    if (!surface.isOpen())
        return;
    const Mix pen = m_pen ? mixFor(m_rop2, surface.valueOf(*m_pen)) : Mix{};
    const Mix brush = m_brush ? mixFor(m_rop2, surface.valueOf(*m_brush)) : Mix{};
    const std::int64_t first = std::max<std::int64_t>(box.top, surface.firstRow());
    const std::int64_t last = std::min<std::int64_t>(box.bottom, surface.lastRow());
    if (first >= last)
        return;
    Span above = first > box.top ? detail::ellipseRow(box, int(first - 1)) : Span{0, 0};
    Span here = detail::ellipseRow(box, int(first));
    for (std::int64_t y = first; y < last; ++y) {
        const Span below = detail::ellipseRow(box, int(y) + 1);
        if (here.right > here.left) {
            if (!m_pen) {
                surface.logicalSpan(y, here.left, here.right, brush);
            } else {
                // Inside: pixels whose four neighbours are all in the ellipse;
                // the rows are nested intervals, so that is an interval too.
                int innerLeft = here.left + 1, innerRight = here.right - 1;
                if (above.right <= above.left || below.right <= below.left) {
                    innerRight = innerLeft;
                } else {
                    innerLeft = std::max({innerLeft, above.left, below.left});
                    innerRight = std::min({innerRight, above.right, below.right});
                }
                if (innerRight <= innerLeft) {
                    surface.logicalSpan(y, here.left, here.right, pen);
                } else {
                    surface.logicalSpan(y, here.left, innerLeft, pen);
                    if (m_brush)
                        surface.logicalSpan(y, innerLeft, innerRight, brush);
                    surface.logicalSpan(y, innerRight, here.right, pen);
                }
            }
        }
        above = here;
        here = below;
    }
}

void Canvas::line(int x0, int y0, int x1, int y1)
{
    if (!m_pen)
        return;
    Impl::Surface surface(*this);
    if (!surface.isOpen())
        return;
    const Mix pen = mixFor(m_rop2, surface.valueOf(*m_pen));
    walkLine(x0, y0, x1, y1, surface.firstColumn(), surface.lastColumn(), surface.firstRow(), surface.lastRow(),
             [&](std::int64_t y, std::int64_t l, std::int64_t r) { surface.logicalSpan(y, l, r, pen); });
}

void Canvas::polygon(std::span<const QPoint> points)
{
    if (points.empty() || (!m_pen && !m_brush))
        return;
    Impl::Surface surface(*this);
    if (!surface.isOpen())
        return;
    const std::int64_t firstRow = surface.firstRow(), lastRow = surface.lastRow();
    const std::int64_t firstCol = surface.firstColumn(), lastCol = surface.lastColumn();

    // The outline's pixels, each once even where edges cross or meet.
    std::vector<RowSpan> outline;
    if (m_pen) {
        const std::size_t n = points.size();
        for (std::size_t i = 0; i < n; ++i) {
            const QPoint a = points[i], b = points[(i + 1) % n];
            walkLine(a.x(), a.y(), b.x(), b.y(), firstCol, lastCol, firstRow, lastRow,
                     [&](std::int64_t y, std::int64_t l, std::int64_t r) {
                         if (y >= firstRow && y < lastRow && r > firstCol && l < lastCol)
                             outline.push_back({y, l, r});
                     });
        }
        mergeRowSpans(outline);
    }

    if (m_brush) {
        const Mix brush = mixFor(m_rop2, surface.valueOf(*m_brush));
        detail::PolygonScanner scanner(points);
        std::size_t o = 0; // first outline span of the current row or later
        const int first = int(std::clamp<std::int64_t>(firstRow, INT_MIN, INT_MAX));
        const int last = int(std::clamp<std::int64_t>(lastRow, INT_MIN, INT_MAX));
        scanner.scan(first, last, [&](int y, std::span<const Span> spans) {
            while (o < outline.size() && outline[o].y < y)
                ++o;
            std::size_t k = o;
            for (const Span& s : spans) {
                // The fill span minus the outline spans of this row.
                std::int64_t x = s.left;
                while (k < outline.size() && outline[k].y == y && outline[k].right <= x)
                    ++k;
                for (std::size_t j = k; j < outline.size() && outline[j].y == y && outline[j].left < s.right; ++j) {
                    if (outline[j].left > x)
                        surface.logicalSpan(y, x, outline[j].left, brush);
                    x = std::max(x, outline[j].right);
                }
                if (x < s.right)
                    surface.logicalSpan(y, x, s.right, brush);
            }
        });
    }
    if (m_pen) {
        const Mix pen = mixFor(m_rop2, surface.valueOf(*m_pen));
        for (const RowSpan& s : outline)
            surface.logicalSpan(s.y, s.left, s.right, pen);
    }
}

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

void Canvas::bitBlt(int dx, int dy, int w, int h, const Canvas& source, int sx, int sy, std::uint32_t rop)
{
    if (w <= 0 || h <= 0 || source.m_bitmap.isNull() || m_bitmap.isNull())
        return;
    // A shared copy of the source: should it share pixels with this bitmap,
    // writing detaches this one and the source keeps its pixels.
    const Bitmap src = source.m_bitmap;
    const Kind srcKind = kindOf(src);
    const Kind dstKind = kindOf(m_bitmap);
    if (srcKind == Kind::None || dstKind == Kind::None)
        return;
    const QPoint so = source.m_origin;

    // Destination device rectangle that both bitmaps cover.
    const std::int64_t shiftX = std::int64_t(sx) - dx, shiftY = std::int64_t(sy) - dy; // source = dest + shift
    std::int64_t left = std::max<std::int64_t>({dx, m_origin.x(), std::int64_t(so.x()) - shiftX});
    std::int64_t top = std::max<std::int64_t>({dy, m_origin.y(), std::int64_t(so.y()) - shiftY});
    std::int64_t right = std::min<std::int64_t>({std::int64_t(dx) + w, std::int64_t(m_origin.x()) + m_bitmap.width(),
                                                 std::int64_t(so.x()) + src.width() - shiftX});
    std::int64_t bottom = std::min<std::int64_t>({std::int64_t(dy) + h, std::int64_t(m_origin.y()) + m_bitmap.height(),
                                                  std::int64_t(so.y()) + src.height() - shiftY});
    const Region* clip = m_impl->clip ? &*m_impl->clip : nullptr;
    if (clip) {
        if (clip->isEmpty())
            return;
        const QRect b = clip->bounds();
        left = std::max<std::int64_t>(left, b.left());
        top = std::max<std::int64_t>(top, b.top());
        right = std::min<std::int64_t>(right, std::int64_t(b.left()) + b.width());
        bottom = std::min<std::int64_t>(bottom, std::int64_t(b.top()) + b.height());
    }
    if (left >= right || top >= bottom)
        return;

    const unsigned table = (rop >> 16) & 0xFFu;
    const bool usesSource = ((table >> 2) & 0x33u) != (table & 0x33u);
    const bool usesDest = ((table >> 1) & 0x55u) != (table & 0x55u);
    const QRgb pattern = (m_brush ? imaging::colorRefToRgb(*m_brush) : qRgb(255, 255, 255)) & 0xFFFFFFu;
    // result = m0 & ~S & ~D | m1 & ~S & D | m2 & S & ~D | m3 & S & D, each mask
    // taking the truth table's bit for the pattern's bit value.
    std::array<QRgb, 4> masks{};
    for (unsigned j = 0; j < 4; ++j)
        masks[j] = (((table >> (4 + j)) & 1u) ? pattern : 0u) | (((table >> j) & 1u) ? ~pattern : 0u);

    const std::vector<QRgb> srcPalette = src.palette();
    std::vector<QRgb> dstPalette = m_bitmap.palette();
    if (dstKind == Kind::Indexed && dstPalette.empty()) {
        m_bitmap.image().setColorTable({qRgb(0, 0, 0)});
        dstPalette = m_bitmap.palette();
    }

    Impl::Surface surface(*this);
    if (!surface.isOpen())
        return;
    const opsd::PaletteTable srcTable = srcKind == Kind::Indexed ? opsd::paletteTable(src.image()) : opsd::PaletteTable{};
    const opsd::PaletteTable dstTable =
        dstKind == Kind::Indexed ? opsd::paletteTable(m_bitmap.image()) : opsd::PaletteTable{};
    const opsd::NearestColor* nearest = dstKind == Kind::Indexed ? &m_impl->nearestFor(dstPalette) : nullptr;

    // Plain copies between equal storage: bytes, or indices through a table.
    const bool copy = table == 0xCCu;
    const bool sameBytes = copy && srcKind == dstKind &&
                           (srcKind != Kind::Indexed || srcPalette == dstPalette);
    std::array<uchar, 256> indexMap{};
    const bool indexCopy = copy && !sameBytes && srcKind == Kind::Indexed && dstKind == Kind::Indexed;
    if (indexCopy)
        for (int i = 0; i < 256; ++i) {
            const QRgb c = srcTable[std::size_t(i)];
            indexMap[std::size_t(i)] = uchar((*nearest)(qRed(c), qGreen(c), qBlue(c)));
        }
    const int bytesPerPixel = opsd::bytesPerPixel(m_bitmap.bitsPerPixel());

    const bool indexPairs = !copy && dstKind == Kind::Indexed && (srcKind == Kind::Indexed || !usesSource);
    std::vector<std::int16_t> pairs;
    RecentColours recent;

    std::vector<QRgb> bufS, bufD;
    const QImage& srcImage = src.image();
    auto process = [&](int y, int x0, int x1) { // device coordinates, inside everything
        const int n = x1 - x0;
        const int by = y - m_origin.y(), bx = x0 - m_origin.x();
        const int sby = int(y + shiftY - so.y()), sbx = int(x0 + shiftX - so.x());
        uchar* dline = surface.line(by);
        const uchar* sline = srcImage.constScanLine(sby);
        if (sameBytes) {
            std::memcpy(dline + std::size_t(bx) * std::size_t(bytesPerPixel),
                        sline + std::size_t(sbx) * std::size_t(bytesPerPixel), std::size_t(n) * std::size_t(bytesPerPixel));
        } else if (indexCopy) {
            for (int i = 0; i < n; ++i)
                dline[bx + i] = indexMap[sline[sbx + i]];
        } else if (indexPairs) {
            // Indexed in, indexed out: the result depends on the two indices
            // only, so each pair is worked out once.
            if (pairs.empty())
                pairs.assign(65536, -1);
            for (int i = 0; i < n; ++i) {
                const unsigned si = usesSource ? sline[sbx + i] : 0u, di = usesDest ? dline[bx + i] : 0u;
                std::int16_t& r = pairs[(si << 8) | di];
                if (r < 0) {
                    const QRgb S = srcTable[si] & 0xFFFFFFu, D = dstTable[di] & 0xFFFFFFu;
                    const QRgb c = (masks[0] & ~S & ~D) | (masks[1] & ~S & D) | (masks[2] & S & ~D) | (masks[3] & S & D);
                    r = std::int16_t((*nearest)(int(qRed(c)), int(qGreen(c)), int(qBlue(c))));
                }
                dline[bx + i] = uchar(r);
            }
        } else {
            if (bufS.size() < std::size_t(n)) {
                bufS.resize(std::size_t(n));
                bufD.resize(std::size_t(n));
            }
            QRgb* s = bufS.data();
            QRgb* d = bufD.data();
            if (usesSource)
                readRgb(srcKind, sline, sbx, n, srcTable, s);
            if (usesDest)
                readRgb(dstKind, dline, bx, n, dstTable, d);
            if (!copy) {
                const QRgb m0 = masks[0], m1 = masks[1], m2 = masks[2], m3 = masks[3];
                for (int i = 0; i < n; ++i) {
                    const QRgb S = usesSource ? s[i] : 0u, D = usesDest ? d[i] : 0u;
                    d[i] = ((m0 & ~S & ~D) | (m1 & ~S & D) | (m2 & S & ~D) | (m3 & S & D)) & 0xFFFFFFu;
                }
            } else {
                d = s;
            }
            switch (dstKind) {
            case Kind::Indexed:
                for (int i = 0; i < n; ++i)
                    dline[bx + i] = recent.index(d[i], *nearest);
                break;
            case Kind::Rgb555: {
                auto* p = reinterpret_cast<std::uint16_t*>(dline) + bx;
                for (int i = 0; i < n; ++i)
                    p[i] = opsd::packRgb555(d[i]);
                break;
            }
            case Kind::Rgb888: {
                uchar* p = dline + 3 * std::size_t(bx);
                for (int i = 0; i < n; ++i, p += 3) {
                    p[0] = uchar(d[i] >> 16);
                    p[1] = uchar(d[i] >> 8);
                    p[2] = uchar(d[i]);
                }
                break;
            }
            case Kind::Argb32: {
                auto* p = reinterpret_cast<QRgb*>(dline) + bx;
                for (int i = 0; i < n; ++i)
                    p[i] = 0xFF000000u | d[i];
                break;
            }
            case Kind::None: break;
            }
        }
        surface.written(bx, by, bx + n, by + 1);
    };

    for (std::int64_t y = top; y < bottom; ++y) {
        if (!clip) {
            process(int(y), int(left), int(right));
            continue;
        }
        for (const Span& s : clip->row(int(y))) {
            const std::int64_t l = std::max<std::int64_t>(left, s.left);
            const std::int64_t r = std::min<std::int64_t>(right, s.right);
            if (l < r)
                process(int(y), int(l), int(r));
            if (s.left >= right)
                break;
        }
    }
}

QRect Canvas::takeDirty()
{
    Impl& impl = *m_impl;
    if (!impl.dirty.any)
        return {};
    const DirtyBox box = impl.dirty;
    impl.dirty = {};
    return QRect(box.left, box.top, box.right - box.left, box.bottom - box.top);
}

CanvasState::CanvasState(Canvas& canvas)
    : m_canvas(canvas), m_rop2(canvas.rop2()), m_extent(canvas.scaleFactor() * 100), m_pen(canvas.pen()),
      m_brush(canvas.brush())
{
}

CanvasState::~CanvasState()
{
    m_canvas.setRop2(m_rop2);
    m_canvas.setViewportExtent(m_extent);
    m_canvas.setPen(m_pen);
    m_canvas.setBrush(m_brush);
}

} // namespace ardane::raster
