// The main frame's three floating palettes: their creation and placement,
// the routing of their buttons, the View items that show and hide them, and
// recording where they are when the frame closes.

#include "app/CMainFrame.h"
#include "core/CommandIds.h"
#include "app/CommandRegistry.h"
#include "palettes/CPaletteSet.h"

#include <QGuiApplication>
#include <QScreen>

namespace ardane {

bool CMainFrame::createPalettes()
{
    m_palettes = new CPaletteSet(this, [this](int id) { m_registry.execute(id); });
    m_palettes->setObjectName(QStringLiteral("palettes"));
    return true;
}

void CMainFrame::registerPaletteCommands()
{
    const auto route = [this](int id) { m_palettes->handleCommand(id); };
    m_commands.onRange(ID_TOOL_FIRST, ID_TOOL_LAST, route);
    m_commands.onRange(ID_SPRAY_STYLE_FIRST, ID_SPRAY_STYLE_LAST, route);
    m_commands.onRange(ID_BRUSH_STYLE_FIRST, ID_BRUSH_STYLE_LAST, route);
    for (const int id : {ID_VIEW_TOOL_PALETTE, ID_VIEW_BRUSH_PALETTE, ID_VIEW_SPRAY_PALETTE})
        m_commands.on(id, [this, id] { m_palettes->handleCommand(id); },
                      [this, id](CommandState& s) { s.checked = m_palettes->commandChecked(id).value_or(false); });
}

void CMainFrame::placePalettes()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    m_palettes->applyLayout(m_paletteLayout, screen ? screen->size() : QSize(1024, 768));
}

void CMainFrame::raisePalettes()
{
    // Palettes shown before the frame would otherwise lie under it where no
    // window manager keeps tool windows above their owner.
    for (QWidget* palette : {static_cast<QWidget*>(&m_palettes->tools()), static_cast<QWidget*>(&m_palettes->brushStyles()),
                             static_cast<QWidget*>(&m_palettes->sprayStyles())})
        if (!palette->isHidden())
            palette->raise();
}

void CMainFrame::recordPaletteLayout()
{
    if (m_palettes)
        m_palettes->recordLayout(m_paletteLayout);
}

} // namespace ardane
