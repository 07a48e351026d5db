#pragma once
// A pasted image lying over the view: a child window with its own imaging
// control holding the pasted pixels, the outline and shape of the selection
// they were copied from, and a selected flag. The window is shaped by the
// outline (scaled with the window), and a selected one shows a tracker
// frame. A click on it selects it or deselects it; dragging it moves it,
// in steps of whole image pixels; Delete closes the selected ones.

#include "imaging/ImagingControl.h"

#include <QPolygon>
#include <QRegion>
#include <QWidget>

#include <cstdint>
#include <utility>
#include <vector>

namespace ardane {

class CPastedImageWnd : public QWidget {
    Q_OBJECT
public:
    CPastedImageWnd(int id, const imaging::Bitmap& image, std::vector<std::pair<std::int32_t, std::int32_t>> outline,
                    int shape, int zoomFactor, QWidget* parent);

    [[nodiscard]] int windowId() const { return m_id; }
    [[nodiscard]] imaging::ImagingControl& control() { return m_control; }
    [[nodiscard]] const std::vector<std::pair<std::int32_t, std::int32_t>>& outline() const { return m_outline; }
    [[nodiscard]] int shape() const { return m_shape; }
    [[nodiscard]] bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    // Window pixels per image pixel: the zoom the window is shown at.
    [[nodiscard]] int scale() const;
    // The pixels the image is drawn through: the outline scaled by scale().
    [[nodiscard]] QRegion imageRegion() const;

signals:
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The window's shape: the image region, and the frame when selected.
    void updateMask();
    [[nodiscard]] QRegion frameRegion() const;

    int m_id;
    imaging::ImagingControl m_control;
    std::vector<std::pair<std::int32_t, std::int32_t>> m_outline;
    int m_shape;
    bool m_selected = true;
    QRegion m_imageRegion;

    // A press on the window: where (in the parent), where the window was,
    // whether it was selected before, and whether it has moved since.
    bool m_pressed = false;
    QPoint m_pressAt;
    QPoint m_startPos;
    bool m_wasSelected = false;
    bool m_dragged = false;
};

} // namespace ardane
