#include "raster/CanvasSurface.h"
#include "raster/WidePen.h"

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

using detail::mergeRowSpans;
using detail::RowSpan;

// The one-pixel path of a shape, kept to the rows and columns a wide pen of
// reach k drawn from it can bring into view.
class PathCollector {
public:
    PathCollector(std::int64_t firstCol, std::int64_t lastCol, std::int64_t firstRow, std::int64_t lastRow, int k)
        : m_left(firstCol - k - 1), m_right(lastCol + k + 1), m_top(firstRow - k), m_bottom(lastRow + k)
    {
    }
    void add(std::int64_t y, std::int64_t l, std::int64_t r)
    {
        if (y < m_top || y >= m_bottom)
            return;
        l = std::max(l, m_left);
        r = std::min(r, m_right);
        if (l < r)
            spans.push_back({y, l, r});
    }
    [[nodiscard]] std::int64_t top() const { return m_top; }
    [[nodiscard]] std::int64_t bottom() const { return m_bottom; }

    std::vector<RowSpan> spans;

private:
    std::int64_t m_left, m_right, m_top, m_bottom;
};

// Strokes `path` with a wide pen and fills the brush spans `fill` produces
// (fill(sink) calls sink(y, left, right) in increasing rows and positions)
// where the stroke is not: every pixel is written once.
template <class Surface, class Fill>
void strokeAndFill(Surface& surface, int width, std::span<const RowSpan> path, std::int64_t mid2X,
                   std::int64_t mid2Y, const Mix& pen, const Mix* brush, Fill&& fill)
{
    detail::WidePen widePen(width);
    std::vector<RowSpan> stroke;
    widePen.stroke(path, mid2X, mid2Y, surface.firstRow(), surface.lastRow(), stroke);
    if (brush) {
        detail::StrokeSubtractor minus(stroke);
        fill([&](std::int64_t y, std::int64_t l, std::int64_t r) {
            minus.fill(y, l, r, [&](std::int64_t row, std::int64_t a, std::int64_t b) {
                surface.logicalSpan(row, a, b, *brush);
            });
        });
    }
    for (const RowSpan& s : stroke)
        surface.logicalSpan(s.y, s.left, s.right, pen);
}

// The inside of row `here` of an ellipse: pixels whose four neighbours are
// all in the ellipse (the rows are nested intervals, so that is an interval
// too); empty when innerRight <= innerLeft.
std::pair<int, int> ellipseInside(const Span& above, const Span& here, const Span& below)
{
    if (above.right <= above.left || below.right <= below.left)
        return {here.left + 1, here.left + 1};
    return {std::max({here.left + 1, above.left, below.left}), std::min({here.right - 1, above.right, below.right})};
}

