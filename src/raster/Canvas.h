#pragma once
// A drawing surface over a Bitmap, with the pixel rules of the classic
// graphics interface the program's painting relies on:
//   - device pixel (x, y) is bitmap pixel (x - origin.x, y - origin.y);
//     everything outside the bitmap is clipped silently;
//   - a logical-to-device scale: window extent 100, viewport extent 100 * f
//     (f = 1..8); under a scale f > 1 a shape is rasterised in logical units
//     and every logical pixel it covers becomes an f x f block of device
//     pixels, so a scaled drawing is exactly the unscaled one enlarged;
//   - filled rectangles and ellipses cover [left, right) x [top, bottom): the
//     second corner's column and row stay uncovered; the outline is drawn with
//     the pen, the inside with the brush, every pixel once;
//   - one-pixel lines cover their start point and not their end point;
//   - polygons are filled with the alternate (even-odd) rule;
//   - pens and brushes combine with the pixels under the ROP2 mix mode
//     (1..16); set-pixel, flood fill and block transfers do not use it;
//   - an optional clip region (device coordinates) limits every write;
//   - indexed bitmaps (1, 4, 8 bits) combine palette indices: a colour is
//     first mapped to the nearest palette entry, the mix mode works on the
//     index bits (masked to the depth), and an index past the end of a short
//     colour table grows the table with black entries.
// Writing detaches the bitmap's pixels from other copies; callers that must
// not fail half way detach first (Bitmap::detach).
// No widget code here.

#include "core/Color.h"
#include "imaging/Bitmap.h"
#include "raster/Region.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace ardane::raster {

// ROP2 mix modes, as numbered by the graphics interface.
enum Rop2 : int {
    R2_BLACK = 1,
    R2_NOTMERGEPEN = 2,
    R2_MASKNOTPEN = 3,
    R2_NOTCOPYPEN = 4,
    R2_MASKPENNOT = 5,
    R2_NOT = 6,
    R2_XORPEN = 7,
    R2_NOTMASKPEN = 8,
    R2_MASKPEN = 9,
    R2_NOTXORPEN = 10,
    R2_NOP = 11,
    R2_MERGENOTPEN = 12,
    R2_COPYPEN = 13,
    R2_MERGEPENNOT = 14,
    R2_MERGEPEN = 15,
    R2_WHITE = 16,
};

// Block-transfer raster operations (ternary codes over pattern, source and
// destination) the program uses; bitBlt evaluates any ternary code.
inline constexpr std::uint32_t NOTSRCERASE = 0x1100A6;
inline constexpr std::uint32_t NOTSRCCOPY = 0x330008;
inline constexpr std::uint32_t SRCERASE = 0x440328;
inline constexpr std::uint32_t SRCINVERT = 0x660046;
inline constexpr std::uint32_t SRCAND = 0x8800C6;
inline constexpr std::uint32_t MERGECOPY = 0xC000CA;
inline constexpr std::uint32_t DSTINVERT = 0x550009;
inline constexpr std::uint32_t SRCCOPY = 0xCC0020;
inline constexpr std::uint32_t MERGEPAINT = 0xBB0226;
inline constexpr std::uint32_t SRCPAINT = 0xEE0086;

// The block-transfer operation that copies back through a region under a
// pen mix mode: 2 NOTSRCERASE, 4 NOTSRCCOPY, 5 SRCERASE, 7 SRCINVERT,
// 8 SRCAND, 9 MERGECOPY, 10 and 12 DSTINVERT, 13 SRCCOPY, 14 MERGEPAINT,
// anything else SRCPAINT.
[[nodiscard]] std::uint32_t copyBackOperation(int mixMode);

// What get-pixel answers outside the bitmap.
inline constexpr ColorRef kInvalidColor = 0xFFFFFFFFu;

class Canvas {
public:
    explicit Canvas(imaging::Bitmap& target, QPoint deviceOrigin = {});
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    [[nodiscard]] imaging::Bitmap& bitmap() { return m_bitmap; }
    [[nodiscard]] const imaging::Bitmap& bitmap() const { return m_bitmap; }
    [[nodiscard]] QPoint deviceOrigin() const { return m_origin; }
    // The device rectangle the bitmap covers.
    [[nodiscard]] QRect deviceBounds() const;

