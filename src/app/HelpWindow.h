#pragma once
// The help window: the bundled user manual.

#include <QWidget>

namespace ardane {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* owner);
    [[nodiscard]] QString documentTitle() const;
};

} // namespace ardane
