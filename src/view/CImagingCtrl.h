#pragma once
// The window of an imaging control: shows the source rectangle of its bitmap
// scaled to the destination size (nearest neighbour), reports the mouse, and
// lends the painting tools a canvas on its bitmap and one on its screen image.
// Only the exposed part is scaled on each paint, so a large image at a high
// zoom costs no more to paint than a small one.

#include "imaging/ImagingControl.h"
#include "paint/CPaintGesture.h"
#include "raster/Canvas.h"

#include <QPolygon>
#include <QWidget>

#include <memory>
#include <optional>

namespace ardane {

class CImagingCtrl : public QWidget, public paint::PaintTarget {
    Q_OBJECT
public:
    CImagingCtrl(int controlId, QWidget* parent);
    ~CImagingCtrl() override;

    [[nodiscard]] int controlId() const { return m_id; }
    [[nodiscard]] imaging::ImagingControl& control() { return m_control; }
    [[nodiscard]] const imaging::ImagingControl& control() const { return m_control; }

    // Display geometry: which part of the bitmap is shown, and at what size.
    void setSource(const QRect& source) { m_source = source; }
    [[nodiscard]] QRect source() const { return m_source; }
    void setDestinationSize(const QSize& size) { m_destination = size; }
    [[nodiscard]] QSize destinationSize() const { return m_destination; }
    void setDisplaySize(const QSize& size) { m_display = size; }
    [[nodiscard]] QSize displaySize() const { return m_display; }

    // Display dithering and palette modes, kept and checked by the view's
    // commands; on a true-colour screen the image is shown as it is.
    int DisplayDither = 1;
    int DisplayPaletteMode = 1;

    void RepaintNow() { repaint(); }
    // Repaints part of the window (control pixels) from the bitmap.
    void RepaintArea(const QRect& area);

    // The image pixels shown at a widget position (no bounds check of the image).
    [[nodiscard]] QPoint imagePoint(const QPoint& widgetPos) const;

    // The nearest colour this window's screen can show: the colour itself on
    // a true-colour screen, else the nearest entry of the fixed palette.
    [[nodiscard]] ColorRef nearestColor(ColorRef colour) const;

    // The selection outline, in control pixels, drawn dotted with exclusive or
    // over the image: shape 2 the rectangle, 4 the ellipse in the box, else
    // the closed polygon. An empty polygon draws nothing.
    void setOutline(int shape, const QPolygon& points);
    void clearOutline();
    [[nodiscard]] const QPolygon& outline() const { return m_outline; }

    // Mouse capture for the length of a gesture. Losing it (another grab, the
    // window deactivated or hidden, a move with the button no longer down)
    // is reported as captureLost. A capture without `buttonHeld` (a mode
    // that follows the bare pointer) is not lost by moves without a button.
    void beginCapture(bool buttonHeld = true);
    void endCapture();
    [[nodiscard]] bool hasCapture() const { return m_capturing; }

    // PaintTarget: canvases on the bitmap and on the screen image.
    raster::Canvas& AcquireImageDc() override;
    void ReleaseImageDc() override;
    raster::Canvas& AcquireWindowDc() override;
    void ReleaseWindowDc() override;
    void flushWindow() override;
    [[nodiscard]] QRect controlRect() const override { return rect(); }
    [[nodiscard]] QPoint viewToControl(QPoint viewPoint) const override { return viewPoint - pos(); }
    void repaintControlRect(const QRect& area) override { RepaintArea(area); }

signals:
    void buttonPressed(const QPoint& pos, Qt::MouseButton button);
    void mouseMoved(const QPoint& pos);
    void buttonReleased(const QPoint& pos, Qt::MouseButton button);
    void captureLost();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void loseCapture();
    [[nodiscard]] QRect visiblePart() const;
    void drawOutline(QImage& part, const QPoint& partOrigin) const;

    int m_id;
    imaging::ImagingControl m_control;
    QRect m_source;
    QSize m_destination;
    QSize m_display;

    int m_outlineShape = 2;
    QPolygon m_outline;
    bool m_capturing = false;
    bool m_captureNeedsButton = true;

    // Lent canvases: the image canvas over the bitmap, and the screen image
    // (what the visible part of the window shows) with its canvas. While the
    // screen image exists the window shows it where it covers.
    std::unique_ptr<raster::Canvas> m_imageCanvas;
    int m_imageLends = 0;
    imaging::Bitmap m_screen;
    std::unique_ptr<raster::Canvas> m_screenCanvas;
    int m_screenLends = 0;
};

// Scales the part `exposed` (destination coordinates) of `source` within
// `image` to `destination` size, nearest neighbour, into an RGB32 image of
// exposed's size. Rows are read once per source line.
[[nodiscard]] QImage scaleExposed(const QImage& image, const QRect& source, const QSize& destination,
                                  const QRect& exposed);

} // namespace ardane
