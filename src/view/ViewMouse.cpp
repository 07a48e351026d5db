// The view's mouse tools: the press dispatch by tool, the cursors, colour
// pick, flood fill, hand scrolling, selection tracking, the painting gestures
// and the right-button context menu.

#include "view/CArdaneView.h"
#include "view/CPastedImageWnd.h"
#include "view/SelectionTracker.h"
#include "view/CTextEditWnd.h"
#include "view/ViewObjects.h"
#include "objects/CObjTracker.h"
#include "core/ToolTable.h"
#include "paint/CPaintGesture.h"
#include "raster/Canvas.h"

#include <QMouseEvent>
#include <QScrollBar>

namespace ardane {

bool CArdaneView::isTracking() const
{
    return m_gesture || m_tracker || m_handScrolling || m_band || m_drag || m_patch || m_outlineDrag;
}

void CArdaneView::updateToolCursor(std::optional<QPoint> clientPoint)
{
    if (!m_display || m_display->hasCapture())
        return; // a gesture keeps the cursor it started with
    const ToolRecord* tool = toolRecord(m_host.currentTool());
    QCursor wanted = m_noImage || !tool ? QCursor(Qt::ArrowCursor) : m_host.cursorNamed(tool->cursor);
    // Over a handle or the inside of a selected object: the tracker's cursor.
    if (clientPoint && !m_noImage && m_objects->isVisible()) {
        const QPoint at = *clientPoint + scrollOffset();
        for (const objects::ObjectPtr& o : m_objects->list()) {
            if (!o->isSelected())
                continue;
            objects::CObjTracker tracker(o->m_pts);
            const int hit = tracker.HitTest(at);
            if (hit != objects::CObjTracker::kNothing) {
                wanted = m_host.cursorNamed(objects::CObjTracker::cursorName(hit));
                break;
            }
        }
    }
    const QCursor current = m_display->cursor();
    if (current.shape() != wanted.shape() || current.hotSpot() != wanted.hotSpot()
        || current.pixmap().cacheKey() != wanted.pixmap().cacheKey())
        m_display->setCursor(wanted);
}

void CArdaneView::mousePressEvent(QMouseEvent* event)
{
    // Presses on the view around the image (the display control reports its own).
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        OnLButtonDown(p);
    else
        OnRButtonDown(p);
    event->accept();
}

void CArdaneView::mouseMoveEvent(QMouseEvent* event)
{
    // Moves of a press that began around the image (the viewport holds it).
    if (m_band || m_drag)
        objectMoved(event->position().toPoint());
    event->accept();
}

void CArdaneView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && (m_band || m_drag))
        finishObjectGesture();
    event->accept();
}

void CArdaneView::OnLButtonDown(const QPoint& p)
{
    // The click that ends visual patching does nothing else.
    if (m_patch) {
        endVisualPatch(true);
        return;
    }
    if (isTracking())
        return;
    const int t = m_host.currentTool();
    const ToolRecord* tool = toolRecord(t);

    // A press while a text is being typed only ends the typing.
    if (m_host.textEntry().isVisible()) {
        endTextEdit();
        return;
    }
    // With a selection tool, a press inside the selection drags its outline.
    if (!m_noImage && m_display && tool && tool->action == ToolAction::Select && beginOutlineDrag(p))
        return;
    // The object tools first: reshape, edit again, select and move, or drag
    // out a new object.
    if (!m_noImage && m_display && tool && tool->action == ToolAction::DrawObject && objectToolPress(t, p))
        return;
    // Every press but the colour pick deselects the drawing objects and the
    // pasted windows.
    if (t != kPickColorTool) {
        m_objects->deselectAll(3 * zoomFactor());
        for (CPastedImageWnd* w : pastedWindows())
            w->setSelected(false);
    }
    if (m_noImage || !m_display || !m_display->geometry().contains(p))
        return;
    if (t != kPickColorTool)
        eraseSelection(true);
    if (m_zoom == 100)
        m_zoomRect = QRect();

    const ToolAction action = tool ? tool->action : ToolAction::Select;
    switch (action) {
    case ToolAction::Paint:
        runPaintGesture(tool->paintKind, p);
        return;
    case ToolAction::PickColor:
        pickColor(p);
        return;
    case ToolAction::Fill:
        floodFill(p);
        return;
    case ToolAction::Scroll:
        beginHandScroll(p);
        return;
    case ToolAction::Select:
    case ToolAction::DrawObject:
        break;
    }
    // Selection tracking, only while the whole image is shown.
    if (m_zoom == 100 || m_zoomRect.isEmpty())
        beginSelectionTracking(tool && tool->selectionShape ? tool->selectionShape : m_selection.shape, p);
    refreshToolbarStates();
}

void CArdaneView::OnRButtonDown(const QPoint& p)
{
    // A selected drawing object under the point shows the menu of its kind;
    // otherwise the image's own.
    int kind = 0;
    if (const objects::CGeneralObj* o = m_objects->selectedAt(p + scrollOffset()))
        kind = o->kind() == objects::ObjectKind::Text ? 2 : 3;
    m_host.showContextMenu(kind, viewport()->mapToGlobal(p));
}

// ---- painting ----------------------------------------------------------------

