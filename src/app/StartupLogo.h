#pragma once
// The start-up logo: the logo bitmap in a borderless window centred on the
// screen. It ignores close requests, Enter and Escape; the application
// removes it on the first key or mouse press or after three seconds.

#include <QPixmap>
#include <QWidget>

namespace ardane {

class StartupLogo : public QWidget {
    Q_OBJECT
public:
    explicit StartupLogo(QWidget* owner);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPixmap m_bitmap;
};

// Moves `window` so that it is centred horizontally on its screen and, when
// asked, vertically; otherwise its top goes to the top of the screen.
void centreWindow(QWidget* window, bool vertically);

} // namespace ardane
