#include "raster/Region.h"

#include "raster/Scan.h"

#include <algorithm>
#include <climits>

namespace ardane::raster {

namespace {

// A box cut to the rows and columns a region may hold.
detail::Box limited(detail::Box box)
{
    box.top = std::max(box.top, -Region::kLimit);
    box.bottom = std::min(box.bottom, Region::kLimit);
    return box;
}

void limitSpan(Span& s)
{
    s.left = std::max(s.left, -Region::kLimit);
    s.right = std::min(s.right, Region::kLimit);
}

} // namespace

Region Region::rectangle(int left, int top, int right, int bottom)
{
    detail::Box box = limited(detail::normalisedBox(left, top, right, bottom));
    box.left = std::max(box.left, -kLimit);
    box.right = std::min(box.right, kLimit);
    Region region;
    if (box.isEmpty())
        return region;
    region.m_top = box.top;
    region.m_rows.assign(std::size_t(std::int64_t(box.bottom) - box.top), std::vector<Span>{Span{box.left, box.right}});
    region.finish();
    return region;
}

Region Region::ellipse(int left, int top, int right, int bottom)
{
    const detail::Box box = detail::normalisedBox(left, top, right, bottom);
    const detail::Box rows = limited(box);
    Region region;
    if (box.isEmpty() || rows.isEmpty())
        return region;
    region.m_top = rows.top;
    region.m_rows.resize(std::size_t(std::int64_t(rows.bottom) - rows.top));
    for (std::size_t i = 0; i < region.m_rows.size(); ++i) {
        Span s = detail::ellipseRow(box, rows.top + int(i));
        limitSpan(s);
        if (s.right > s.left)
            region.m_rows[i].push_back(s);
    }
    region.finish();
    return region;
}

Region Region::polygon(std::span<const QPoint> points)
{
    Region region;
    detail::PolygonScanner scanner(points);
    const int top = std::max(scanner.top(), -kLimit);
    const int bottom = std::min(scanner.bottom(), kLimit);
    if (bottom <= top)
        return region;
    region.m_top = top;
    region.m_rows.resize(std::size_t(std::int64_t(bottom) - top));
    scanner.scan(top, bottom, [&](int y, std::span<const Span> spans) {
        auto& row = region.m_rows[std::size_t(y - region.m_top)];
        for (Span s : spans) {
            limitSpan(s);
            if (s.right > s.left)
                row.push_back(s);
        }
    });
    region.finish();
    return region;
}

void Region::finish()
{
    std::size_t first = 0;
    while (first < m_rows.size() && m_rows[first].empty())
        ++first;
    std::size_t last = m_rows.size();
    while (last > first && m_rows[last - 1].empty())
        --last;
    if (first == last) {
        m_rows.clear();
        m_top = 0;
        m_bounds = {};
        return;
    }
    m_rows.erase(m_rows.begin() + std::ptrdiff_t(last), m_rows.end());
    m_rows.erase(m_rows.begin(), m_rows.begin() + std::ptrdiff_t(first));
    m_top += int(first);
    int left = INT_MAX;
    int right = INT_MIN;
    for (const auto& row : m_rows) {
        if (row.empty())
            continue;
        left = std::min(left, row.front().left);
        right = std::max(right, row.back().right);
    }
    m_bounds = QRect(left, m_top, right - left, int(m_rows.size()));
}

QRect Region::bounds() const { return m_bounds; }

std::span<const Span> Region::row(int y) const
{
    const std::int64_t i = std::int64_t(y) - m_top;
    if (i < 0 || i >= std::int64_t(m_rows.size()))
        return {};
    return m_rows[std::size_t(i)];
}

bool Region::contains(int x, int y) const
{
    const auto spans = row(y);
    // The last span starting at or left of x.
    auto it = std::upper_bound(spans.begin(), spans.end(), x, [](int v, const Span& s) { return v < s.left; });
    if (it == spans.begin())
        return false;
    --it;
    return x < it->right;
}

void Region::translate(int dx, int dy)
{
    if (m_rows.empty())
        return;
    m_top += dy;
    for (auto& row : m_rows)
        for (auto& s : row) {
            s.left += dx;
            s.right += dx;
        }
    m_bounds.translate(dx, dy);
}

long long Region::pixelCount() const
{
    long long n = 0;
    for (const auto& row : m_rows)
        for (const auto& s : row)
            n += s.right - s.left;
    return n;
}

} // namespace ardane::raster