void CArdaneView::runPaintGesture(int kind, const QPoint& viewPoint)
{
    if (!m_editor->prepareUndo())
        return;
    m_host.snapPenColor();
    const PaintSettings& s = m_host.paintSettings();
    paint::GestureSettings settings;
    settings.penColor = s.penColor;
    settings.drawMode = s.drawMode;
    settings.brushStyle = m_host.currentBrushStyle();
    settings.sprayStyle = m_host.currentSprayStyle();
    settings.areaShape = s.areaShape;
    settings.shuffleDensity = s.shuffleDensity;
    settings.zoom = m_zoom;
    settings.zoomOrigin = zoomOrigin();
    m_display->beginCapture();
    m_gesture = std::make_unique<paint::CPaintGesture>(kind, *m_display, settings);
    m_gesture->Begin(viewPoint);
    if (!m_gesture->isActive())
        finishTracking();
}

void CArdaneView::pickColor(const QPoint& viewPoint)
{
    const QPoint at = viewToImage(viewPoint);
    raster::Canvas& canvas = m_display->AcquireImageDc();
    const ColorRef colour = canvas.pixel(at.x(), at.y());
    m_display->ReleaseImageDc();
    if (colour == raster::kInvalidColor)
        return;
    m_host.paintSettings().penColor = colour;
    m_host.penColorChanged();
    // The detailed adjustment marks the picked colour's levels.
    if (PreciseAdjuster* precise = m_host.adjustDialogs().precise; precise && precise->isShown())
        precise->markColor(colour);
}

void CArdaneView::floodFill(const QPoint& viewPoint)
{
    const QPoint at = viewToImage(viewPoint);
    if (!m_editor->prepareUndo())
        return;
    raster::Canvas& canvas = m_display->AcquireImageDc();
    canvas.setBrush(m_host.paintSettings().penColor);
    const ColorRef surface = canvas.pixel(at.x(), at.y());
    const bool filled = surface != raster::kInvalidColor && canvas.floodFill(at.x(), at.y(), surface);
    m_display->ReleaseImageDc();
    if (!filled)
        return;
    afterEdit();
    m_doc.setModified(true);
    refreshToolbarStates();
}

// ---- hand scrolling --------------------------------------------------------------

void CArdaneView::beginHandScroll(const QPoint& viewPoint)
{
    if (m_display->hasCapture())
        return;
    m_display->beginCapture();
    m_handScrolling = true;
    m_handLast = viewPoint;
}

// ---- selection tracking ------------------------------------------------------------

void CArdaneView::beginSelectionTracking(int shape, const QPoint& viewPoint)
{
    m_display->beginCapture();
    m_tracker = std::make_unique<SelectionTracker>(shape, m_display->rect(), zoomFactor(), zoomOrigin(),
                                                   m_display->viewToControl(viewPoint));
    m_display->setOutline(shape, m_tracker->outline());
}

// ---- moves and the release -------------------------------------------------------

void CArdaneView::displayMoved(const QPoint& controlPoint)
{
    if (m_patch) {
        visualPatchMoved(controlPoint);
        return;
    }
    if (m_outlineDrag) {
        outlineDragMoved(controlPoint);
        return;
    }
    if (m_band || m_drag) {
        objectMoved(m_display->mapTo(viewport(), controlPoint));
        return;
    }
    if (m_gesture) {
        m_gesture->MouseMove(controlPoint);
        return;
    }
    if (m_tracker) {
        m_tracker->moveTo(controlPoint);
        m_display->setOutline(m_tracker->shape(), m_tracker->outline());
        return;
    }
    if (m_handScrolling) {
        // One line step per move, in the direction moved, where the image
        // is larger than the window.
        const QPoint p = m_display->mapTo(viewport(), controlPoint);
        const QSize total = totalSize();
        const QSize client = viewport()->size();
        if (p.x() != m_handLast.x() && total.width() > client.width())
            horizontalScrollBar()->triggerAction(p.x() > m_handLast.x() ? QAbstractSlider::SliderSingleStepAdd
                                                                        : QAbstractSlider::SliderSingleStepSub);
        if (p.y() != m_handLast.y() && total.height() > client.height())
            verticalScrollBar()->triggerAction(p.y() > m_handLast.y() ? QAbstractSlider::SliderSingleStepAdd
                                                                      : QAbstractSlider::SliderSingleStepSub);
        m_handLast = p;
        return;
    }
    updateToolCursor(m_display->mapTo(viewport(), controlPoint));
}

void CArdaneView::displayReleased()
{
    // Visual patching runs with the button up; only a click ends it.
    if (isTracking() && !m_patch)
        finishTracking();
}

void CArdaneView::displayCaptureLost()
{
    if (m_patch)
        endVisualPatch(false);
    else
        displayReleased();
}

void CArdaneView::finishTracking()
{
    if (m_outlineDrag) {
        endOutlineDrag();
        return;
    }
    if (m_band || m_drag) {
        finishObjectGesture();
        return;
    }
    if (m_gesture) {
        // Take the gesture first: End may dispatch nothing, but a second
        // release must not end it twice.
        std::unique_ptr<paint::CPaintGesture> gesture = std::move(m_gesture);
        if (gesture->isActive())
            gesture->End();
        gesture.reset();
        m_display->endCapture();
        afterEdit();
        m_doc.setModified(true);
        refreshToolbarStates();
        return;
    }
    if (m_tracker) {
        std::unique_ptr<SelectionTracker> tracker = std::move(m_tracker);
        m_display->endCapture();
        m_display->clearOutline();
        if (const auto result = tracker->result()) {
            m_selection = *result;
            m_savedSelection = *result;
        }
        showOutline();
        viewport()->update();
        refreshToolbarStates();
        return;
    }
    if (m_handScrolling) {
        m_handScrolling = false;
        m_display->endCapture();
    }
}

} // namespace ardane
