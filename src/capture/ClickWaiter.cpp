#include "capture/ClickWaiter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace ardane::capture {

namespace {

bool isDropped(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::HoverEnter:
    case QEvent::HoverLeave:
    case QEvent::HoverMove:
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Paint:
    case QEvent::UpdateRequest:
        return true;
    default:
        return false;
    }
}

constexpr int kGrabAttemptMs = 1000;

} // namespace

ClickWaiter::ClickWaiter()
{
    // Off the screen and outside the window manager's care, so that it is
    // never what a click lands on; while it holds the grab the cross shows.
    m_grabber = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    m_grabber->setAttribute(Qt::WA_ShowWithoutActivating);
    m_grabber->setGeometry(-64, -64, 1, 1);
    m_grabber->setCursor(Qt::CrossCursor);
}

ClickWaiter::~ClickWaiter()
{
    delete m_grabber;
}

bool ClickWaiter::grabPointer()
{
    m_grabber->show();
    QWindow* window = m_grabber->windowHandle();
    if (!window)
        return false;
    // The server refuses the grab until the window is mapped; try for a moment.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kGrabAttemptMs) {
        if (window->setMouseGrabEnabled(true)) {
            window->setKeyboardGrabEnabled(true);
            return true;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return false;
}

std::optional<QPoint> ClickWaiter::wait(int timeoutMs)
{
    m_point.reset();
    m_dropped = 0;
    m_grabbed = grabPointer();

    QEventLoop loop;
    m_loop = &loop;
    qApp->installEventFilter(this);
    const QMetaObject::Connection quitting =
        connect(qApp, &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
    QTimer timeout;
    if (timeoutMs >= 0) {
        timeout.setSingleShot(true);
        connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
        timeout.start(timeoutMs);
    }
    loop.exec();
    disconnect(quitting);
    qApp->removeEventFilter(this);
    m_loop = nullptr;

    if (QWindow* window = m_grabber->windowHandle()) {
        window->setKeyboardGrabEnabled(false);
        window->setMouseGrabEnabled(false);
    }
    m_grabber->hide();
    return m_point;
}

bool ClickWaiter::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_loop || !isDropped(event->type()))
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonRelease && !m_point) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            m_point = mouse->globalPosition().toPoint();
            m_loop->quit();
            return true;
        }
    }
    ++m_dropped;
    return true;
}

} // namespace ardane::capture
