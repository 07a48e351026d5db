#pragma once
// One press of a painting tool: the pen, brush and sprayer strokes, the
// shuffle stroke, the blur dab and the copy/paste of an area. The widget that
// took the press feeds the gesture its moves and its release; the gesture
// paints every stepped point onto the screen canvas (feedback) and into the
// image canvas (the document's pixels), with the exact pixel rules of each tool.
// It sees only a PaintTarget (the two canvases and a few services of the
// view) and the settings it was given: never a window or the main frame.

#include "core/Color.h"
#include "raster/Canvas.h"

#include <QPoint>
#include <QRect>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace ardane::paint {

// Which tool a gesture serves (the view maps the tool to it).
enum PaintKind : int {
    PK_PEN = 1,
    PK_BRUSH = 2,
    PK_SPRAY = 4,
    PK_BLUR_SMALL = 5,
    PK_BLUR_MEDIUM = 6,
    PK_BLUR_LARGE = 7,
    PK_COPYPASTE_SMALL = 8,
    PK_COPYPASTE_MEDIUM = 9,
    PK_COPYPASTE_LARGE = 10,
    PK_SHUFFLE_SMALL = 11,
    PK_SHUFFLE_MEDIUM = 12,
    PK_SHUFFLE_LARGE = 13,
};

// What the view lends a gesture for the time of one press.
class PaintTarget {
public:
    virtual ~PaintTarget() = default;
    // The canvas on the image bitmap (device = image pixels) and the one on
    // the control's window (device = control pixels). Each Acquire is paired
    // with its Release.
    virtual raster::Canvas& AcquireImageDc() = 0;
    virtual void ReleaseImageDc() = 0;
    virtual raster::Canvas& AcquireWindowDc() = 0;
    virtual void ReleaseWindowDc() = 0;
    // Shows what was painted on the window canvas since the last call.
    virtual void flushWindow() = 0;
    // The control's client rectangle, in control pixels.
    [[nodiscard]] virtual QRect controlRect() const = 0;
    // From the view's client coordinates to control pixels.
    [[nodiscard]] virtual QPoint viewToControl(QPoint viewPoint) const = 0;
    // Repaints a rectangle given in control pixels (from the image).
    virtual void repaintControlRect(const QRect& controlRect) = 0;
};

// The settings a gesture reads, taken when it is created.
struct GestureSettings {
    ColorRef penColor = 0xFFFFFF;
    int drawMode = raster::R2_COPYPEN;
    int brushStyle = 0;          // 0..19
    int sprayStyle = 0;          // 0..11
    int areaShape = 2;           // 2 square, 4 circle
    int shuffleDensity = 3;      // 1..5
    int zoom = 100;              // percent, 100..800
    QPoint zoomOrigin;           // top-left of the zoom rectangle, (0, 0) without one
};

// The generator of the sprayer and the shuffle.
class PaintRandom {
public:
    void seed(std::uint32_t s) { m_state = s; }
    // 0..32767.
    int draw()
    {
        m_state = m_state * 214013u + 2531011u;
        return int((m_state >> 16) & 32767u);
    }

private:
    std::uint32_t m_state = 0;
};

class CPaintGesture {
public:
    // Where the dabs take their seed: the calendar time in whole seconds.
    using Clock = std::function<std::uint32_t()>;

    CPaintGesture(int kind, PaintTarget& target, const GestureSettings& settings, Clock clock = {});
    virtual ~CPaintGesture();
    CPaintGesture(const CPaintGesture&) = delete;
    CPaintGesture& operator=(const CPaintGesture&) = delete;

    // The press, in the view's client coordinates. Blur is finished at once;
    // the strokes and the copy/paste then wait for moves and the release.
    void Begin(QPoint viewPoint);
    // A move of the held button, in control pixels.
    void MouseMove(QPoint controlPoint);
    // The release (its position is not used), or the loss of the mouse grab,
    // which ends the gesture the same way.
    void End();
    [[nodiscard]] bool isActive() const { return m_active; }

    // The steps, public so that tests can drive each one.
    void Stroke(QPoint controlPoint);
    void StepTo(raster::Canvas& screen, raster::Canvas& image, QPoint controlPoint);
    void Plot(raster::Canvas& canvas, int u, int v, bool toImage);
    void DrawBrushDab(raster::Canvas& canvas, int x, int y, int style);
    void DrawSprayDab(raster::Canvas& canvas, int x, int y, int style, bool toImage);
    void BlurDab(QPoint controlPoint);
    void CopyPasteArea(QPoint controlPoint);
    void ShuffleDab(raster::Canvas& canvas, int x, int y, bool toImage);
    // The copy/paste area of `kind` around (x, y), half size h * scale; with a
    // clip rectangle a left or top edge below 0 becomes 0, otherwise a right
    // or bottom edge beyond the clip becomes the clip's.
    [[nodiscard]] static QRect GetAreaRect(int kind, int x, int y, int scale, const QRect* clip);
    // Half size of the area of an area-effect kind (5, 8 or 11), 0 for others.
    [[nodiscard]] static int halfSize(int kind);
    // Whether the circle (octagon) shape writes pixel (x, y) of the area
    // [area.left, area.right] x [area.top, area.bottom] (QRect, inclusive).
    [[nodiscard]] static bool octagonWrites(const QRect& area, int x, int y);

    [[nodiscard]] int kind() const { return m_kind; }
    [[nodiscard]] const std::vector<std::uint32_t>& brushRecord() const { return m_brushRecord; }

private:
    void finishStroke();
    void finishCopyPaste();
    [[nodiscard]] QPoint imagePointOf(QPoint controlPoint) const;
    [[nodiscard]] int zoomFactor() const { return m_settings.zoom / 100; }
    // Whether a screen dab draws enlarged z x z squares.
    [[nodiscard]] bool screenZoomed(bool toImage) const { return !toImage && m_settings.zoom > 100; }
    // The screen rectangle of the area around control point p, two pixels
    // wider on every side, repainted from the image.
    void repaintAreaAround(QPoint controlPoint);

    // Last point painted into the image and onto the screen; 30000 lies
    // outside every image, so the first point is never taken for a repeat.
    int m_lastImageX = 30000, m_lastImageY = 30000;
    int m_lastScreenX = 30000, m_lastScreenY = 30000;
    int m_currentX = 0, m_currentY = 0;
    int m_kind;
    PaintTarget& m_target;
    GestureSettings m_settings;
    Clock m_clock;
    PaintRandom m_random;
    std::vector<std::uint32_t> m_brushRecord;
    bool m_active = false;
    raster::Canvas* m_screen = nullptr;
    raster::Canvas* m_image = nullptr;
    // What the stroke changed on each canvas, put back at its end.
    std::optional<raster::CanvasState> m_screenState;
    std::optional<raster::CanvasState> m_imageState;
    // Copy/paste: the snapshot's size and the last remembered position.
    QSize m_copySize;
    QPoint m_copyLast;
};

// The blur and copy/paste snapshot: 28 x 28 colours, allocated once for the
// whole program and overwritten by each use.
[[nodiscard]] std::array<ColorRef, 28 * 28>& areaSnapshot();

} // namespace ardane::paint
