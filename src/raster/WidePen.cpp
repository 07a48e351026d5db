#include "raster/WidePen.h"

#include <algorithm>

namespace ardane::raster::detail {

namespace {

// Largest odd v with v * v <= m (m >= 1).
int largestOddRoot(std::int64_t m)
{
    int v = 1;
    while (std::int64_t(v + 2) * (v + 2) <= m)
        v += 2;
    return v;
}

[[nodiscard]] std::int64_t floorHalf(std::int64_t n) { return n >= 0 ? n / 2 : -((-n + 1) / 2); }

} // namespace

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

WidePen::WidePen(int width) : m_width(std::max(width, 2))
{
    const int w = m_width;
    const std::int64_t w2 = std::int64_t(w) * w;
    if (w % 2) {
        // Centred on the pixel centre: offsets with 4 (dx^2 + dy^2) <= w^2.
        const int k = w / 2;
        Footprint& f = m_footprints[0];
        f.dyMin = -k;
        f.dyMax = k;
        for (int dy = -k; dy <= k; ++dy) {
            int h = 0;
            while (4 * (std::int64_t(h + 1) * (h + 1) + std::int64_t(dy) * dy) <= w2)
                ++h;
            f.left.push_back(-h);
            f.right.push_back(h);
        }
        return;
    }
    // Centred on the corner (cx, cy) of the pixel, each 0 (left, top) or 1:
    // pixel (dx, dy) is covered when its centre is within w / 2, that is
    // (2 dx + 1 - 2 cx)^2 + (2 dy + 1 - 2 cy)^2 <= w^2 (both terms odd).
    const int k = w / 2;
    for (int cx = 0; cx < 2; ++cx)
        for (int cy = 0; cy < 2; ++cy) {
            Footprint& f = m_footprints[std::size_t(2 * cx + cy)];
            f.dyMin = cy ? -(k - 1) : -k;
            f.dyMax = cy ? k : k - 1;
            for (int dy = f.dyMin; dy <= f.dyMax; ++dy) {
                const std::int64_t u = 2 * dy + 1 - 2 * cy;
                const int v = largestOddRoot(w2 - u * u);
                f.left.push_back((-v - 1 + 2 * cx) / 2);
                f.right.push_back((v - 1 + 2 * cx) / 2);
            }
        }
}

void WidePen::stroke(std::span<const RowSpan> path, std::int64_t mid2X, std::int64_t mid2Y, std::int64_t firstRow,
                     std::int64_t lastRow, std::vector<RowSpan>& out)
{
    out.clear();
    if (path.empty() || firstRow >= lastRow)
        return;
    std::int64_t ymin = path[0].y, ymax = path[0].y;
    for (const RowSpan& s : path) {
        ymin = std::min(ymin, s.y);
        ymax = std::max(ymax, s.y);
    }
    const std::int64_t k = reach();
    const std::int64_t top = std::max(firstRow, ymin - k);
    const std::int64_t bottom = std::min(lastRow, ymax + k + 1);
    if (top >= bottom)
        return;
    const auto rows = std::size_t(bottom - top);
    // Pixels left of splitX are on the left of the middle: 2 x + 1 < mid2X.
    const std::int64_t splitX = floorHalf(mid2X);
    const bool even = m_width % 2 == 0;

    // Calls part(y, left, right, footprint) for the path split at the middle.
    const auto forEachPart = [&](auto&& part) {
        for (const RowSpan& s : path) {
            if (s.right <= s.left)
                continue;
            const bool below = 2 * s.y + 1 >= mid2Y;
            if (!even) {
                part(s.y, s.left, s.right, footprint(false, below));
                continue;
            }
            if (s.left < splitX)
                part(s.y, s.left, std::min(s.right, splitX), footprint(false, below));
            if (s.right > splitX)
                part(s.y, std::max(s.left, splitX), s.right, footprint(true, below));
        }
    };

    // Bucket the dilated spans by output row (counting sort), then sort and
    // merge each row's few spans.
    std::vector<std::uint32_t> counts(rows + 1, 0);
    forEachPart([&](std::int64_t y, std::int64_t, std::int64_t, const Footprint& f) {
        const std::int64_t lo = std::max<std::int64_t>(y + f.dyMin, top);
        const std::int64_t hi = std::min<std::int64_t>(y + f.dyMax + 1, bottom);
        for (std::int64_t row = lo; row < hi; ++row)
            ++counts[std::size_t(row - top) + 1];
    });
    for (std::size_t i = 1; i <= rows; ++i)
        counts[i] += counts[i - 1];
    struct Piece {
        std::int64_t left, right;
    };
    std::vector<Piece> pieces(counts[rows]);
    forEachPart([&](std::int64_t y, std::int64_t l, std::int64_t r, const Footprint& f) {
        const std::int64_t lo = std::max<std::int64_t>(y + f.dyMin, top);
        const std::int64_t hi = std::min<std::int64_t>(y + f.dyMax + 1, bottom);
        for (std::int64_t row = lo; row < hi; ++row) {
            const auto i = std::size_t(row - y - f.dyMin);
            pieces[counts[std::size_t(row - top)]++] = {l + f.left[i], r + f.right[i]};
        }
    });
    // counts[i] is now the end of row i's pieces.
    std::size_t begin = 0;
    for (std::size_t i = 0; i < rows; ++i) {
        const std::size_t end = counts[i];
        if (end > begin) {
            std::sort(pieces.begin() + std::ptrdiff_t(begin), pieces.begin() + std::ptrdiff_t(end),
                      [](const Piece& a, const Piece& b) { return a.left < b.left; });
            const std::int64_t y = top + std::int64_t(i);
            RowSpan cur{y, pieces[begin].left, pieces[begin].right};
            for (std::size_t j = begin + 1; j < end; ++j) {
                if (pieces[j].left <= cur.right) {
                    cur.right = std::max(cur.right, pieces[j].right);
                } else {
                    out.push_back(cur);
                    cur = {y, pieces[j].left, pieces[j].right};
                }
            }
            out.push_back(cur);
        }
        begin = end;
    }
}

} // namespace ardane::raster::detail
