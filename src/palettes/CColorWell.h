#pragma once
// A colour well: a small framed box filled with a colour (the pen or the
// background colour beside its button), optionally with a caption.

#include "core/Color.h"

#include <QColor>
#include <QFrame>


namespace ardane {

class CColorWell : public QFrame {
    Q_OBJECT
public:
    static constexpr QSize kSize{30, 20};

    explicit CColorWell(QWidget* parent = nullptr);

    void setFillColor(const QColor& color);
    QColor fillColor() const { return m_fill; }
    void setCaptionColor(const QColor& color);
    QColor captionColor() const { return m_caption; }
    void setText(const QString& text);
    QString text() const { return m_text; }

    // A 0x00BBGGRR colour value as the settings hold it.
    static QColor fromColorRef(ColorRef ref);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill = Qt::white;
    QColor m_caption = Qt::black;
    QString m_text;
};

} // namespace ardane
