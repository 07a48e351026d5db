#include "capture/ScreenCapture.h"

#include "capture/CCaptureDlg.h"
#include "capture/ClickWaiter.h"
#include "capture/PortalScreenshot.h"
#include "capture/X11WindowPicker.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <optional>
#include <vector>

namespace ardane::capture {

namespace {

constexpr int kSettleMs = 1500;
constexpr int kRepaintMs = 250;

void settle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Lets the window manager act on a show or hide before the screen is read.
void waitUntil(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < kSettleMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
}

bool isExposed(QWidget* w)
{
    return w && w->windowHandle() && w->windowHandle()->isExposed();
}

// Whether `window` belongs to `owner`: `owner` is among its parents.
bool ownedBy(const QWidget* window, const QWidget* owner)
{
    for (const QWidget* p = window->parentWidget(); p; p = p->parentWidget())
        if (p == owner)
            return true;
    return false;
}

// Minimises a window for the length of a scope, with the windows it owns,
// and brings them back as they were.
class MinimisedWindow {
public:
    explicit MinimisedWindow(QWidget* window) : m_window(window)
    {
        if (!m_window || !m_window->isVisible())
            return;
        m_state = m_window->windowState();
        // Its floating palettes and modeless dialogs go out of the picture too.
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w != m_window && w->isVisible() && w->isWindow() && !w->isMinimized() && ownedBy(w, m_window)) {
                m_hidden.emplace_back(w);
                w->hide();
            }
        }
        m_window->showMinimized();
        waitUntil([this] { return !isExposed(m_window); });
    }
    ~MinimisedWindow()
    {
        if (!m_window || !m_state)
            return;
        for (const QPointer<QWidget>& w : m_hidden)
            if (w)
                w->show();
        if (*m_state & Qt::WindowFullScreen)
            m_window->showFullScreen();
        else if (*m_state & Qt::WindowMaximized)
            m_window->showMaximized();
        else
            m_window->showNormal();
        m_window->raise();
        m_window->activateWindow();
    }
    MinimisedWindow(const MinimisedWindow&) = delete;
    MinimisedWindow& operator=(const MinimisedWindow&) = delete;

private:
    QWidget* m_window;
    std::optional<Qt::WindowStates> m_state;
    std::vector<QPointer<QWidget>> m_hidden;
};

} // namespace

ScreenCapture::Backend ScreenCapture::backend()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb") && X11WindowPicker().isValid())
        return Backend::X11;
    return Backend::Portal;
}

QString ScreenCapture::portalNote()
{
    return QStringLiteral("Capture Screen: the desktop offers the whole screen, a window or an area in its own "
                          "screenshot dialog.");
}

CaptureResult ScreenCapture::grabArea(const QRect& rect)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {{}, QStringLiteral("There is no screen to capture.")};
    const X11WindowPicker picker;
    const QRect screenRect = picker.isValid() ? picker.screenRect() : screen->geometry();
    const QRect area = rect.intersected(screenRect);
    if (area.isEmpty())
        return {{}, QStringLiteral("The area to capture (%1 x %2 at %3, %4) lies outside the screen.")
                        .arg(rect.width())
                        .arg(rect.height())
                        .arg(rect.x())
                        .arg(rect.y())};
    const QImage image = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
    if (image.isNull())
        return {{}, QStringLiteral("The screen cannot be read.")};
    return {image.convertToFormat(QImage::Format_RGB888), {}};
}

CaptureResult ScreenCapture::capture(QWidget* mainWindow)
{
    return backend() == Backend::X11 ? captureX11(mainWindow) : captureWithPortal(mainWindow);
}

CaptureResult ScreenCapture::captureX11(QWidget* mainWindow)
{
    const MinimisedWindow minimised(mainWindow);
    {
        // Without an owner: a dialog owned by the minimised window would be
        // minimised with it.
        CCaptureDlg dialog;
        if (dialog.exec() != QDialog::Accepted)
            return {};
        dialog.hide();
        waitUntil([&dialog] { return !isExposed(&dialog); });
    }
    // Windows of ours the dialog covered repaint now: from here until the
    // click, paints are dropped.
    settle(kRepaintMs);
    const X11WindowPicker picker;
    CaptureTarget target{CaptureTarget::Kind::Screen, picker.screenRect()};
    ClickWaiter waiter;
    if (const std::optional<QPoint> point = waiter.wait(m_clickTimeoutMs))
        target = picker.pickAt(*point);
    return grabArea(target.rect);
}

CaptureResult ScreenCapture::captureWithPortal(QWidget* mainWindow)
{
    if (auto* frame = qobject_cast<QMainWindow*>(mainWindow))
        frame->statusBar()->showMessage(portalNote(), 10000);
    PortalScreenshot portal;
    return portal.take();
}

} // namespace ardane::capture
