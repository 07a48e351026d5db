#pragma once
// The stroke of a wide pen: a round pen of diameter w dragged along a path
// of one-pixel spans. Internal to the raster layer.
//
// The pen's footprint is the set of pixels whose centres lie in a disc of
// diameter w. For an odd w the disc is centred on the path pixel's centre,
// so the stroke reaches (w - 1) / 2 pixels to every side. For an even w a
// disc centred on a pixel centre could not be w pixels across, so it is
// centred on the corner of the path pixel that faces away from the middle of
// the shape: the stroke keeps its width w and lies symmetric about the shape
// (w / 2 pixels outside the one-pixel outline, w / 2 - 1 inside it).

#include "raster/Region.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace ardane::raster::detail {

// A span [left, right) of row y.
struct RowSpan {
    std::int64_t y, left, right;
};

// Sorts spans by row and position and merges overlapping or touching ones.
void mergeRowSpans(std::vector<RowSpan>& spans);

class WidePen {
public:
    // Widths below 2 are not wide; callers draw those one pixel wide.
    explicit WidePen(int width);

    [[nodiscard]] int width() const { return m_width; }
    // How far the stroke reaches from a path pixel in any direction.
    [[nodiscard]] int reach() const { return m_width / 2; }

    // The pixels the pen covers along `path`, restricted to rows [firstRow,
    // lastRow): sorted by row and position, disjoint, touching spans merged,
    // in `out` (replaced). The middle of the shape is given in doubled pixel
    // edge coordinates (left + right of its box, the right edge exclusive),
    // which picks the corner an even pen is centred on.
    void stroke(std::span<const RowSpan> path, std::int64_t mid2X, std::int64_t mid2Y, std::int64_t firstRow,
                std::int64_t lastRow, std::vector<RowSpan>& out);

private:
    // Per row offset dy in [dyMin, dyMax]: the footprint covers the columns
    // x + left .. x + right (inclusive) of row y + dy for a path pixel (x, y).
    struct Footprint {
        int dyMin = 0, dyMax = 0;
        std::vector<int> left, right;
    };
    // Index: 2 * (pixel right of the middle) + (pixel below the middle).
    [[nodiscard]] const Footprint& footprint(bool right, bool below) const
    {
        return m_footprints[std::size_t(m_width % 2 ? 0 : 2 * int(right) + int(below))];
    }

    int m_width;
    std::array<Footprint, 4> m_footprints;
};

// Walks fill spans of increasing rows (and, within a row, increasing
// position) and hands on the parts not covered by a stroke, so that a brush
// never writes over a pen pixel.
class StrokeSubtractor {
public:
    explicit StrokeSubtractor(std::span<const RowSpan> stroke) : m_stroke(stroke) {}

    template <class Sink>
    void fill(std::int64_t y, std::int64_t left, std::int64_t right, Sink&& sink)
    {
        if (m_row != y) {
            while (m_first < m_stroke.size() && m_stroke[m_first].y < y)
                ++m_first;
            m_row = y;
            m_next = m_first;
        }
        std::int64_t x = left;
        while (m_next < m_stroke.size() && m_stroke[m_next].y == y && m_stroke[m_next].right <= x)
            ++m_next;
        for (std::size_t j = m_next; j < m_stroke.size() && m_stroke[j].y == y && m_stroke[j].left < right; ++j) {
            if (m_stroke[j].left > x)
                sink(y, x, m_stroke[j].left);
            x = std::max(x, m_stroke[j].right);
        }
        if (x < right)
            sink(y, x, right);
    }

private:
    std::span<const RowSpan> m_stroke;
    std::size_t m_first = 0; // first stroke span of the current row or later
    std::size_t m_next = 0;
    std::int64_t m_row = INT64_MIN;
};

} // namespace ardane::raster::detail
