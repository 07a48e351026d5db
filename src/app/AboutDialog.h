#pragma once
// "About Ardane": the logo, the version and the copyright.

#include <QDialog>

namespace ardane {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent);
};

} // namespace ardane
