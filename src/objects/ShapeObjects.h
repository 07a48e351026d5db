#pragma once
// The three shape objects: a rectangle (drawn as the polygon of its corners,
// so it can turn), an ellipse and a line (both drawn in their window's box).

#include "objects/CGeneralObj.h"

namespace ardane::objects {

class CRectObj final : public CGeneralObj {
public:
    [[nodiscard]] std::string_view className() const override { return "CRectObj"; }
    [[nodiscard]] ObjectKind kind() const override { return ObjectKind::Rect; }
    void DrawObject(raster::Canvas& canvas, DrawTarget target, int dx, int dy, int drawMode) const override;
    Box MergeIntoImage(raster::Canvas& image, const ImageMapping& map, int drawMode) override;
};

class CEllipseObj final : public CGeneralObj {
public:
    [[nodiscard]] std::string_view className() const override { return "CEllipseObj"; }
    [[nodiscard]] ObjectKind kind() const override { return ObjectKind::Ellipse; }
    void DrawObject(raster::Canvas& canvas, DrawTarget target, int dx, int dy, int drawMode) const override;
    Box MergeIntoImage(raster::Canvas& image, const ImageMapping& map, int drawMode) override;
};

class CLineObj final : public CGeneralObj {
public:
    // 0: top-left to bottom-right; 1: vertical through the middle;
    // 2: top-right to bottom-left.
    enum Direction : std::int32_t { kFalling = 0, kVertical = 1, kRising = 2 };

    [[nodiscard]] std::string_view className() const override { return "CLineObj"; }
    [[nodiscard]] ObjectKind kind() const override { return ObjectKind::Line; }
    // The direction of a line dragged from `press` to `release`.
    [[nodiscard]] static std::int32_t directionFor(QPoint press, QPoint release);

    // The record carries no direction: the corners are written starting at
    // the corner the line leaves from, and read back from that order.
    void Serialize(ArchiveWriter& out) const override;
    [[nodiscard]] bool Serialize(ArchiveReader& in) override;

    void DrawObject(raster::Canvas& canvas, DrawTarget target, int dx, int dy, int drawMode) const override;
    Box MergeIntoImage(raster::Canvas& image, const ImageMapping& map, int drawMode) override;

    std::int32_t m_nDirection = kFalling;
};

} // namespace ardane::objects
