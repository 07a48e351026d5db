#include "view/CTextEditWnd.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextDocument>

namespace ardane {

CTextEditWnd::CTextEditWnd() = default;

CTextEditWnd::~CTextEditWnd()
{
    m_onEnd = nullptr;
    delete m_field.data();
}

void CTextEditWnd::begin(QWidget* parent, const QRect& rect, const QString& text, const QFont& font, EndHandler onEnd)
{
    end();
    if (!parent)
        return;
    auto* field = new QPlainTextEdit(parent); // owned by the parent; deleted when the edit ends
    field->setObjectName(QStringLiteral("textEntry%1").arg(kFieldId));
    field->setFrameStyle(0);
    field->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    field->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    field->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    field->document()->setDocumentMargin(1);
    field->setFont(font);
    field->setPlainText(text);
    field->setGeometry(rect);
    field->installEventFilter(this);
    m_field = field;
    m_onEnd = std::move(onEnd);
    connect(field, &QPlainTextEdit::textChanged, this, &CTextEditWnd::grow);
    field->show();
    field->raise();
    field->setFocus(Qt::OtherFocusReason);
    field->moveCursor(QTextCursor::End);
    grow();
}

bool CTextEditWnd::isVisible() const
{
    return m_field && m_field->isVisible();
}

void CTextEditWnd::end()
{
    if (!m_field || m_ending)
        return;
    m_ending = true;
    QPlainTextEdit* field = m_field;
    const QString text = field->toPlainText();
    const QRect rect = field->geometry();
    field->removeEventFilter(this);
    field->hide();
    field->deleteLater();
    m_field = nullptr;
    EndHandler handler = std::move(m_onEnd);
    m_onEnd = nullptr;
    m_ending = false;
    if (handler)
        handler(text, rect);
}

bool CTextEditWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field && event->type() == QEvent::FocusOut)
        end();
    return QObject::eventFilter(watched, event);
}

void CTextEditWnd::grow()
{
    if (!m_field)
        return;
    // The text reached the edge when its lines no longer fit the field:
    // the box grows on every side until they do (or it cannot grow).
    for (int guard = 0; guard < 64; ++guard) {
        QScrollBar* bar = m_field->verticalScrollBar();
        const bool overflows = bar && bar->maximum() > 0;
        if (!overflows)
            return;
        const QRect r = m_field->geometry().adjusted(-kGrowth, -kGrowth, kGrowth, kGrowth);
        m_field->setGeometry(r);
        m_field->verticalScrollBar()->setValue(0);
    }
}

} // namespace ardane
