#pragma once
// "Enhance Image": the modeless panel that picks one of the enhancement
// operations, collects its parameters and asks the bound view to apply it,
// as often as wanted, with Save and Restore of a snapshot to go back to.
// The application keeps one for the whole run; closing only hides it.

#include "imaging/ImagingControl.h"
#include "view/Adjusters.h"

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace ardane {

class CEnhanceDlg : public QDialog, public EnhanceAdjuster {
    Q_OBJECT
public:
    static constexpr int kInitialSize = 4;
    static constexpr int kInitialSizeMaximum = 100;
    // Characters of the value box that a typed value is read from.
    static constexpr int kValueLength = 7;

    // `snapshot` is the control that Save and Restore share with the other
    // adjustment dialogs.
    explicit CEnhanceDlg(imaging::ImagingControl& snapshot, QWidget* parent = nullptr);

    // EnhanceAdjuster
    [[nodiscard]] bool isShown() const override { return isVisible(); }
    void showAdjuster() override;
    void setCaption(const QString& caption) override { setWindowTitle(caption); }
    // Stores the view and enables Apply (binding takes no snapshot).
    void bindView(CArdaneView* view) override;
    [[nodiscard]] CArdaneView* boundView() const override;
    void reset() override;
    void setSizeMaximum(int maximum) override;
    [[nodiscard]] int sizeMaximum() const { return m_sizeMaximum; }

    // The operation and the values of the inputs, as Apply passes them.
    [[nodiscard]] EnhanceRequest request() const;
    // The integer in the Size box (0 when it holds none).
    [[nodiscard]] int sizeValue() const;

    void apply();
    void save();
    void restore();
    [[nodiscard]] bool hasSaved() const { return m_saved; }

    [[nodiscard]] QComboBox* operationList() const { return m_operation; }
    [[nodiscard]] QSlider* slider() const { return m_slider; }
    [[nodiscard]] QLabel* minimumLabel() const { return m_minLabel; }
    [[nodiscard]] QLabel* maximumLabel() const { return m_maxLabel; }
    [[nodiscard]] QLineEdit* valueField() const { return m_value; }
    [[nodiscard]] QLabel* channelLabel() const { return m_channelLabel; }
    [[nodiscard]] QComboBox* channelList() const { return m_channel; }
    [[nodiscard]] QComboBox* directionList() const { return m_direction; }
    [[nodiscard]] QLabel* sizeLabel() const { return m_sizeLabel; }
    [[nodiscard]] QLineEdit* sizeField() const { return m_size; }
    [[nodiscard]] QCheckBox* horizontalBox() const { return m_horizontal; }
    [[nodiscard]] QPushButton* applyButton() const { return m_apply; }
    [[nodiscard]] QPushButton* saveButton() const { return m_save; }
    [[nodiscard]] QPushButton* restoreButton() const { return m_restore; }
    [[nodiscard]] QPushButton* closeButton() const { return m_close; }

    // "Close", Escape and the close box hide the dialog and disable Apply.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void operationChanged(int index);
    void configureSlider(int index);
    void writeValueBox();
    void valueTyped(const QString& text);
    void sizeChanged(const QString& text);
    void hideAdjuster();

    imaging::ImagingControl& m_snapshot;
    QPointer<CArdaneView> m_view;
    bool m_saved = false;
    int m_sizeMinimum = 0;
    int m_sizeMaximum = kInitialSizeMaximum;
    // Set while the value box is written from the slider or typed text is read.
    bool m_inValueBox = false;

    QComboBox* m_operation;
    QSlider* m_slider;
    QLabel* m_minLabel;
    QLabel* m_maxLabel;
    QLineEdit* m_value;
    QLabel* m_channelLabel;
    QComboBox* m_channel;
    QComboBox* m_direction;
    QLabel* m_sizeLabel;
    QLineEdit* m_size;
    QCheckBox* m_horizontal;
    QPushButton* m_apply;
    QPushButton* m_save;
    QPushButton* m_restore;
    QPushButton* m_close;
};

// The integer a typed value stands for: of the first `length` characters,
// each that is not a decimal digit counts as '0', except a '-' in the first
// place. "-12x" is -120; "" and "-" are 0.
[[nodiscard]] int typedValue(const QString& text, int length = CEnhanceDlg::kValueLength);

} // namespace ardane
