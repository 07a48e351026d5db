#pragma once
// The window of an imaging control: shows the source rectangle of its bitmap
// scaled to the destination size (nearest neighbour) and reports button presses.
// Only the exposed part is scaled on each paint, so a large image at a high
// zoom costs no more to paint than a small one.

#include "imaging/ImagingControl.h"

#include <QWidget>

namespace ardane {

class CImagingCtrl : public QWidget {
    Q_OBJECT
public:
    CImagingCtrl(int controlId, QWidget* parent);

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

    // The image pixels shown at a widget position (no bounds check of the image).
    [[nodiscard]] QPoint imagePoint(const QPoint& widgetPos) const;

signals:
    void buttonPressed(const QPoint& pos, Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_id;
    imaging::ImagingControl m_control;
    QRect m_source;
    QSize m_destination;
    QSize m_display;
};

// Scales the part `exposed` (destination coordinates) of `source` within
// `image` to `destination` size, nearest neighbour, into an RGB32 image of
// exposed's size. Rows are read once per source line.
[[nodiscard]] QImage scaleExposed(const QImage& image, const QRect& source, const QSize& destination,
                                  const QRect& exposed);

} // namespace ardane
