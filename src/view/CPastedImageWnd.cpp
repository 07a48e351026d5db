#include "view/CPastedImageWnd.h"

#include "view/CImagingCtrl.h"
#include "view/ShapeRegion.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace ardane {

CPastedImageWnd::CPastedImageWnd(int id, const imaging::Bitmap& image,
                                 std::vector<std::pair<std::int32_t, std::int32_t>> outline, int shape,
                                 int zoomFactor, QWidget* parent)
    : QWidget(parent), m_id(id), m_outline(std::move(outline)), m_shape(shape)
{
    m_control.SetImageHandle(image);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(image.width() * zoomFactor, image.height() * zoomFactor);
    updateMask();
}

int CPastedImageWnd::scale() const
{
    const int w = m_control.ImageHandle().width();
    return w > 0 ? std::max(1, width() / w) : 1;
}

QRegion CPastedImageWnd::imageRegion() const
{
    return m_imageRegion;
}

QRegion CPastedImageWnd::frameRegion() const
{
    return QRegion(rect()) - QRegion(rect().adjusted(1, 1, -1, -1));
}

void CPastedImageWnd::updateMask()
{
    QPolygon points;
    points.reserve(qsizetype(m_outline.size()));
    for (const auto& point : m_outline)
        points.append(QPoint(point.first, point.second));
    m_imageRegion = shapeRegion(m_shape, scaledOutline(points, scale()));
    const QRegion shown = m_selected ? m_imageRegion | frameRegion() : m_imageRegion;
    // A window without a shape (no outline) stays a plain rectangle.
    if (m_imageRegion.isEmpty())
        clearMask();
    else
        setMask(shown);
}

void CPastedImageWnd::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    updateMask();
    update();
    emit selectionChanged();
}

void CPastedImageWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateMask();
}

void CPastedImageWnd::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QImage& image = m_control.ImageHandle().image();
    if (!m_imageRegion.isEmpty())
        painter.setClipRegion(m_imageRegion);
    const QImage part = scaleExposed(image, image.rect(), size(), event->rect());
    if (!part.isNull())
        painter.drawImage(event->rect().topLeft(), part);
    painter.setClipping(false);
    if (m_selected) {
        // The tracker frame: dashed black on white along the window's edge.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void CPastedImageWnd::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !parentWidget())
        return;
    m_pressed = true;
    m_dragged = false;
    m_wasSelected = m_selected;
    m_pressAt = mapToParent(event->position().toPoint());
    m_startPos = pos();
    // A press selects at once, so that the window can be dragged away.
    setSelected(true);
}

void CPastedImageWnd::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    if (!m_pressed)
        return;
    if (!(event->buttons() & Qt::LeftButton)) {
        // The button went up where we did not see it.
        m_pressed = false;
        return;
    }
    // Whole image pixels only, so that the window stays on the image's grid
    // and Merge stamps it where it is shown.
    const int f = scale();
    const QPoint d = mapToParent(event->position().toPoint()) - m_pressAt;
    const QPoint step(d.x() / f * f, d.y() / f * f);
    if (step.isNull() && !m_dragged)
        return;
    m_dragged = true;
    move(m_startPos + step);
}

void CPastedImageWnd::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    // A click without a drag on a window that was selected deselects it.
    if (!m_dragged && m_wasSelected)
        setSelected(false);
}

} // namespace ardane
