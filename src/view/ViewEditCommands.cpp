// The view's edit commands: copy, cut, paste, delete, trim, flip and undo,
// on the selection or, without one, on the whole image.

#include "view/CArdaneView.h"
#include "view/ViewObjects.h"
#include "view/CPastedImageWnd.h"
#include "view/ClipboardBuffer.h"
#include "view/WaitCursor.h"
#include "core/CommandIds.h"

#include <QScrollBar>

namespace ardane {

void CArdaneView::registerEditCommands()
{
    const auto withImage = [this](auto action) {
        return [this, action] {
            if (!m_noImage && m_display && !isTracking())
                (this->*action)();
        };
    };
    m_commands.on(ID_EDIT_COPY, withImage(&CArdaneView::editCopy), [](CommandState& s) { s.enabled = true; });
    m_commands.on(ID_EDIT_CUT, withImage(&CArdaneView::editCut),
                  [this](CommandState& s) { s.enabled = m_selection.exists(); });
    m_commands.on(ID_EDIT_PASTE, withImage(&CArdaneView::editPaste),
                  [this](CommandState& s) { s.enabled = m_host.clipboard().hasImage(); });
    m_commands.on(ID_EDIT_DELETE, withImage(&CArdaneView::editDelete),
                  [this](CommandState& s) { s.enabled = hasSelectedWindow() || m_objects->anySelected(); });
    m_commands.on(ID_EDIT_TRIM, withImage(&CArdaneView::editTrim),
                  [this](CommandState& s) { s.enabled = m_selection.exists(); });
    m_commands.on(ID_EDIT_FLIP_HORIZONTAL, [this] {
        if (!m_noImage && m_display && !isTracking())
            editFlip(true);
    }, [](CommandState& s) { s.enabled = true; });
    m_commands.on(ID_EDIT_FLIP_VERTICAL, [this] {
        if (!m_noImage && m_display && !isTracking())
            editFlip(false);
    }, [](CommandState& s) { s.enabled = true; });
    m_commands.on(ID_EDIT_UNDO, withImage(&CArdaneView::editUndo),
                  [this](CommandState& s) { s.enabled = m_editor && m_editor->hasUndo(); });
}

void CArdaneView::editCopy()
{
    if (!m_editor->copy(m_selection, m_host.clipboard())) {
        m_zoomRect = QRect();
        refitDisplay();
        afterEdit();
    }
    refreshToolbarStates();
}

void CArdaneView::editCut()
{
    if (!m_selection.exists())
        return;
    WaitCursor wait;
    if (m_editor->cut(m_selection, m_host.clipboard(), m_host.paintSettings().backgroundColor)) {
        afterEdit();
        m_doc.setModified(true);
    }
    refreshToolbarStates();
}

void CArdaneView::editPaste()
{
    ClipboardBuffer& buffer = m_host.clipboard();
    if (!buffer.hasImage())
        return;
    WaitCursor wait;
    eraseSelection(true);
    if (!m_zoomRect.isEmpty()) {
        m_zoomRect = QRect();
        refitDisplay();
    }
    const imaging::Bitmap& image = buffer.control().ImageHandle();
    auto* window = new CPastedImageWnd(ClipboardBuffer::nextWindowId(), image, buffer.outline(), buffer.shape(),
                                       zoomFactor(), viewport());
    window->move(m_display->pos());
    connect(window, &CPastedImageWnd::selectionChanged, this, &CArdaneView::refreshToolbarStates);
    m_pasted.emplace_back(window);
    window->show();
    window->raise();
    refreshToolbarStates();
}

void CArdaneView::editDelete()
{
    for (auto& w : m_pasted) {
        if (w && w->isSelected()) {
            const QRect area = w->geometry().adjusted(-2, -2, 2, 2);
            delete w.data();
            viewport()->update(area);
        }
    }
    std::erase_if(m_pasted, [](const QPointer<CPastedImageWnd>& w) { return w.isNull(); });
    std::vector<const objects::CGeneralObj*> selected;
    for (const objects::ObjectPtr& o : m_objects->list())
        if (o->isSelected())
            selected.push_back(o.get());
    for (const objects::CGeneralObj* o : selected) {
        m_objects->remove(*o, 2);
        m_doc.setModified(true);
    }
    refreshToolbarStates();
}

void CArdaneView::editTrim()
{
    if (!m_selection.exists())
        return;
    WaitCursor wait;
    if (!m_editor->trim(m_selection, m_host.paintSettings().backgroundColor))
        return;
    eraseSelection(true);
    m_zoomRect = QRect();
    refitDisplay();
    afterEdit();
    m_doc.setModified(true);
    refreshToolbarStates();
}

void CArdaneView::editFlip(bool horizontal)
{
    WaitCursor wait;
    if (!m_editor->flip(horizontal, m_selection, m_host.paintSettings().drawMode))
        return;
    afterEdit();
    m_doc.setModified(true);
    refreshToolbarStates();
}

void CArdaneView::editUndo()
{
    if (!m_editor->undo())
        return;
    // The image may have had another size before the last edit.
    refitDisplay();
    showOutline();
    afterEdit();
    refreshToolbarStates();
}

} // namespace ardane
