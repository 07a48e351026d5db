#include "view/CObjectWnd.h"

#include "objects/CObjTracker.h"
#include "raster/Canvas.h"

#include <QPainter>
#include <QPaintEvent>

namespace ardane {

CObjectWnd::CObjectWnd(int id, objects::CGeneralObj& object, QWidget* parent)
    : QWidget(parent), m_id(id), m_object(object)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    setObjectName(QStringLiteral("drawingObject%1").arg(id));
}

void CObjectWnd::place(QPoint scroll)
{
    // A tracker's handles reach a few pixels past the corners: the window
    // is that much larger than the object on every side.
    const QRect r = m_object.windowRect().toQRect().translated(-scroll);
    setGeometry(r.adjusted(-kHandleMargin, -kHandleMargin, kHandleMargin, kHandleMargin));
}

void CObjectWnd::paintEvent(QPaintEvent* event)
{
    const QSize size(m_object.windowRect().width(), m_object.windowRect().height());
    QPainter painter(this);
    painter.setClipRect(event->rect());
    const objects::CObjTracker tracker(m_object.m_pts, m_object.isSelected());
    const QPoint origin = m_object.windowRect().topLeft() - QPoint(kHandleMargin, kHandleMargin);
    const bool trackerFirst = m_object.kind() == objects::ObjectKind::Line;
    if (m_object.isSelected() && trackerFirst)
        tracker.draw(painter, -origin);

    // The shape is drawn by the object onto a transparent buffer the size of
    // the window: what it does not cover stays clear and the image shows.
    imaging::Bitmap buffer = size.isEmpty() ? imaging::Bitmap()
                                            : imaging::Bitmap::create(size.width(), size.height(), 32);
    if (!buffer.isNull()) {
        buffer.image().fill(0);
        {
            raster::Canvas canvas(buffer);
            m_object.DrawObject(canvas, objects::DrawTarget::Screen, 0, 0, raster::R2_COPYPEN);
        }
        painter.drawImage(kHandleMargin, kHandleMargin, buffer.image());
    }
    if (m_object.isSelected() && !trackerFirst)
        tracker.draw(painter, -origin);
}

} // namespace ardane
