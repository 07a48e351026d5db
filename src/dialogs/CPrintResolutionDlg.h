#pragma once
// "Print Resolution": how many image pixels make one printed inch, across and
// down, with the printer's own resolution shown beside them.

#include "view/UiServices.h"

#include <QDialog>

class QLabel;
class QLineEdit;

namespace ardane {

class CPrintResolutionDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPrintResolutionDlg(const PrintResolutionValues& values, QWidget* parent = nullptr);

    [[nodiscard]] PrintResolutionValues values() const { return m_values; }

    // A field lost focus: its value is held to 1..2400 and kept.
    void xFinished();
    void yFinished();

    [[nodiscard]] QLineEdit* xField() const { return m_x; }
    [[nodiscard]] QLineEdit* yField() const { return m_y; }
    [[nodiscard]] QLabel* printerXText() const { return m_printerX; }
    [[nodiscard]] QLabel* printerYText() const { return m_printerY; }

    void accept() override;

private:
    PrintResolutionValues m_values;
    QLineEdit* m_x;
    QLineEdit* m_y;
    QLabel* m_printerX;
    QLabel* m_printerY;
};

} // namespace ardane
