#include "palettes/CAngleEdit.h"

#include <QDoubleValidator>
#include <QFocusEvent>

#include <algorithm>

namespace ardane {

CAngleEdit::CAngleEdit(QWidget* parent)
    : QLineEdit(parent)
{
    auto* validator = new QDoubleValidator(kMinAngle, kMaxAngle, 2, this);
    validator->setNotation(QDoubleValidator::StandardNotation);
    validator->setLocale(QLocale::c());
    setValidator(validator);
    setMaxLength(kTextLimit);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setText(QStringLiteral("0"));
}

double CAngleEdit::angle() const
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text().trimmed(), &ok);
    return ok ? std::clamp(value, kMinAngle, kMaxAngle) : 0.0;
}

void CAngleEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    QString current = text();
    int pos = 0;
    if (validator()->validate(current, pos) != QValidator::Acceptable)
        setText(QLocale::c().toString(angle(), 'g', 6));
}

} // namespace ardane
