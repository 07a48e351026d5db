// The main frame's two docked bars: the main toolbar with its font boxes,
// colour wells and angle field, and the quick command bar; and the font
// commands of the main toolbar.

#include "app/CMainFrame.h"
#include "core/CommandIds.h"
#include "app/CommandRegistry.h"
#include "palettes/CColorWell.h"
#include "palettes/CFontSizeCombo.h"
#include "palettes/CMainToolBar.h"
#include "palettes/CommandBars.h"
#include "view/UiServices.h"

#include <QAction>

#include <array>

namespace ardane {

namespace {

// Texts (and so tooltips) of the buttons whose commands may have no menu
// item in this window; a command that has one keeps the menu's text.
constexpr std::array<CommandText, 24> kCommandTexts{{
    {ID_FONT_BOLD, "BOLD font"},
    {ID_FONT_ITALIC, "ITALIC font"},
    {ID_FONT_UNDERLINE, "UNDERLINE font"},
    {ID_FILE_PRINT, "Print"},
    {ID_EDIT_COPY, "Copy"},
    {ID_EDIT_PASTE, "Paste"},
    {ID_ROTATE_SPECIFIED, "Rotate by the specified angle"},
    {ID_EDIT_DELETE, "Delete"},
    {ID_MERGE, "Merge"},
    {ID_ACQUIRE_SCANNER, "Acquire from scanner"},
    {ID_CAPTURE_SCREEN, "Capture screen"},
    {ID_CAPTURE_POPUP, "Capture option"},
    {ID_ROTATE_90, "Rotate 90 degree"},
    {ID_ROTATE_180, "Rotate 180 degree"},
    {ID_ROTATE_270, "Rotate 270 degree"},
    {ID_ENHANCE, "Enhance/Effects"},
    {ID_DRAW_MODE_POPUP, "Draw mode"},
    {ID_FILL_ENTIRELY, "Fill entirely"},
    {ID_FILL_INSIDE, "Fill inside selection"},
    {ID_FILL_OUTSIDE, "Fill outside selection"},
    {ID_VISUAL_PATCH, "Visual patching of selection"},
    {ID_DETAILED_ADJUSTMENT, "Detailed adjustment"},
    {ID_CURVE_ADJUSTMENT, "Curve adjustment"},
    {ID_FLAT_ADJUSTMENT, "Flat adjustment"},
}};

} // namespace

bool CMainFrame::buildDefaultBars()
{
    const ActionProvider actions = [this](int id) { return m_registry.action(id); };
    for (const CommandText& b : kCommandTexts) {
        QAction* a = m_registry.action(b.id);
        if (a->text().isEmpty())
            a->setText(QString::fromUtf8(b.text));
    }

    m_toolBar = new CMainToolBar(actions, this);
    m_toolBar->fontSizeCombo().setMessageSink(
        [this](const QString& text) { m_ui.message(text, MessageIcon::Information); });
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    m_mainBar = m_toolBar;

    addToolBarBreak(Qt::TopToolBarArea);
    m_quickBar = createQuickCommandBar(actions, this);
    addToolBar(Qt::TopToolBarArea, m_quickBar);

    registerFontCommands();
    updateColorWells();
    return true;
}

void CMainFrame::registerFontCommands()
{
    // The style buttons keep the state the user gave them.
    for (const int id : {ID_FONT_BOLD, ID_FONT_ITALIC, ID_FONT_UNDERLINE})
        m_commands.on(id, [this] { applyToolBarFont(); },
                      [this, id](CommandState& s) { s.checked = m_registry.action(id)->isChecked(); });
    connect(m_toolBar, &CMainToolBar::fontSelectionChanged, this, [this](int) { applyToolBarFont(); });
}

void CMainFrame::applyToolBarFont()
{
    if (m_toolBar && activeView())
        emit textFontChosen(m_toolBar->fontState());
}

void CMainFrame::updateColorWells()
{
    if (!m_toolBar)
        return;
    m_toolBar->penWell().setFillColor(CColorWell::fromColorRef(m_paint.settings.penColor));
    m_toolBar->backgroundWell().setFillColor(CColorWell::fromColorRef(m_paint.settings.backgroundColor));
}

} // namespace ardane
