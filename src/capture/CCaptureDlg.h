#pragma once
// The capture dialog: tells how the next click chooses what to capture. A
// left-button release anywhere on it closes it as OK.

#include <QDialog>
#include <QStringList>

namespace ardane::capture {

class CCaptureDlg : public QDialog {
    Q_OBJECT
public:
    explicit CCaptureDlg(QWidget* parent = nullptr);

    // The dialog's texts, top to bottom.
    [[nodiscard]] static QStringList texts();

protected:
    void showEvent(QShowEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace ardane::capture
