#include "palettes/CMainToolBar.h"

#include "core/CommandIds.h"
#include "palettes/CAngleEdit.h"
#include "palettes/CColorWell.h"
#include "palettes/CFontNameCombo.h"
#include "palettes/CFontSizeCombo.h"
#include "palettes/FontSize.h"
#include "palettes/PaletteIcons.h"

#include <QFontMetrics>

namespace ardane {

namespace {

constexpr int kDropDownHeight = 200;
constexpr int kAngleHeight = 20;

void setChecked(const ActionProvider& actions, int id, bool checked)
{
    if (QAction* a = actions(id))
        a->setChecked(checked);
}

bool isChecked(const ActionProvider& actions, int id)
{
    const QAction* a = actions(id);
    return a && a->isChecked();
}

} // namespace

CMainToolBar::CMainToolBar(const ActionProvider& actions, QWidget* parent, bool fillFonts)
    : QToolBar(QStringLiteral("Toolbar"), parent)
    , m_actions(actions)
    , m_fontName(new CFontNameCombo(this))
    , m_fontSize(new CFontSizeCombo(this))
    , m_penWell(new CColorWell(this))
    , m_backgroundWell(new CColorWell(this))
    , m_angle(new CAngleEdit(this))
{
    setObjectName(QStringLiteral("MainToolBar"));
    setIconSize(kButtonImageSize);
    setAllowedAreas(Qt::AllToolBarAreas);
    setMovable(true);
    setFloatable(true);

    // Controls are sized by the average character of the toolbar's font.
    const QFontMetrics metrics(font());
    const int w = metrics.averageCharWidth();

    m_fontName->setObjectName(QStringLiteral("FontName"));
    m_fontName->setFixedWidth(32 * w - 20);
    m_fontName->setMaxVisibleItems(kDropDownHeight / std::max(1, metrics.height() + 2));
    if (fillFonts) {
        m_fontName->fillFromSystem();
        if (m_fontName->count() > 0)
            m_fontName->setCurrentIndex(0);
    }

    m_fontSize->setObjectName(QStringLiteral("FontSize"));
    m_fontSize->setFixedWidth(8 * w);
    m_fontSize->setMaxVisibleItems(kDropDownHeight / std::max(1, metrics.height() + 2));
    m_fontSize->setFaceSource([this] {
        const FontEntry* entry = m_fontName->currentEntry();
        return entry ? entry->face : QString();
    });
    m_fontName->setFixedHeight(m_fontSize->sizeHint().height());

    m_penWell->setObjectName(QStringLiteral("PenColorWell"));
    m_backgroundWell->setObjectName(QStringLiteral("BackgroundColorWell"));
    m_angle->setObjectName(QStringLiteral("RotationAngle"));
    m_angle->setFixedSize(6 * w - 3, kAngleHeight);

    addCommandButtons(*this, kMainToolBarLayout, m_actions, [this](int slot) { return control(slot); });
    for (int id : {ID_FONT_BOLD, ID_FONT_ITALIC, ID_FONT_UNDERLINE})
        if (QAction* a = m_actions(id))
            a->setCheckable(true);

    connect(m_fontName, &QComboBox::activated, this, [this] { emit fontSelectionChanged(ID_FONT_NAME_COMBO); });
    connect(m_fontSize, &QComboBox::activated, this, [this] { emit fontSelectionChanged(ID_FONT_SIZE_COMBO); });
}

QWidget* CMainToolBar::control(int slot) const
{
    switch (slot) {
    case kSlotFontName: return m_fontName;
    case kSlotFontSize: return m_fontSize;
    case kSlotPenWell: return m_penWell;
    case kSlotBackgroundWell: return m_backgroundWell;
    case kSlotAngleEdit: return m_angle;
    default: return nullptr;
    }
}

FontState CMainToolBar::fontState()
{
    FontState state;
    QString text = m_fontName->shownText();
    if (text.isEmpty() && m_fontName->count() > 0) {
        m_fontName->setCurrentIndex(0);
        text = m_fontName->currentText();
    }
    const int row = m_fontName->findText(text, Qt::MatchFixedString);
    if (row >= 0)
        m_fontName->setCurrentIndex(row);
    if (const FontEntry* entry = m_fontName->entryAt(row)) {
        // The face itself, without the script that tells the items apart.
        state.faceName = entry->face;
        state.charSet = entry->charSet;
        state.pitchAndFamily = entry->pitchAndFamily;
    } else {
        state.faceName = text;
    }
    state.pointSize = std::max(0, m_fontSize->twipsFromText()) / 20;
    state.bold = isChecked(m_actions, ID_FONT_BOLD);
    state.italic = isChecked(m_actions, ID_FONT_ITALIC);
    state.underline = isChecked(m_actions, ID_FONT_UNDERLINE);
    return state;
}

void CMainToolBar::setFontState(const FontState& state)
{
    m_fontName->selectStartingWith(state.faceName);
    const QString size = QString::number(state.pointSize);
    const int row = m_fontSize->findText(size, Qt::MatchExactly);
    if (row >= 0)
        m_fontSize->setCurrentIndex(row);
    m_fontSize->setEditText(size);
    setChecked(m_actions, ID_FONT_BOLD, state.bold);
    setChecked(m_actions, ID_FONT_ITALIC, state.italic);
    setChecked(m_actions, ID_FONT_UNDERLINE, state.underline);
}

double CMainToolBar::angleValue() const
{
    return m_angle->angle();
}

} // namespace ardane
