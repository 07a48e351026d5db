#include "palettes/CFontSizeCombo.h"

#include "palettes/FontSize.h"
#include "core/StringTable.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QLineEdit>
#include <QMessageBox>

#include <algorithm>
#include <set>

namespace ardane {

CFontSizeCombo::CFontSizeCombo(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setFocusPolicy(Qt::StrongFocus);
    lineEdit()->setMaxLength(kTextLimit);
    setEditText(QStringLiteral("10"));
    m_message = [this](const QString& text) {
        QMessageBox::information(this, QApplication::applicationDisplayName(), text);
    };
}

int CFontSizeCombo::twipsFromText() const
{
    return parseFontSize(currentText().toStdString());
}

void CFontSizeCombo::selectExactItem(const QString& text)
{
    const int row = findText(text, Qt::MatchExactly);
    if (row >= 0)
        setCurrentIndex(row);
    setEditText(text);
}

void CFontSizeCombo::setTwips(int twips)
{
    if (twips != twipsFromText())
        selectExactItem(QString::fromStdString(formatFontSize(twips)));
    m_lastValid = twips;
}

void CFontSizeCombo::validate()
{
    int twips = twipsFromText();
    if (!isAcceptableFontSize(twips)) {
        if (m_message)
            m_message(stringTableText(IDS_INVALID_FONT_SIZE));
        twips = m_lastValid;
    }
    setTwips(twips);
}

std::vector<int> CFontSizeCombo::sizesForFace(const QString& face)
{
    if (face.isEmpty())
        return {};
    std::vector<int> twips;
    if (QFontDatabase::isScalable(face)) {
        for (int points : kScalableFontPoints)
            twips.push_back(points * 20);
        return twips;
    }
    // A bitmap face: its own sizes, once each by their text.
    std::set<std::string> seen;
    QList<int> points = QFontDatabase::pointSizes(face);
    std::sort(points.begin(), points.end());
    for (int p : points)
        if (seen.insert(formatFontSize(p * 20)).second)
            twips.push_back(p * 20);
    return twips;
}

void CFontSizeCombo::fillSizes(const QString& face)
{
    const QString text = currentText();
    clear();
    const bool scalable = !face.isEmpty() && QFontDatabase::isScalable(face);
    for (int twips : sizesForFace(face))
        addItem(scalable ? QString::number(twips / 20) : QString::fromStdString(formatFontSize(twips)));
    setCurrentIndex(-1);
    setEditText(text);

    int twips = twipsFromText();
    if (twips == kBadFontSize && m_message)
        m_message(stringTableText(IDS_INVALID_FONT_SIZE));
    if (!isAcceptableFontSize(twips))
        twips = m_lastValid;
    setTwips(twips);
}

void CFontSizeCombo::showPopup()
{
    fillSizes(m_face ? m_face() : QString());
    QComboBox::showPopup();
}

void CFontSizeCombo::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    // The list popping up takes the focus without the user leaving the box.
    if (event->reason() != Qt::PopupFocusReason)
        validate();
}

} // namespace ardane
