#include "palettes/CColorWell.h"

#include <QPainter>

namespace ardane {

CColorWell::CColorWell(QWidget* parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, Qt::black); // the frame
    setPalette(p);
    setFixedSize(kSize);
}

void CColorWell::setFillColor(const QColor& color)
{
    m_fill = color;
    update();
}

void CColorWell::setCaptionColor(const QColor& color)
{
    m_caption = color;
    update();
}

void CColorWell::setText(const QString& text)
{
    m_text = text;
    update();
}

QColor CColorWell::fromColorRef(ColorRef ref)
{
    return QColor(colorRefRed(ref), colorRefGreen(ref), colorRefBlue(ref));
}

void CColorWell::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        painter.fillRect(contentsRect(), m_fill);
        if (!m_text.isEmpty()) {
            if (parentWidget())
                painter.setFont(parentWidget()->font());
            painter.setPen(m_caption);
            painter.drawText(contentsRect(), Qt::AlignCenter, m_text);
        }
    }
    QFrame::paintEvent(event); // the black frame
}

} // namespace ardane
