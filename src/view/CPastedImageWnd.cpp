#include "view/CPastedImageWnd.h"

#include "view/CImagingCtrl.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace ardane {

CPastedImageWnd::CPastedImageWnd(int id, const imaging::Bitmap& image,
                                 std::vector<std::pair<std::int32_t, std::int32_t>> outline, int shape,
                                 int zoomFactor, QWidget* parent)
    : QWidget(parent), m_id(id), m_outline(std::move(outline)), m_shape(shape)
{
    m_control.SetImageHandle(image);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(image.width() * zoomFactor, image.height() * zoomFactor);
}

void CPastedImageWnd::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
    emit selectionChanged();
}

void CPastedImageWnd::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QImage& image = m_control.ImageHandle().image();
    const QImage part = scaleExposed(image, image.rect(), size(), event->rect());
    if (!part.isNull())
        painter.drawImage(event->rect().topLeft(), part);
    if (m_selected) {
        QPen pen(Qt::black, 1, Qt::DashLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void CPastedImageWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        setSelected(!m_selected);
    event->accept();
}

} // namespace ardane
