#pragma once
// The tracker of a selected object: its outline, eight handles (four at the
// corners, four at the middles of the edges) and the reshaping of the four
// corners when a handle or the inside is dragged. A plain value made for one
// hit test or drag; the view runs the drag and draws the feedback.

#include "objects/ObjectGeometry.h"

#include <array>
#include <string_view>

class QPainter;

namespace ardane::objects {

class CObjTracker {
public:
    static constexpr int kNothing = 100;
    static constexpr int kInside = 200;
    static constexpr std::uint32_t kColor = 0x800080; // COLORREF of outline and handles

    explicit CObjTracker(const ObjPoints& points, bool active = true);

    [[nodiscard]] const ObjPoints& points() const { return m_points; }
    // Handle i: four points of a small polygon; 0..3 at the corners in the
    // order of the points, 4..7 at the middles of the edges that start at
    // corner i - 4.
    [[nodiscard]] const std::array<ObjPoints, 8>& handles() const { return m_handles; }

    // Tests the handles in order, then the inside of the bounding box; sets
    // and returns the hit code (0..7, kInside or kNothing). An inactive
    // tracker hits nothing.
    int HitTest(QPoint position);
    [[nodiscard]] int hit() const { return m_hit; }
    // The cursor resource for a hit code (empty for kNothing).
    [[nodiscard]] static std::string_view cursorName(int hit);

    // The corners after dragging from `press` to `current` with the hit
    // code of the last HitTest: the inside moves every corner; a corner
    // handle moves its corner along both of the object's edges through it,
    // an edge handle moves its edge along the other axis; the opposite
    // corner or edge stays.
    [[nodiscard]] ObjPoints dragged(QPoint press, QPoint current) const;

    // Outline (dashed, one pixel) and filled handles in kColor, the points
    // moved by `offset` first.
    void draw(QPainter& painter, QPoint offset) const;

private:
    ObjPoints m_points;
    std::array<ObjPoints, 8> m_handles{};
    bool m_active;
    int m_hit = kNothing;
};

} // namespace ardane::objects
