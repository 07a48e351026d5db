#include "app/CChildFrame.h"

#include "view/CArdaneView.h"

#include <QCloseEvent>

namespace ardane {

CChildFrame::CChildFrame(CArdaneView* view, QWidget* parent) : QMdiSubWindow(parent), m_view(view)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(view);
    setWindowIcon(QIcon(QStringLiteral(":/images/logo.png")));
}

CChildFrame::~CChildFrame()
{
    // The view refers to its document, which goes when this window has been
    // destroyed; the view must go first, not among QWidget's children.
    delete m_view;
    m_view = nullptr;
}

void CChildFrame::closeWithoutAsking()
{
    m_force = true;
    close();
}

void CChildFrame::closeEvent(QCloseEvent* event)
{
    if (!m_force && m_guard && !m_guard()) {
        event->ignore();
        return;
    }
    emit closing();
    QMdiSubWindow::closeEvent(event);
}

void CChildFrame::focusInEvent(QFocusEvent* event)
{
    QMdiSubWindow::focusInEvent(event);
    emit refreshRequested();
}

void CChildFrame::resizeEvent(QResizeEvent* event)
{
    QMdiSubWindow::resizeEvent(event);
    emit refreshRequested();
}

void CChildFrame::changeEvent(QEvent* event)
{
    QMdiSubWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        emit minimizedChanged(isMinimized());
}

} // namespace ardane
