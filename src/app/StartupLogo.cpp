#include "app/StartupLogo.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

namespace ardane {

void centreWindow(QWidget* window, bool vertically)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QRect frame = window->frameGeometry();
    const int x = area.left() + (area.width() - frame.width()) / 2;
    const int y = vertically ? area.top() + (area.height() - frame.height()) / 2 : area.top();
    window->move(x, y);
}

StartupLogo::StartupLogo(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::FramelessWindowHint), m_bitmap(QStringLiteral(":/images/logo.png"))
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFixedSize(m_bitmap.width() + 4, m_bitmap.height() + 4);
    centreWindow(this, true);
}

void StartupLogo::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.drawPixmap(0, 0, m_bitmap);
}

void StartupLogo::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

void StartupLogo::keyPressEvent(QKeyEvent* event)
{
    event->accept(); // Enter and Escape do nothing here
}

} // namespace ardane
