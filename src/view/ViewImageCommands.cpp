// The view's whole-image commands: colour separation, rotation, the
// enhancement operations, the fills and Merge, each on the whole image or,
// with a selection, on the part inside it; and the binding of the modeless
// adjustment dialogs to the view.

#include "view/CArdaneView.h"

#include "core/CommandIds.h"
#include "core/StringTable.h"
#include "imaging/EnhanceTable.h"
#include "objects/CGeneralObj.h"
#include "raster/Canvas.h"
#include "view/CPastedImageWnd.h"
#include "view/ViewObjects.h"
#include "view/WaitCursor.h"

#include <QScrollBar>

#include <algorithm>

namespace ardane {

namespace {

// The pen mix mode of a plain copy; the whole-image commands copy their
// result back with it.
constexpr int kCopyPen = 13;

constexpr struct {
    int id;
    int model;
} kSeparations[] = {
    {ID_SEPARATE_RGB, 0}, {ID_SEPARATE_CMYK, 1}, {ID_SEPARATE_CMY, 4}, {ID_SEPARATE_HSV, 2}, {ID_SEPARATE_HLS, 3},
};

} // namespace

// --- the shared selection steps ---------------------------------------------------

imaging::Result CArdaneView::applyToImageOrSelection(const ImageOperation& operation, bool pixelByPixel)
{
    if (!m_selection.exists())
        return operation(image());
    const std::optional<QPoint> corner = m_editor->cutOut(m_selection);
    if (!corner)
        return imaging::result::Ok; // "Insufficient memory!" was shown; nothing changed
    const imaging::Result r = operation(m_work);
    if (r == imaging::result::Ok) {
        if (pixelByPixel)
            (void)m_editor->copyBackPixelByPixel(m_selection, corner->x(), corner->y(), m_work, image());
        else
            (void)m_editor->copyBack(m_selection, corner->x(), corner->y(), kCopyPen, m_work, image());
    }
    m_work.SetImageHandle(imaging::Bitmap());
    return r;
}

void CArdaneView::writeBackToPlane()
{
    if (!m_planesDialog)
        return;
    const int k = m_planesDialog->selectedButton();
    if (k <= 0 || k >= m_planesDialog->buttonCount())
        return;
    m_planeControl.SetPlaneImage(k - 1, image().ImageHandle());
    m_planesDialog->repaintSelectedPreview();
    viewport()->update();
}

void CArdaneView::redrawOverObjects()
{
    // The objects and pasted windows lie over the display control: repaint
    // them over the new pixels.
    if (!m_objects->list().empty())
        m_objects->placeAll();
    for (CPastedImageWnd* w : pastedWindows())
        w->update();
    viewport()->update();
}

void CArdaneView::imageChangedSize()
{
    const QSize shown = m_display->source().size();
    const QSize now(int(image().ImageWidth()), int(image().ImageHeight()));
    if (m_zoomRect.isEmpty() ? shown != now : !QRect(QPoint(0, 0), now).contains(m_zoomRect))
        refitDisplay();
}

// --- colour separation ----------------------------------------------------------------

void CArdaneView::separate(int model)
{
    if (m_noImage || !m_display || m_planesDialog)
        return;
    eraseSelection(true);
    if (m_zoom != 100)
        SetZoom(100);
    m_backup.SetImageHandle(image().ImageHandle());
    m_planeControl.SetImageHandle(image().ImageHandle());
    if (const imaging::Result r = m_planeControl.SplitPlanes(model); r != imaging::result::Ok) {
        showImagingError(m_host.ui(), r);
        return;
    }
    m_separationType = model;
    m_planesDialog = m_host.openPlanesDialog(*this);
    if (!m_planesDialog) {
        m_host.ui().showStringMessage(IDS_INSUFFICIENT_MEMORY);
        (void)m_planeControl.MergePlanes(model);
        m_planeControl.SetImageHandle(imaging::Bitmap());
    }
    refreshToolbarStates();
}

void CArdaneView::planesDialogClosed()
{
    m_planesDialog = nullptr;
    refreshToolbarStates();
}

void CArdaneView::showBitmap(const imaging::Bitmap& bitmap)
{
    if (m_noImage || !m_display || bitmap.isNull())
        return;
    image().SetImageHandle(bitmap);
    imageChangedSize();
    m_display->RepaintNow();
    redrawOverObjects();
}

void CArdaneView::imageAdjusted()
{
    if (m_noImage || !m_display)
        return;
    imageChangedSize();
    writeBackToPlane();
    m_doc.setModified(true);
    m_display->update();
    redrawOverObjects();
    m_host.refreshStatus();
}

// --- rotation ---------------------------------------------------------------------------

void CArdaneView::rotateCommand(int degrees)
{
    if (m_noImage || !m_display || isTracking() || degrees == 0)
        return;
    if (rotateSelectedObject(degrees))
        return;
    WaitCursor wait;
    if (!m_editor->prepareUndo())
        return;
    const ColorRef fill = m_host.backgroundColor();
    const imaging::Result r = applyToImageOrSelection(
        [&](imaging::ImagingControl& c) { return c.RotateImage(-degrees * 100, true, fill); }, false);
    if (r != imaging::result::Ok)
        showImagingError(m_host.ui(), r);
    writeBackToPlane();
    eraseSelection(true);
    m_doc.setModified(true);
    refitDisplay();
    m_display->RepaintNow();
    redrawOverObjects();
    m_host.refreshStatus();
    refreshToolbarStates();
}

// --- enhancement ----------------------------------------------------------------------

void CArdaneView::applyEnhancement(const EnhanceRequest& request)
{
    const std::optional<EnhanceRecord> record = enhanceRecord(request.operation);
    if (!record || m_noImage || !m_display || isTracking())
        return;
    WaitCursor wait;
    EnhanceArgs args;
    args.value = request.value;
    args.size = request.size;
    args.channel = request.channel;
    args.direction = embossDirectionCode(request.direction);
    args.horizontal = request.horizontal;
    args.fill = m_host.backgroundColor();
    // Grey on a curved or free-hand outline is copied back pixel by pixel.
    const bool pixelByPixel = record->op == EnhanceOp::Grayscale && m_selection.shape != kSelectRect;
    const imaging::Result r = applyToImageOrSelection(
        [&](imaging::ImagingControl& c) { return record->apply(c, args); }, pixelByPixel);
    // Imaging errors of the operation are not reported; the image is as it was.
    (void)r;
    // The display's scaling is rebuilt for the new pixels (and size).
    if (m_zoom != 100)
        refitDisplay();
    else
        imageChangedSize();
    writeBackToPlane();
    m_doc.setModified(true);
    m_display->update();
    showOutline();
    redrawOverObjects();
    m_host.refreshStatus();
}

// --- fills ------------------------------------------------------------------------------

void CArdaneView::fillCommand(FillArea area)
{
    if (m_noImage || !m_display || isTracking())
        return;
    if (area != FillArea::Entirely && !m_selection.exists())
        return;
    WaitCursor wait;
    const ColorRef pen = m_host.paintSettings().penColor;
    if (area == FillArea::Entirely) {
        m_host.snapBackgroundColor();
        if (!m_editor->prepareUndo())
            return;
        if (const imaging::Result r = image().FillImage(pen); r != imaging::result::Ok)
            showImagingError(m_host.ui(), r);
    } else {
        if (!m_editor->prepareUndo())
            return;
        m_host.snapBackgroundColor();
        const std::optional<QPoint> corner = m_editor->cutOut(m_selection);
        if (corner) {
            if (area == FillArea::Inside) {
                (void)m_work.FillImage(pen);
            } else {
                // The whole image takes the colour, then what lay inside goes back.
                (void)image().FillImage(pen);
            }
            (void)m_editor->copyBack(m_selection, corner->x(), corner->y(), kCopyPen, m_work, image());
            m_work.SetImageHandle(imaging::Bitmap());
        }
    }
    writeBackToPlane();
    m_doc.setModified(true);
    m_display->update();
    showOutline();
    redrawOverObjects();
    refreshToolbarStates();
}

// --- merge --------------------------------------------------------------------------------

void CArdaneView::stampPastedWindow(CPastedImageWnd& window)
{
    // The window's corner in image coordinates; its outline is relative to it.
    const QPoint corner = viewToImage(window.pos());
    Selection shape;
    shape.shape = window.shape();
    for (const auto& [x, y] : window.outline())
        shape.points.push_back(Selection::pack(corner.x() + x, corner.y() + y));
    m_selection.shape = window.shape();
    (void)m_editor->copyBack(shape, corner.x(), corner.y(), m_host.paintSettings().drawMode, window.control(),
                             image());
}

void CArdaneView::mergeCommand()
{
    if (m_noImage || !m_display || isTracking() || !(hasSelectedWindow() || m_objects->anySelected()))
        return;
    WaitCursor wait;
    if (!m_editor->prepareUndo())
        return;
    // Every selected pasted window is stamped and goes; then every selected object.
    for (auto& w : m_pasted) {
        if (w && w->isSelected()) {
            stampPastedWindow(*w);
            delete w.data();
            m_doc.setModified(true);
        }
    }
    std::erase_if(m_pasted, [](const QPointer<CPastedImageWnd>& w) { return w.isNull(); });
    m_pasted.shrink_to_fit();
    drawSelectedObjectsIntoImage();
    m_objects->list().shrink_to_fit();
    afterEdit();
    refreshToolbarStates();
}

// --- the modeless dialogs ---------------------------------------------------------------

void CArdaneView::bindDialogs()
{
    if (m_noImage)
        return;
    const AdjustDialogs dialogs = m_host.adjustDialogs();
    const QString title = m_doc.title();
    ModelessAdjuster* const all[] = {dialogs.enhance, dialogs.precise, dialogs.curve, dialogs.flat};
    for (ModelessAdjuster* d : all) {
        if (!d || !d->isShown())
            continue;
        d->setCaption(title);
        d->bindView(this);
    }
    if (dialogs.enhance && dialogs.enhance->isShown())
        dialogs.enhance->setSizeMaximum(int(image().ImageWidth()) / 2);
}

void CArdaneView::unbindDialogs()
{
    if (m_planesDialog)
        m_planesDialog->closePanel();
    m_planesDialog = nullptr;
    const AdjustDialogs dialogs = m_host.adjustDialogs();
    if (dialogs.enhance)
        dialogs.enhance->reset();
    for (ModelessAdjuster* d : {static_cast<ModelessAdjuster*>(dialogs.precise), dialogs.curve, dialogs.flat})
        if (d && d->boundView() == this)
            d->bindView(nullptr);
    for (auto& w : m_pasted)
        delete w.data();
    m_pasted.clear();
    m_objects->clear();
}

void CArdaneView::showAdjuster(ModelessAdjuster* dialog)
{
    if (!dialog)
        return;
    dialog->showAdjuster();
    bindDialogs();
}

void CArdaneView::registerImageCommands()
{
    for (const auto& s : kSeparations)
        m_commands.on(
            s.id, [this, model = s.model] { separate(model); },
            [this](CommandState& state) { state.enabled = !m_planesDialog; });
    const auto always = [](CommandState& s) { s.enabled = true; };
    m_commands.on(ID_ROTATE_90, [this] { rotateCommand(90); }, always);
    m_commands.on(ID_ROTATE_180, [this] { rotateCommand(180); }, always);
    m_commands.on(ID_ROTATE_270, [this] { rotateCommand(270); }, always);
    m_commands.on(ID_ROTATE_SPECIFIED, [this] { rotateCommand(m_host.rotationAngle()); }, [](CommandState&) {});

    const auto dialogCommand = [this](int id, auto pick) {
        m_commands.on(
            id, [this, pick] { showAdjuster(pick(m_host.adjustDialogs())); },
            [this, pick](CommandState& s) {
                const ModelessAdjuster* d = pick(m_host.adjustDialogs());
                s.enabled = d && !d->isShown();
            });
    };
    dialogCommand(ID_ENHANCE, [](const AdjustDialogs& d) -> ModelessAdjuster* { return d.enhance; });
    dialogCommand(ID_DETAILED_ADJUSTMENT, [](const AdjustDialogs& d) -> ModelessAdjuster* { return d.precise; });
    dialogCommand(ID_CURVE_ADJUSTMENT, [](const AdjustDialogs& d) -> ModelessAdjuster* { return d.curve; });
    dialogCommand(ID_FLAT_ADJUSTMENT, [](const AdjustDialogs& d) -> ModelessAdjuster* { return d.flat; });

    m_commands.on(ID_MERGE, [this] { mergeCommand(); },
                  [this](CommandState& s) { s.enabled = hasSelectedWindow() || m_objects->anySelected(); });
    m_commands.on(ID_FILL_ENTIRELY, [this] { fillCommand(FillArea::Entirely); }, always);
    const auto withSelection = [this](CommandState& s) { s.enabled = m_selection.exists(); };
    m_commands.on(ID_FILL_INSIDE, [this] { fillCommand(FillArea::Inside); }, withSelection);
    m_commands.on(ID_FILL_OUTSIDE, [this] { fillCommand(FillArea::Outside); }, withSelection);
}

} // namespace ardane
