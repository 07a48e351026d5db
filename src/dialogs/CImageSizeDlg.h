#pragma once
// "New Image Size": the pixel size and printer resolution of a new image, or of
// a resize of the current one, with the size in inches and millimetres.

#include "view/UiServices.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace ardane {

// A printer-resolution field: its value is held to 1..2400 dots per inch (0
// and below become 1, above 2400 becomes 2400) and a changed value is
// written back into the field. Returns the value kept.
int validateResolutionField(QLineEdit& field);

class CImageSizeDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMinSize = 10;
    static constexpr int kMaxSize = 24000;
    static constexpr int kMinResolution = 1;
    static constexpr int kMaxResolution = 2400;

    explicit CImageSizeDlg(const ImageSizeValues& values, QWidget* parent = nullptr);

    [[nodiscard]] ImageSizeValues values() const { return m_values; }

    // The width or height field lost focus: clamp it, keep the aspect ratio.
    void widthFinished();
    void heightFinished();

    [[nodiscard]] QLineEdit* widthField() const { return m_width; }
    [[nodiscard]] QLineEdit* heightField() const { return m_height; }
    [[nodiscard]] QLineEdit* xResolutionField() const { return m_xRes; }
    [[nodiscard]] QLineEdit* yResolutionField() const { return m_yRes; }
    [[nodiscard]] QCheckBox* keepAspectBox() const { return m_keepAspect; }
    [[nodiscard]] QComboBox* resizeList() const { return m_resize; }
    [[nodiscard]] QString inchText() const;
    [[nodiscard]] QString millimetreText() const;

    void accept() override;

private:
    int validateSize(QLineEdit* field);
    void resolutionChanged(QLineEdit* field, int& target);
    void updateSizeTexts();

    ImageSizeValues m_values;
    double m_baseWidth;
    double m_baseHeight;
    bool m_keepAspectOn = true;
    bool m_updating = false;
    QLineEdit* m_width;
    QLineEdit* m_height;
    QLineEdit* m_xRes;
    QLineEdit* m_yRes;
    QCheckBox* m_keepAspect;
    QComboBox* m_resize;
    QLabel* m_inches;
    QLabel* m_millimetres;
};

} // namespace ardane
