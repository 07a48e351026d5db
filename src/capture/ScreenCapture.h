#pragma once
// Screen capture: the whole screen, a whole window or the inside of a window,
// chosen by one click after the capture dialog. On X11 the program reads the
// screen itself; elsewhere (Wayland) it asks the desktop's screenshot portal,
// whose own chooser then offers the screen, a window or an area.

#include "capture/CaptureTarget.h"

#include <QRect>
#include <QString>

class QWidget;

namespace ardane::capture {

class ScreenCapture {
public:
    enum class Backend { X11, Portal };

    // X11 when the program runs on xcb with a connection, else the portal.
    [[nodiscard]] static Backend backend();

    // The text shown where the desktop, not the program, chooses.
    [[nodiscard]] static QString portalNote();

    // The pixels of `rect` (screen coordinates) clipped to the screen; an
    // error when nothing of it lies on the screen.
    [[nodiscard]] static CaptureResult grabArea(const QRect& rect);

    // The whole interactive capture. The main window is minimised while the
    // user chooses and restored afterwards; a main window with a status bar
    // shows there that the desktop chooses when the portal is used.
    [[nodiscard]] CaptureResult capture(QWidget* mainWindow);

    // Limits the wait for the click (for tests; negative, the default, waits
    // until the program quits).
    void setClickTimeout(int ms) { m_clickTimeoutMs = ms; }

private:
    [[nodiscard]] CaptureResult captureX11(QWidget* mainWindow);
    [[nodiscard]] static CaptureResult captureWithPortal(QWidget* mainWindow);

    int m_clickTimeoutMs = -1;
};

} // namespace ardane::capture
