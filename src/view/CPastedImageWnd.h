#pragma once
// A pasted image lying over the view: a child window with its own imaging
// control holding the pasted pixels, the outline and shape of the selection
// they were copied from, and a selected flag. A click on it selects it or
// deselects it; Delete closes the selected ones.

#include "imaging/ImagingControl.h"

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

signals:
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_id;
    imaging::ImagingControl m_control;
    std::vector<std::pair<std::int32_t, std::int32_t>> m_outline;
    int m_shape;
    bool m_selected = true;
};

} // namespace ardane
