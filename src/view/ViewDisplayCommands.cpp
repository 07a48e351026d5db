// The view's zoom and display commands.

#include "view/CArdaneView.h"
#include "core/CommandIds.h"

namespace ardane {

void CArdaneView::zoomCommand(int target)
{
    if (m_zoom == target)
        return;
    SetZoom(target);
}

void CArdaneView::setDisplayDither(int mode)
{
    if (!m_display)
        return;
    m_display->DisplayDither = mode;
    m_host.displayPrefs().ditherMode = mode;
    m_display->update();
}

void CArdaneView::setDisplayPalette(int mode)
{
    if (!m_display)
        return;
    m_display->DisplayPaletteMode = mode;
    m_host.displayPrefs().paletteMode = mode;
    m_display->update();
}

void CArdaneView::registerDisplayCommands()
{
    const auto fixedZoom = [this](int id, int target) {
        m_commands.on(id, [this, target] { zoomCommand(target); }, [this, target](CommandState& s) {
            s.checked = m_zoom == target;
            s.enabled = m_zoom != target;
        });
    };
    fixedZoom(ID_VIEW_100, 100);
    fixedZoom(ID_VIEW_200, 200);
    fixedZoom(ID_VIEW_300, 300);
    m_commands.on(ID_VIEW_NORMAL, [this] { zoomCommand(100); },
                  [this](CommandState& s) { s.enabled = m_zoom != 100; });
    m_commands.on(ID_VIEW_ZOOM_IN, [this] { if (m_zoom < kMaxZoom) SetZoom(m_zoom + 100); },
                  [this](CommandState& s) { s.enabled = m_zoom < kMaxZoom; });
    m_commands.on(ID_VIEW_ZOOM_OUT, [this] { if (m_zoom > kMinZoom) SetZoom(m_zoom - 100); },
                  [this](CommandState& s) { s.enabled = m_zoom > kMinZoom; });
    m_commands.on(ID_VIEW_MARGIN, [this] { toggleMargin(); },
                  [this](CommandState& s) { s.checked = m_host.displayPrefs().marginShown != 0; });
    m_commands.on(ID_DISPLAY_DIFFUSION, [this] { setDisplayDither(1); },
                  [this](CommandState& s) { s.checked = m_display && m_display->DisplayDither == 1; });
    m_commands.on(ID_DISPLAY_ORDERED, [this] { setDisplayDither(0); },
                  [this](CommandState& s) { s.checked = m_display && m_display->DisplayDither == 0; });
    m_commands.on(ID_DISPLAY_PALETTE_AUTO, [this] { setDisplayPalette(0); },
                  [this](CommandState& s) { s.checked = m_display && m_display->DisplayPaletteMode == 0; });
    m_commands.on(ID_DISPLAY_PALETTE_FIXED, [this] { setDisplayPalette(1); },
                  [this](CommandState& s) { s.checked = m_display && m_display->DisplayPaletteMode == 1; });
    m_commands.on(ID_VIEW_BACKGROUND_COLOR, [this] {
        if (const auto c = m_host.ui().chooseColor(m_host.displayPrefs().viewBackground)) {
            m_host.displayPrefs().viewBackground = *c;
            m_host.viewBackgroundChanged();
        }
    });
}

} // namespace ardane
