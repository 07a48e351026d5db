// The main frame's paint-settings commands: pen and background colour, draw
// mode, shuffle density, area size and shape, capture scale, and the default
// text and shape-object parameters. The handlers and update rules are those
// of PaintCommands; this file binds them to the frame's dialogs and wells.

#include "app/CMainFrame.h"
#include "view/CArdaneView.h"
#include "core/TextFont.h"
#include "core/CommandIds.h"
#include "view/UiServices.h"

namespace ardane {

void CMainFrame::registerPaintCommands()
{
    m_paint.chooseColor = [this](ColorRef initial) { return m_ui.chooseColor(initial); };
    m_paint.chooseTextDepth = [this](int initial) { return m_ui.chooseTextDepth(initial); };
    m_paint.changed = [this](int id) {
        if (id == ID_PEN_COLOR || id == ID_BACKGROUND_COLOR)
            updateColorWells();
        // The selected objects of the active view show their new parameters
        // (and take a new pen colour).
        if (CArdaneView* view = activeView())
            view->objectSettingsChanged(id);
    };
    // While an object of the kind is selected in the active view, the text
    // and object commands edit its own parameters.
    m_paint.currentTextParams = [this]() -> TextParams& {
        if (CArdaneView* view = activeView())
            if (TextParams* p = view->currentTextParams())
                return *p;
        return m_paint.settings.textDefaults;
    };
    m_paint.currentObjectParams = [this]() -> ObjectParams& {
        if (CArdaneView* view = activeView())
            if (ObjectParams* p = view->currentObjectParams())
                return *p;
        return m_paint.settings.objectDefaults;
    };
    connect(this, &CMainFrame::textFontChosen, this, [this](const FontState& font) {
        if (CArdaneView* view = activeView())
            view->applyToolbarFont(font);
    });

    const auto run = [this](int id) { handlePaintCommand(id, m_paint); };
    const auto update = [this](int id, CommandState& s) {
        if (const auto state = paintCommandState(id, m_paint))
            s = *state;
    };
    // The paint commands' ids all lie between "&Circle" and "Shadow/3D Color".
    for (int id = ID_TEXT_CIRCLE; id <= ID_TEXT_SHADOW_COLOR; ++id)
        if (isPaintCommand(id))
            m_commands.on(id, [run, id] { run(id); }, [update, id](CommandState& s) { update(id, s); });
}

} // namespace ardane
