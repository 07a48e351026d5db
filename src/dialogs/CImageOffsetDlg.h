#pragma once
// "Image Offset": where the image's top-left lies on the printed page, set
// with a horizontal and a vertical slider (printer dots) and shown in a small
// preview, the image as a black box on the white page.

#include "view/UiServices.h"

#include <QDialog>

class QFrame;
class QSlider;

namespace ardane {

class CImageOffsetDlg : public QDialog {
    Q_OBJECT
public:
    // The page rectangle and the image rectangle of the preview, in pixels.
    static constexpr QSize kPageBox{136, 176};
    static constexpr QSize kImageBox{34, 26};

    explicit CImageOffsetDlg(const ImageOffsetValues& values, QWidget* parent = nullptr);

    [[nodiscard]] ImageOffsetValues values() const { return m_values; }

    [[nodiscard]] QSlider* horizontalSlider() const { return m_horizontal; }
    [[nodiscard]] QSlider* verticalSlider() const { return m_vertical; }
    // The two preview rectangles; both are children of one preview panel,
    // so their geometries compare directly.
    [[nodiscard]] QFrame* pageRect() const { return m_page; }
    [[nodiscard]] QFrame* imageRect() const { return m_image; }

private:
    // The image rectangle to the place of the offsets on the page.
    void placePreview();

    ImageOffsetValues m_values;
    int m_imageExtentX; // the image rectangle's client size plus 4
    int m_imageExtentY;
    QSlider* m_horizontal;
    QSlider* m_vertical;
    QFrame* m_page;
    QFrame* m_image;
};

} // namespace ardane
