#pragma once
// "Text Attribute": the depth of the 3D or shadow effect of text, chosen on
// a slider with a number field kept in step with it.

#include <QDialog>

#include <optional>

class QLineEdit;
class QSlider;

namespace ardane {

class CTextAttributeDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMinDepth = 1;
    static constexpr int kMaxDepth = 200;

    explicit CTextAttributeDlg(int depth, QWidget* parent = nullptr);

    // The slider's position.
    int depth() const;

    QSlider& slider() const { return *m_slider; }
    QLineEdit& depthField() const { return *m_field; }

    // Runs the dialog preset to depth; the chosen depth on OK, nullopt on Cancel.
    static std::optional<int> ask(int depth, QWidget* parent);

private:
    QSlider* m_slider;
    QLineEdit* m_field;
};

} // namespace ardane
