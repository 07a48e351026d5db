#include "view/CPatchWnd.h"

#include "view/ShapeRegion.h"

#include <QPaintEvent>
#include <QPainter>

namespace ardane {

int CPatchWnd::nextId()
{
    static int counter = 0;
    return ++counter;
}

CPatchWnd::CPatchWnd(int id, int shape, const QPolygon& outline, QWidget* viewport)
    : QWidget(viewport), m_id(id), m_shape(shape)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setEnabled(false);
    setObjectName(QStringLiteral("patchPreview"));
    const QRect box = outline.boundingRect();
    m_outline = outline.translated(-box.topLeft());
    setGeometry(box);
    setMask(shapeRegion(m_shape, m_outline));
}

void CPatchWnd::setContent(QImage content)
{
    m_content = std::move(content);
    update();
}

void CPatchWnd::paintEvent(QPaintEvent* event)
{
    // Nothing is erased first: until content arrives, the window shows what
    // was under it (the image at the selection's place).
    if (m_content.isNull())
        return;
    QPainter painter(this);
    painter.setClipRect(event->rect());
    painter.drawImage(QPoint(0, 0), m_content);
}

} // namespace ardane
