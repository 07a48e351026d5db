// Visual patching of the selection and dragging the selection outline.
//
// Visual patching is a mode of the view rather than a loop of its own: the
// command starts it, the display control's moves drive it, and the next
// left press ends it. While it runs, a preview window over the selection
// shows what lies under the moved outline; the ending click copies that
// content into the selection. The outline drag runs from a press inside the
// selection to the release, and moves only the outline.

#include "view/CArdaneView.h"

#include "core/CommandIds.h"
#include "view/CPatchWnd.h"
#include "view/SelectionTracker.h"
#include "view/WaitCursor.h"

#include <QCursor>
#include <QPainter>

namespace ardane {

namespace {

// The patching cursor: the four-way arrows of a move.
constexpr std::string_view kPatchCursor = "CURSORNSEW";

// The pointer is strictly inside the area: the first column and row are its
// edges, and so are the column and row just past its last pixels.
bool strictlyInside(const QRect& area, const QPoint& p)
{
    return p.x() > area.left() && p.x() <= area.right() && p.y() > area.top() && p.y() <= area.bottom();
}

// What the display control shows over `area` (control pixels), white where
// the area lies beyond the image shown.
QImage shownUnder(const CImagingCtrl& display, const QRect& area)
{
    QImage out(area.size(), QImage::Format_RGB32);
    if (out.isNull())
        return out;
    out.fill(Qt::white);
    const QRect inside = area & QRect(QPoint(0, 0), display.destinationSize());
    const QImage part = scaleExposed(display.control().ImageHandle().image(), display.source(),
                                     display.destinationSize(), inside);
    if (!part.isNull()) {
        QPainter painter(&out);
        painter.drawImage(inside.topLeft() - area.topLeft(), part);
    }
    return out;
}

} // namespace

void CArdaneView::registerPatchCommands()
{
    m_commands.on(ID_VISUAL_PATCH, [this] {
        if (!m_noImage && m_display && !isTracking())
            beginVisualPatch();
    }, [this](CommandState& s) { s.enabled = m_selection.exists(); });
}

CPatchWnd* CArdaneView::patchWindow() const
{
    return m_patch ? m_patch->window.data() : nullptr;
}

// ---- visual patching ---------------------------------------------------------------

void CArdaneView::beginVisualPatch()
{
    if (!m_selection.exists() || m_patch)
        return;
    const int f = zoomFactor();
    const QPolygon controlPoints = controlOutline(m_selection, f, zoomOrigin());
    const QPolygon viewPoints = controlPoints.translated(m_display->pos());

    PatchRun run;
    run.window = new CPatchWnd(CPatchWnd::nextId(), m_selection.shape, viewPoints, viewport());
    // Until the outline moves, the preview shows the selection's own place.
    const QRect box = controlPoints.boundingRect();
    run.window->setContent(shownUnder(*m_display, box));
    run.window->show();
    run.window->raise();

    m_display->beginCapture(false);
    run.area = m_display->rect() & QRect(m_display->mapFrom(viewport(), QPoint(0, 0)), viewport()->size());
    run.working = m_selection;
    m_display->setOutline(run.working.shape, controlPoints);

    // The pointer goes to the middle of the outline; moves count from there.
    const QPoint centre = box.center();
    QCursor::setPos(m_display->mapToGlobal(centre));
    run.previous = m_display->cursor();
    m_display->setCursor(m_host.cursorNamed(kPatchCursor));
    run.last = QPoint(centre.x() / f, centre.y() / f);
    m_patch = std::move(run);
}

void CArdaneView::visualPatchMoved(const QPoint& c)
{
    PatchRun& run = *m_patch;
    if (!strictlyInside(run.area, c)) {
        // Out of the area nothing new is previewed, and a click pastes nothing.
        m_display->setCursor(Qt::ForbiddenCursor);
        run.offset = QPoint();
        return;
    }
    m_display->setCursor(m_host.cursorNamed(kPatchCursor));
    const int f = zoomFactor();
    const QPoint p(c.x() / f, c.y() / f);
    const QPoint d = p - run.last;
    run.working.translate(d.x(), d.y());
    run.last = p;
    run.offset = run.working.bounds().topLeft() - m_selection.bounds().topLeft();

    const QPolygon moved = controlOutline(run.working, f, zoomOrigin());
    m_display->setOutline(run.working.shape, moved);
    if (run.window) {
        // The preview keeps its own size: the moved box has the same one.
        run.window->setContent(shownUnder(*m_display, QRect(moved.boundingRect().topLeft(), run.window->size())));
    }
}

void CArdaneView::endVisualPatch(bool byClick)
{
    if (!m_patch)
        return;
    PatchRun run = std::move(*m_patch);
    m_patch.reset();
    m_display->clearOutline();
    m_display->setCursor(run.previous);
    m_display->endCapture();
    delete run.window.data();
    if (byClick && !run.offset.isNull())
        pastePatch(run.working, m_selection);
    else
        showOutline();
    refreshToolbarStates();
}

void CArdaneView::pastePatch(const Selection& source, const Selection& destination)
{
    WaitCursor wait;
    // The work control takes the image under the source's box (the part of
    // it inside the image); "Insufficient memory!" has been shown otherwise.
    const std::optional<QPoint> corner = m_editor->cutOut(source);
    if (corner) {
        // A source box reaching beyond the image gives a smaller piece: it
        // goes where its pixels fall in the destination's box, and the
        // destination keeps its pixels where the source had none.
        const QPoint at = destination.bounds().topLeft() + (*corner - source.bounds().topLeft());
        const QRect changed =
            m_editor->copyBack(destination, at.x(), at.y(), m_host.paintSettings().drawMode, m_work, image());
        m_work.SetImageHandle(imaging::Bitmap());
        // The image changed: without this a close would not offer to save it.
        if (!changed.isEmpty())
            m_doc.setModified(true);
    }
    eraseSelection(true);
    afterEdit();
}

// ---- dragging the selection outline ---------------------------------------------------

bool CArdaneView::beginOutlineDrag(const QPoint& viewPoint)
{
    if (!m_selection.exists() || !m_display || m_display->hasCapture())
        return false;
    const QPoint at = viewToImage(viewPoint);
    if (!m_selection.region().contains(at.x(), at.y()))
        return false;
    m_display->beginCapture();
    // The image shown, in image coordinates; right and bottom one past the
    // last column and row.
    const int f = zoomFactor();
    m_outlineDrag = OutlineDrag{at, QRect(zoomOrigin(), QSize(m_display->width() / f, m_display->height() / f))};
    return true;
}

void CArdaneView::outlineDragMoved(const QPoint& controlPoint)
{
    OutlineDrag& drag = *m_outlineDrag;
    const QPoint at = viewToImage(m_display->mapTo(viewport(), controlPoint));
    const QPoint d = at - drag.last;
    if (d.isNull())
        return;
    const QRect box = m_selection.bounds().translated(d);
    const QRect& a = drag.area;
    const int right = box.left() + box.width(), bottom = box.top() + box.height();
    const int areaRight = a.left() + a.width(), areaBottom = a.top() + a.height();
    // The box may not touch the area's left, top or bottom edge; its right
    // may reach the right edge.
    if (!(box.left() > a.left() && box.top() > a.top() && right <= areaRight && bottom < areaBottom))
        return;
    m_selection.translate(d.x(), d.y());
    drag.last = at;
    showOutline();
}

void CArdaneView::endOutlineDrag()
{
    m_outlineDrag.reset();
    m_display->endCapture();
    m_savedSelection = m_selection;
    viewport()->update();
    showOutline();
    refreshToolbarStates();
}

} // namespace ardane
