#include "raster/CanvasSurface.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace ardane::raster {

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
