#include "raster/Scan.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ardane::raster::detail {

namespace {

using u128 = unsigned __int128;
using i128 = __int128;

template <class T>
[[nodiscard]] T floorDiv(T n, T d) // d > 0
{
    const T q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}

template <class T>
[[nodiscard]] T ceilDiv(T n, T d) // d > 0
{
    const T q = n / d;
    return (n % d != 0 && n > 0) ? q + 1 : q;
}

// Largest s with s * s <= m.
[[nodiscard]] std::uint64_t isqrt(std::uint64_t m)
{
    auto s = static_cast<std::uint64_t>(std::sqrt(static_cast<long double>(m)));
    while (s > 0 && u128(s) * s > m)
        --s;
    while (u128(s + 1) * (s + 1) <= m)
        ++s;
    return s;
}

} // namespace

Box normalisedBox(int left, int top, int right, int bottom)
{
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    return {left, top, right, bottom};
}

Span ellipseRow(const Box& box, int y)
{
    if (box.isEmpty() || y < box.top || y >= box.bottom)
        return {0, 0};
    // Doubled coordinates around the centre: a pixel centre is at
    // X = 2x + 1 - (left + right), Y = 2y + 1 - (top + bottom); the radii are
    // A = right - left and B = bottom - top. Inside when
    // X^2 B^2 + Y^2 A^2 <= A^2 B^2, that is X^2 <= A^2 (B^2 - Y^2) / B^2.
    const std::int64_t a = std::int64_t(box.right) - box.left;
    const std::int64_t b = std::int64_t(box.bottom) - box.top;
    const std::int64_t yy = 2 * std::int64_t(y) + 1 - (std::int64_t(box.top) + box.bottom);
    const u128 b2 = u128(b) * u128(b);
    const u128 y2 = u128(std::llabs(yy)) * u128(std::llabs(yy)); // |Y| < B inside the box
    const u128 m = u128(a) * u128(a) * (b2 - y2) / b2;           // < 2^128: A^2 < 2^64, B^2 - Y^2 < 2^64
    const auto s = std::int64_t(isqrt(std::uint64_t(m)));        // m <= A^2 < 2^64
    const std::int64_t sum = std::int64_t(box.left) + box.right - 1;
    const std::int64_t first = ceilDiv<std::int64_t>(sum - s, 2);
    const std::int64_t last = floorDiv<std::int64_t>(sum + s, 2);
    if (last < first)
        return {0, 0};
    return {int(first), int(last + 1)};
}

PolygonScanner::PolygonScanner(std::span<const QPoint> points)
{
    const std::size_t n = points.size();
    if (n < 2)
        return;
    m_edges.reserve(n);
    bool any = false;
    for (std::size_t i = 0; i < n; ++i) {
        const QPoint p = points[i];
        const QPoint q = points[(i + 1) % n];
        if (std::abs(std::int64_t(p.x())) > (1 << 28) || std::abs(std::int64_t(p.y())) > (1 << 28))
            m_wide = true;
        if (p.y() == q.y())
            continue;
        Edge e = p.y() < q.y() ? Edge{p.x(), p.y(), q.x(), q.y()} : Edge{q.x(), q.y(), p.x(), p.y()};
        if (!any) {
            m_top = int(e.y0);
            m_bottom = int(e.y1);
            any = true;
        }
        m_top = std::min(m_top, int(e.y0));
        m_bottom = std::max(m_bottom, int(e.y1));
        m_edges.push_back(e);
    }
    std::sort(m_edges.begin(), m_edges.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });
}

void PolygonScanner::rowSpans(int y, std::size_t& next)
{
    m_spans.clear();
    while (next < m_edges.size() && m_edges[next].y0 <= y)
        m_active.push_back(next++);
    std::erase_if(m_active, [&](std::size_t i) { return m_edges[i].y1 <= y; });
    if (m_active.empty())
        return;
    // The first pixel whose centre is at or right of the crossing at the row's
    // centre line: ceil(xc - 1/2) with
    // 2 dy (xc - 1/2) = 2 x0 dy + (2y + 1 - 2 y0) dx - dy.
    m_crossings.clear();
    for (std::size_t i : m_active) {
        const Edge& e = m_edges[i];
        const std::int64_t dy = e.y1 - e.y0;
        const std::int64_t dx = e.x1 - e.x0;
        const std::int64_t t = 2 * std::int64_t(y) + 1 - 2 * e.y0;
        std::int64_t start;
        if (m_wide) {
            const i128 num = i128(2) * e.x0 * dy + i128(t) * dx - dy;
            start = std::int64_t(ceilDiv<i128>(num, i128(2) * dy));
        } else {
            start = ceilDiv<std::int64_t>(2 * e.x0 * dy + t * dx - dy, 2 * dy);
        }
        m_crossings.push_back(start);
    }
    std::sort(m_crossings.begin(), m_crossings.end());
    for (std::size_t i = 0; i + 1 < m_crossings.size(); i += 2) {
        const std::int64_t l = std::clamp<std::int64_t>(m_crossings[i], INT32_MIN, INT32_MAX);
        const std::int64_t r = std::clamp<std::int64_t>(m_crossings[i + 1], INT32_MIN, INT32_MAX);
        if (r <= l)
            continue;
        if (!m_spans.empty() && m_spans.back().right >= l)
            m_spans.back().right = std::max(m_spans.back().right, int(r));
        else
            m_spans.push_back({int(l), int(r)});
    }
}

} // namespace ardane::raster::detail
