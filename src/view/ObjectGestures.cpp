#include "view/ObjectGestures.h"

#include <QPainter>
#include <QPaintEvent>

#include <algorithm>

namespace ardane {

using objects::Box;

// ---- feedback ------------------------------------------------------------------

FeedbackOverlay::FeedbackOverlay(QWidget* viewport)
    : QWidget(viewport)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setObjectName(QStringLiteral("objectFeedback"));
    hide();
}

void FeedbackOverlay::show(Shape shape, const QPolygon& points)
{
    if (!parentWidget())
        return;
    m_shape = shape;
    m_points = points;
    setGeometry(parentWidget()->rect());
    raise();
    QWidget::show();
    update();
}

void FeedbackOverlay::clear()
{
    m_shape = Shape::None;
    m_points.clear();
    hide();
}

void FeedbackOverlay::paintEvent(QPaintEvent*)
{
    if (m_shape == Shape::None || m_points.isEmpty())
        return;
    QPainter painter(this);
    // Inverted light grey, so the outline shows over any image.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 1));
    painter.setBrush(Qt::NoBrush);
    switch (m_shape) {
    case Shape::Polygon:
        painter.drawPolygon(m_points);
        break;
    case Shape::Ellipse:
        if (m_points.size() >= 2)
            painter.drawEllipse(QRect(m_points[0], m_points[1]).normalized());
        break;
    case Shape::Line:
        if (m_points.size() >= 2)
            painter.drawLine(m_points[0], m_points[1]);
        break;
    case Shape::None:
        break;
    }
}

// ---- rubber band -----------------------------------------------------------------

RubberBand::RubberBand(Mode mode, const Box& bounds, QPoint press)
    : m_mode(mode), m_bounds(bounds), m_press(clamped(press))
{
}

QPoint RubberBand::clamped(QPoint p) const
{
    return {std::clamp(p.x(), m_bounds.left, std::max(m_bounds.left, m_bounds.right - 1)),
            std::clamp(p.y(), m_bounds.top, std::max(m_bounds.top, m_bounds.bottom - 1))};
}

void RubberBand::moveTo(QPoint p)
{
    const QPoint c = clamped(p);
    if (c != m_press || m_current)
        m_current = c;
}

QPolygon RubberBand::points() const
{
    QPolygon p;
    p << m_press;
    if (m_current)
        p << *m_current;
    return p;
}

FeedbackOverlay::Shape RubberBand::feedbackShape() const
{
    switch (m_mode) {
    case Mode::Ellipse:
        return FeedbackOverlay::Shape::Ellipse;
    case Mode::Line:
        return FeedbackOverlay::Shape::Line;
    case Mode::Rectangle:
        break;
    }
    return FeedbackOverlay::Shape::Polygon;
}

std::optional<NewObjectBox> newObjectBox(const QPolygon& tracked, bool text, bool line)
{
    if (tracked.size() < 2)
        return std::nullopt;
    const QPoint a = tracked[0];
    const QPoint b = tracked[1];
    Box box = Box::normalized(a, b);
    if (line)
        return NewObjectBox{box, a, b};
    if (box.width() < 4 && box.height() < 4)
        return std::nullopt;
    if (text) {
        if (box.width() < 20)
            box = Box{box.left - 20, box.top, box.right + 20, box.bottom};
        if (box.height() < 20)
            box = Box{box.left, box.top - 20, box.right, box.bottom + 20};
    }
    return NewObjectBox{box, a, b};
}

// ---- object drag -----------------------------------------------------------------

ObjectDrag::ObjectDrag(const objects::ObjPoints& points, QPoint press, const Box& client)
    : m_tracker(points), m_press(press), m_client(client), m_points(points)
{
    m_tracker.HitTest(press);
}

void ObjectDrag::moveTo(QPoint p)
{
    if (p.x() < m_client.left || p.x() >= m_client.right || p.y() < m_client.top || p.y() >= m_client.bottom)
        return; // outside the client area: the last accepted shape stays
    m_points = m_tracker.dragged(m_press, p);
    m_moved = m_moved || p != m_press;
}

} // namespace ardane