// An ellipse outlined with a wide pen: the pen follows the one-pixel ring
// the narrow pen would draw, the brush fills inside that ring.
template <class Surface>
void wideEllipse(Surface& surface, const detail::Box& box, const Mix& pen, const Mix* brush, int width)
{
    PathCollector path(surface.firstColumn(), surface.lastColumn(), surface.firstRow(), surface.lastRow(), width / 2);
    const std::int64_t first = std::max<std::int64_t>(box.top, path.top());
    const std::int64_t last = std::min<std::int64_t>(box.bottom, path.bottom());
    if (first >= last)
        return;
    std::vector<RowSpan> inside;
    Span above = first > box.top ? detail::ellipseRow(box, int(first - 1)) : Span{0, 0};
    Span here = detail::ellipseRow(box, int(first));
    for (std::int64_t y = first; y < last; ++y) {
        const Span below = detail::ellipseRow(box, int(y) + 1);
        if (here.right > here.left) {
            const auto [innerLeft, innerRight] = ellipseInside(above, here, below);
            if (innerRight <= innerLeft) {
                path.add(y, here.left, here.right);
            } else {
                path.add(y, here.left, innerLeft);
                path.add(y, innerRight, here.right);
                if (brush && y >= surface.firstRow() && y < surface.lastRow())
                    inside.push_back({y, innerLeft, innerRight});
            }
        }
        above = here;
        here = below;
    }
    strokeAndFill(surface, width, path.spans, std::int64_t(box.left) + box.right, std::int64_t(box.top) + box.bottom,
                  pen, brush, [&](auto&& sink) {
                      for (const RowSpan& s : inside)
                          sink(s.y, s.left, s.right);
                  });
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
void Canvas::setPenWidth(int width) { m_penWidth = std::clamp(width, 1, kMaxPenWidth); }
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
    if (m_pen && m_penWidth > 1) {
        // The one-pixel ring is the pen's path; the brush keeps the inside
        // of the ring.
        PathCollector path(surface.firstColumn(), surface.lastColumn(), surface.firstRow(), surface.lastRow(),
                           m_penWidth / 2);
        const std::int64_t pathTop = std::max<std::int64_t>(box.top, path.top());
        const std::int64_t pathBottom = std::min<std::int64_t>(box.bottom, path.bottom());
        for (std::int64_t y = pathTop; y < pathBottom; ++y) {
            if (y == box.top || y == box.bottom - 1) {
                path.add(y, l, r);
            } else {
                path.add(y, l, l + 1);
                if (r - 1 > l)
                    path.add(y, r - 1, r);
            }
        }
        strokeAndFill(surface, m_penWidth, path.spans, l + r, std::int64_t(box.top) + box.bottom, pen,
                      m_brush ? &brush : nullptr, [&](auto&& sink) {
                          const std::int64_t inTop = std::max<std::int64_t>(first, box.top + 1);
                          const std::int64_t inBottom = std::min<std::int64_t>(last, box.bottom - 1);
                          if (r - 1 > l + 1)
                              for (std::int64_t y = inTop; y < inBottom; ++y)
                                  sink(y, l + 1, r - 1);
                      });
        return;
    }
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
    if (m_pen && m_penWidth > 1) {
        wideEllipse(surface, box, pen, m_brush ? &brush : nullptr, m_penWidth);
        return;
    }
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
    if (m_penWidth > 1) {
        const int k = m_penWidth / 2;
        PathCollector path(surface.firstColumn(), surface.lastColumn(), surface.firstRow(), surface.lastRow(), k);
        walkLine(x0, y0, x1, y1, surface.firstColumn() - k - 1, surface.lastColumn() + k + 1, path.top(),
                 path.bottom(), [&](std::int64_t y, std::int64_t l, std::int64_t r) { path.add(y, l, r); });
        const std::int64_t mid2X = std::int64_t(x0) + x1 + 1, mid2Y = std::int64_t(y0) + y1 + 1;
        strokeAndFill(surface, m_penWidth, path.spans, mid2X, mid2Y, pen, nullptr, [](auto&&) {});
        return;
    }
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

    // The outline's pixels, each once even where edges cross or meet. A wide
    // pen strokes the one-pixel outline, walked as far beyond the visible
    // rows and columns as the pen reaches.
    std::vector<RowSpan> outline;
    if (m_pen) {
        const bool wide = m_penWidth > 1;
        const std::int64_t ext = wide ? m_penWidth / 2 + 1 : 0;
        const std::size_t n = points.size();
        for (std::size_t i = 0; i < n; ++i) {
            const QPoint a = points[i], b = points[(i + 1) % n];
            walkLine(a.x(), a.y(), b.x(), b.y(), firstCol - ext, lastCol + ext, firstRow - ext, lastRow + ext,
                     [&](std::int64_t y, std::int64_t l, std::int64_t r) {
                         if (y >= firstRow - ext && y < lastRow + ext && r > firstCol - ext && l < lastCol + ext)
                             outline.push_back({y, std::max(l, firstCol - ext), std::min(r, lastCol + ext)});
                     });
        }
        mergeRowSpans(outline);
        if (wide) {
            std::int64_t minX = points[0].x(), maxX = minX, minY = points[0].y(), maxY = minY;
            for (const QPoint& p : points) {
                minX = std::min<std::int64_t>(minX, p.x());
                maxX = std::max<std::int64_t>(maxX, p.x());
                minY = std::min<std::int64_t>(minY, p.y());
                maxY = std::max<std::int64_t>(maxY, p.y());
            }
            const std::vector<RowSpan> path = std::move(outline);
            detail::WidePen(m_penWidth).stroke(path, minX + maxX + 1, minY + maxY + 1, firstRow, lastRow, outline);
        }
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
    : m_canvas(canvas), m_rop2(canvas.rop2()), m_extent(canvas.scaleFactor() * 100), m_penWidth(canvas.penWidth()),
      m_pen(canvas.pen()), m_brush(canvas.brush())
{
}

CanvasState::~CanvasState()
{
    m_canvas.setRop2(m_rop2);
    m_canvas.setViewportExtent(m_extent);
    m_canvas.setPenWidth(m_penWidth);
    m_canvas.setPen(m_pen);
    m_canvas.setBrush(m_brush);
}

} // namespace ardane::raster
