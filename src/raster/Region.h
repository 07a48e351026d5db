#pragma once
// A set of pixels described row by row as half-open spans, built from a
// rectangle, an ellipse or a polygon (alternate fill) with the same coverage
// as the canvas's filled shapes: a rectangle region of (l, t, r, b) holds
// [l, r) x [t, b), an elliptic region the pixels the filled ellipse of that
// box covers, a polygon region the pixels whose centres lie inside by the
// even-odd rule. Used as the clip of a canvas.

#include <QPoint>
#include <QRect>

#include <span>
#include <vector>

namespace ardane::raster {

struct Span {
    int left;  // first pixel
    int right; // one past the last
};

class Region {
public:
    // Rows and columns beyond +-kLimit are left out: a region never holds
    // more rows than a scaled view of the largest bitmap needs, whatever
    // coordinates it is built from.
    static constexpr int kLimit = 1 << 20;

    Region() = default;
    [[nodiscard]] static Region rectangle(int left, int top, int right, int bottom);
    [[nodiscard]] static Region ellipse(int left, int top, int right, int bottom);
    [[nodiscard]] static Region polygon(std::span<const QPoint> points);

    [[nodiscard]] bool isEmpty() const { return m_rows.empty(); }
    // Bounding rectangle of the pixels held (empty for an empty region).
    [[nodiscard]] QRect bounds() const;
    [[nodiscard]] bool contains(int x, int y) const;
    // Spans of row y, left to right, not overlapping; empty outside.
    [[nodiscard]] std::span<const Span> row(int y) const;
    [[nodiscard]] int top() const { return m_top; }
    [[nodiscard]] int rowCount() const { return int(m_rows.size()); }
    void translate(int dx, int dy);
    [[nodiscard]] long long pixelCount() const;

private:
    // Drops empty rows at both ends and computes the bounds.
    void finish();

    int m_top = 0;
    std::vector<std::vector<Span>> m_rows; // row i is y = m_top + i
    QRect m_bounds;
};

} // namespace ardane::raster
