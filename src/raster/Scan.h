#pragma once
// Scan conversion shared by the canvas's filled shapes and the regions, so
// that a region built from a shape covers exactly the pixels the shape fills.
// Internal to the raster layer.

#include "raster/Region.h"

#include <QPoint>

#include <cstdint>
#include <span>
#include <vector>

namespace ardane::raster::detail {

// A box with its corners put in order: left <= right, top <= bottom.
struct Box {
    int left, top, right, bottom;
    [[nodiscard]] bool isEmpty() const { return right <= left || bottom <= top; }
};
[[nodiscard]] Box normalisedBox(int left, int top, int right, int bottom);

// The pixels of row y the filled ellipse inscribed in `box` covers: those
// whose centres lie inside (or on) the ellipse with the box's half sides as
// radii, in pixel-edge coordinates. Exact integer arithmetic, symmetric left
// to right and top to bottom; never outside [left, right). Empty (left ==
// right) for rows outside the box.
[[nodiscard]] Span ellipseRow(const Box& box, int y);

// Even-odd scan conversion of a closed polygon: for each row in [first,
// last) that the polygon crosses, the spans of pixels whose centres lie
// inside, left to right, adjacent spans merged. Rows outside the polygon
// are not reported.
class PolygonScanner {
public:
    explicit PolygonScanner(std::span<const QPoint> points);

    // First and one-past-last row any pixel centre can be inside.
    [[nodiscard]] int top() const { return m_top; }
    [[nodiscard]] int bottom() const { return m_bottom; }

    // Calls sink(y, spans) for every row of [first, last) with spans, in
    // increasing y. `spans` is only valid during the call.
    template <class Sink>
    void scan(int first, int last, Sink&& sink)
    {
        if (first < m_top)
            first = m_top;
        if (last > m_bottom)
            last = m_bottom;
        std::size_t next = 0;
        m_active.clear();
        for (int y = first; y < last; ++y) {
            rowSpans(y, next);
            if (!m_spans.empty())
                sink(y, std::span<const Span>(m_spans));
        }
    }

private:
    struct Edge {
        std::int64_t x0, y0, x1, y1; // y0 < y1; rows [y0, y1) are crossed
    };
    void rowSpans(int y, std::size_t& next);

    std::vector<Edge> m_edges; // sorted by y0
    std::vector<std::size_t> m_active;
    std::vector<std::int64_t> m_crossings;
    std::vector<Span> m_spans;
    int m_top = 0;
    int m_bottom = 0;
    bool m_wide = false; // coordinates large enough to need 128-bit products
};

} // namespace ardane::raster::detail
