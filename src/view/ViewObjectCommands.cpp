// The view's drawing objects: the presses of the object tools (reshape,
// edit again, select and move, drag out a new object), text editing, the
// commands that change the selected objects (parameters, colour, font,
// rotation, merge), and their place as the view scrolls and zooms.

#include "view/CArdaneView.h"

#include "view/CImagingCtrl.h"
#include "view/CTextEditWnd.h"
#include "view/ClipboardBuffer.h"
#include "view/ObjectGestures.h"
#include "view/ViewObjects.h"
#include "view/WaitCursor.h"
#include "core/CommandIds.h"
#include "objects/CObjTracker.h"
#include "objects/CTextObj.h"
#include "objects/ShapeObjects.h"
#include "raster/Canvas.h"

#include <QScrollBar>

#include <algorithm>

namespace ardane {

using objects::Box;
using objects::CGeneralObj;
using objects::CObjTracker;
using objects::CTextObj;
using objects::ObjectKind;

namespace {

constexpr int kToolText = 3;
constexpr int kToolEllipse = 4;
constexpr int kToolLine = 5;

QFont editFont(const CTextObj& text)
{
    const FontState f = text.fontState();
    QFont font(f.faceName);
    font.setPixelSize(std::max(1, text.fontRecord().pixelHeight * std::max(1, text.m_nZoom / 100)));
    font.setBold(f.bold);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    return font;
}

} // namespace

const objects::ObjectList& CArdaneView::objectList() const
{
    return m_objects->list();
}

QPoint CArdaneView::scrollOffset() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

QPoint CArdaneView::controlOrigin() const
{
    const int m = m_host.displayPrefs().margin();
    return {m, m};
}

bool CArdaneView::holdsObject(const CGeneralObj* object) const
{
    return object && std::any_of(m_objects->list().begin(), m_objects->list().end(),
                                 [object](const objects::ObjectPtr& o) { return o.get() == object; });
}

// ---- presses of the object tools ---------------------------------------------------

bool CArdaneView::objectToolPress(int tool, const QPoint& clientPoint)
{
    const QPoint at = clientPoint + scrollOffset();
    const objects::Box client = objects::Box::fromQRect(viewport()->rect()).translated(scrollOffset().x(), scrollOffset().y());
    const auto startDrag = [&](CGeneralObj& o) {
        m_drag = std::make_unique<ObjectDrag>(o.m_pts, at, client);
        m_dragObject = &o;
        m_display->beginCapture();
    };

    // A handle or the inside of a selected object: reshape or move it (the
    // text tool edits a text again instead of moving it).
    for (const objects::ObjectPtr& o : m_objects->list()) {
        if (!o->isSelected() || !m_objects->isVisible())
            continue;
        CObjTracker tracker(o->m_pts);
        const int hit = tracker.HitTest(at);
        if (hit == CObjTracker::kNothing)
            continue;
        if (hit == CObjTracker::kInside && tool == kToolText && o->kind() == ObjectKind::Text) {
            beginTextEdit(static_cast<CTextObj&>(*o), false);
            return true;
        }
        startDrag(*o);
        return true;
    }
    if (m_objects->isVisible()) {
        if (CGeneralObj* o = m_objects->topmostAt(at)) {
            if (tool == kToolText && o->kind() == ObjectKind::Text) {
                beginTextEdit(static_cast<CTextObj&>(*o), false);
                return true;
            }
            // Another object: it alone becomes selected, and the press moves it.
            m_objects->deselectAll(3 * zoomFactor());
            m_objects->select(*o, true);
            if (o->kind() == ObjectKind::Text)
                m_host.showToolbarFont(static_cast<CTextObj&>(*o).fontState());
            refreshToolbarStates();
            startDrag(*o);
            return true;
        }
    }
    // A new object is dragged out over the image.
    if (!m_display->geometry().contains(clientPoint) || (m_zoom != 100 && !m_zoomRect.isEmpty()))
        return false;
    const RubberBand::Mode mode = tool == kToolEllipse ? RubberBand::Mode::Ellipse
                                  : tool == kToolLine  ? RubberBand::Mode::Line
                                                       : RubberBand::Mode::Rectangle;
    const objects::Box bounds = objects::Box::fromQRect(m_display->geometry()).translated(scrollOffset().x(), scrollOffset().y());
    m_band = std::make_unique<RubberBand>(mode, bounds, at);
    m_bandTool = tool;
    m_display->beginCapture();
    return true;
}

void CArdaneView::objectMoved(const QPoint& clientPoint)
{
    const QPoint at = clientPoint + scrollOffset();
    const QPoint scroll = scrollOffset();
    if (m_band) {
        m_band->moveTo(at);
        const QPolygon points = m_band->points().translated(-scroll);
        if (points.size() < 2)
            return;
        QPolygon shown = points;
        if (m_band->mode() == RubberBand::Mode::Rectangle) {
            const QRect r = QRect(points[0], points[1]).normalized();
            shown = QPolygon(r);
        }
        m_feedback->show(m_band->feedbackShape(), shown);
        return;
    }
    if (m_drag) {
        m_drag->moveTo(at);
        QPolygon shown;
        for (const QPoint& p : m_drag->points())
            shown << p - scroll;
        m_feedback->show(FeedbackOverlay::Shape::Polygon, shown);
    }
}

void CArdaneView::finishObjectGesture()
{
    m_display->endCapture();
    m_feedback->clear();
    if (m_band) {
        const std::unique_ptr<RubberBand> band = std::move(m_band);
        const int tool = m_bandTool;
        m_bandTool = -1;
        createObject(tool, *band);
        return;
    }
    if (m_drag) {
        const std::unique_ptr<ObjectDrag> drag = std::move(m_drag);
        CGeneralObj* object = std::exchange(m_dragObject, nullptr);
        if (!holdsObject(object) || !drag->moved())
            return;
        const objects::Box before = object->windowRect();
        object->m_pts = drag->points();
        object->FitWindowToPoints();
        object->setSelected(true);
        m_objects->changed(*object, before, 5);
        m_doc.setModified(true);
        refreshToolbarStates();
    }
}

void CArdaneView::createObject(int tool, const RubberBand& band)
{
    const auto made = newObjectBox(band.points(), tool == kToolText, tool == kToolLine);
    if (!made) {
        // Nothing was dragged out: the press deselects, as any other does.
        m_objects->deselectAll(3 * zoomFactor());
        refreshToolbarStates();
        return;
    }
    const PaintSettings& settings = m_host.paintSettings();
    objects::ObjectPtr object;
    if (tool == kToolText) {
        object = std::make_unique<CTextObj>();
    } else if (tool == kToolEllipse) {
        object = std::make_unique<objects::CEllipseObj>();
    } else if (tool == kToolLine) {
        auto line = std::make_unique<objects::CLineObj>();
        line->m_nDirection = objects::CLineObj::directionFor(made->press, made->release);
        object = std::move(line);
    } else {
        object = std::make_unique<objects::CRectObj>();
    }
    object->CreateInView(made->box, settings);
    // The box was dragged at the view's zoom: the points refer to it.
    object->m_nZoom = m_zoom;
    CTextObj* text = nullptr;
    if (tool == kToolText) {
        text = static_cast<CTextObj*>(object.get());
        text->setupNew(m_zoom, m_host.toolbarFont(), settings.textDefaults, settings.penColor);
    }
    CGeneralObj& added = m_objects->add(std::move(object), ClipboardBuffer::nextWindowId());
    m_objects->repaint(added.windowRect().inflated(5));
    m_doc.setModified(true);
    refreshToolbarStates();
    if (text)
        beginTextEdit(*text, true);
}

// ---- text editing ------------------------------------------------------------------

void CArdaneView::beginTextEdit(CTextObj& text, bool fresh)
{
    const QRect rect = text.windowRect().toQRect().translated(-scrollOffset());
    m_host.textEntry().begin(viewport(), rect, fresh ? QString() : text.text(), editFont(text),
                             [this, object = &text](const QString& typed, const QRect& clientRect) {
                                 textEditEnded(object, typed, clientRect);
                             });
}

void CArdaneView::textEditEnded(CTextObj* text, const QString& typed, const QRect& clientRect)
{
    if (!holdsObject(text))
        return;
    const objects::Box before = text->windowRect();
    const QPoint s = scrollOffset();
    if (!text->EndEdit(typed, objects::Box::fromQRect(clientRect).translated(s.x(), s.y()))) {
        m_objects->remove(*text, 5);
    } else {
        m_objects->changed(*text, before, 5);
        m_doc.setModified(true);
    }
    refreshToolbarStates();
}

void CArdaneView::endTextEdit()
{
    CTextEditWnd& entry = m_host.textEntry();
    if (entry.isVisible() && entry.field() && entry.field()->parentWidget() == viewport())
        entry.end();
}

// ---- the selected objects' parameters ------------------------------------------------

TextParams* CArdaneView::currentTextParams() const
{
    if (CGeneralObj* o = m_objects->firstSelected(true))
        return &static_cast<CTextObj*>(o)->m_options;
    return nullptr;
}

ObjectParams* CArdaneView::currentObjectParams() const
{
    if (CGeneralObj* o = m_objects->firstSelected(false))
        return &o->m_params;
    return nullptr;
}

void CArdaneView::objectSettingsChanged(int commandId)
{
    if (commandId == ID_PEN_COLOR) {
        // The new pen colour recolours every selected object.
        const ColorRef colour = m_host.paintSettings().penColor;
        for (const objects::ObjectPtr& o : m_objects->list()) {
            if (!o->isSelected())
                continue;
            o->m_color = colour;
            const objects::Box before = o->windowRect();
            o->FitWindowToPoints();
            m_objects->changed(*o, before, 0);
        }
        return;
    }
    for (const objects::ObjectPtr& o : m_objects->list())
        if (o->isSelected())
            m_objects->redraw(*o);
}

void CArdaneView::applyToolbarFont(const FontState& font)
{
    for (const objects::ObjectPtr& o : m_objects->list()) {
        if (!o->isSelected() || o->kind() != ObjectKind::Text)
            continue;
        static_cast<CTextObj&>(*o).setFontState(font);
        m_objects->redraw(*o);
        m_doc.setModified(true);
        return; // the current text object: the first selected one
    }
}

// ---- rotation and merge ------------------------------------------------------------------

bool CArdaneView::rotateSelectedObject(int degrees)
{
    for (const objects::ObjectPtr& o : m_objects->list()) {
        if (!o->isSelected() || !o->CanRotate())
            continue;
        const objects::Box before = o->windowRect();
        o->RotatePoints(degrees);
        o->FitWindowToPoints();
        m_objects->changed(*o, before, 5);
        m_doc.setModified(true);
        return true;
    }
    return false;
}

void CArdaneView::drawSelectedObjectsIntoImage()
{
    if (!m_objects->anySelected())
        return;
    const objects::ImageMapping map{controlOrigin(), zoomFactor(), zoomOrigin()};
    const int drawMode = m_host.paintSettings().drawMode;
    std::vector<CGeneralObj*> selected;
    for (const objects::ObjectPtr& o : m_objects->list())
        if (o->isSelected())
            selected.push_back(o.get());
    {
        raster::Canvas& canvas = m_display->AcquireImageDc();
        for (CGeneralObj* o : selected)
            (void)o->MergeIntoImage(canvas, map, drawMode);
        m_display->ReleaseImageDc();
    }
    // Each object's former place, a little larger, shows the merged pixels.
    for (CGeneralObj* o : selected) {
        m_objects->remove(*o, 3);
        m_doc.setModified(true);
    }
}

void CArdaneView::adoptLoadedObjects()
{
    m_objects->adoptAll([] { return ClipboardBuffer::nextWindowId(); });
    // Points refer to the zoom they were written at; the view shows 100 %.
    m_objects->rescaleAll(m_zoom, controlOrigin());
}

} // namespace ardane