    // --- state ------------------------------------------------------------
    // Viewport extent for a window extent of 100: 100 (no scale) .. 800.
    void setViewportExtent(int extent);
    [[nodiscard]] int scaleFactor() const { return m_scale; }
    // Returns the previous mode. Codes outside 1..16 act as R2_COPYPEN.
    int setRop2(int mode);
    [[nodiscard]] int rop2() const { return m_rop2; }
    // No pen (nullopt) draws no outline; no brush fills nothing.
    void setPen(std::optional<ColorRef> colour);
    void setBrush(std::optional<ColorRef> colour);
    [[nodiscard]] std::optional<ColorRef> pen() const { return m_pen; }
    [[nodiscard]] std::optional<ColorRef> brush() const { return m_brush; }
    // Width of the pen in logical pixels, 1 to kMaxPenWidth (values outside
    // act as the nearer limit). A wider pen strokes the one-pixel outline of
    // rectangles, ellipses, polygons and lines with a round pen of that
    // diameter (round ends and joins); every pixel of the stroke is written
    // once, and a brush fills the inside of the one-pixel outline where the
    // stroke is not. An odd pen is centred on the outline's pixels; an even
    // one on their corners facing away from the middle of the shape, so a
    // stroke is exactly w pixels wide and reaches w / 2 pixels beyond the
    // one-pixel outline on every side.
    static constexpr int kMaxPenWidth = 1024;
    void setPenWidth(int width);
    [[nodiscard]] int penWidth() const { return m_penWidth; }

    // Limits every write to `region` (device coordinates) until cleared.
    void setClip(Region region);
    void clearClip();
    [[nodiscard]] const Region* clip() const;

    // --- pixels and shapes (logical coordinates) ----------------------------
    // The colour at a point, kInvalidColor outside the bitmap.
    [[nodiscard]] ColorRef pixel(int x, int y) const;
    // Writes the colour (nearest palette entry when indexed), no mix mode;
    // under a scale one device pixel, at the mapped point.
    void setPixel(int x, int y, ColorRef colour);
    void rectangle(int left, int top, int right, int bottom);
    void ellipse(int left, int top, int right, int bottom);
    // From (x0, y0) up to but not including (x1, y1), with the pen.
    void line(int x0, int y0, int x1, int y1);
    // Closed outline with the pen, inside (even-odd) with the brush.
    void polygon(std::span<const QPoint> points);
    // Fills with the brush colour (no mix mode) the 4-connected surface of
    // pixels of colour `surface` that contains (x, y). False, with nothing
    // changed, when (x, y) is outside the bitmap or not of that colour.
    // No recursion: any size of surface is filled in time linear in its area.
    bool floodFill(int x, int y, ColorRef surface);

    // --- text (CanvasText.cpp) -------------------------------------------------
    // Writes `colour` (no mix mode, nearest palette entry when indexed) at
    // every logical pixel (x0 + i, y0 + j) whose value in the 8-bit mask is
    // 128 or more; under a scale each becomes an f x f block, like a shape.
    // The mask is Format_Alpha8 or Format_Grayscale8.
    void fillMask(const QImage& mask, int x0, int y0, ColorRef colour);

    // --- block transfer (device coordinates, no scale) ------------------------
    // Combines the w x h pixels of `source` from (sx, sy) with this canvas's
    // from (dx, dy) under the ternary raster operation `rop`, the pattern
    // being this canvas's brush (white without one). Pixels outside either
    // bitmap or outside the clip region are left alone. Colours are converted
    // between depths; indexed targets map to their nearest palette entry.
    // A plain copy between equal depths (and equal palettes) copies the
    // stored pixels, alpha included; every other case writes opaque pixels.
    // The source may be this canvas or share its pixels: it is then read as
    // it was before the transfer (the target's pixels are copied first).
    void bitBlt(int dx, int dy, int w, int h, const Canvas& source, int sx, int sy, std::uint32_t rop);

    // --- bookkeeping --------------------------------------------------------
    // Device rectangle of everything written since the last call (empty when
    // nothing was), so a screen canvas can repaint just that.
    [[nodiscard]] QRect takeDirty();

private:
    struct Impl;
    imaging::Bitmap& m_bitmap;
    QPoint m_origin;
    int m_scale = 1;
    int m_rop2 = R2_COPYPEN;
    int m_penWidth = 1;
    std::optional<ColorRef> m_pen = ColorRef(0);
    std::optional<ColorRef> m_brush = ColorRef(0xFFFFFF);
    std::unique_ptr<Impl> m_impl;
};

// Keeps a canvas's mix mode, pen, pen width, brush and scale and puts them
// back on destruction.
class CanvasState {
public:
    explicit CanvasState(Canvas& canvas);
    ~CanvasState();
    CanvasState(const CanvasState&) = delete;
    CanvasState& operator=(const CanvasState&) = delete;

private:
    Canvas& m_canvas;
    int m_rop2;
    int m_extent;
    int m_penWidth;
    std::optional<ColorRef> m_pen;
    std::optional<ColorRef> m_brush;
};

} // namespace ardane::raster
