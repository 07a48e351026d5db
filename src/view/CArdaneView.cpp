#include "view/CArdaneView.h"

#include "view/CPastedImageWnd.h"
#include "view/CPatchWnd.h"
#include "view/ImageSaver.h"
#include "view/ObjectGestures.h"
#include "view/ViewObjects.h"
#include "view/WaitCursor.h"
#include "view/SelectionTracker.h"
#include "paint/CPaintGesture.h"
#include "core/CommandIds.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace ardane {

namespace {

QColor toColor(ColorRef c)
{
    return QColor(colorRefRed(c), colorRefGreen(c), colorRefBlue(c));
}

} // namespace

CArdaneView::CArdaneView(ViewHost& host, doc::CArdaneDoc& document, QWidget* parent)
    : QAbstractScrollArea(parent), m_host(host), m_doc(document)
{
    setFrameShape(QFrame::NoFrame);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    m_doc.setImage(this);
    m_objects = std::make_unique<ViewObjects>(*viewport(), [this] { return scrollOffset(); });
    m_feedback = new FeedbackOverlay(viewport());
    registerDisplayCommands();
    registerEditCommands();
    registerImageCommands();
    registerPatchCommands();
}

CArdaneView::~CArdaneView()
{
    // Signals of the child windows that go with the view (a display control
    // losing its capture, a pasted window deselected) must not reach a view
    // being taken apart.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
    // A gesture still running gives its canvases back before the control goes.
    m_gesture.reset();
    endTextEdit();
    unbindDialogs();
    if (m_doc.image() == this)
        m_doc.setImage(nullptr);
}

void CArdaneView::OnInitialUpdate()
{
    WaitCursor wait;
    const int m = m_host.displayPrefs().margin();
    m_display = new CImagingCtrl(kDisplayId, viewport());
    m_display->setGeometry(m, m, 20, 20);
    m_display->setMouseTracking(true);
    m_editor = std::make_unique<ImageEditor>(m_display->control(), m_work, m_host.ui());
    m_display->DisplayDither = m_host.displayPrefs().ditherMode;
    m_display->DisplayPaletteMode = m_host.displayPrefs().paletteMode;
    connect(m_display, &CImagingCtrl::buttonPressed, this, [this](const QPoint& pos, Qt::MouseButton button) {
        const QPoint viewPoint = m_display->mapTo(viewport(), pos);
        if (button == Qt::LeftButton)
            OnLButtonDown(viewPoint);
        else
            OnRButtonDown(viewPoint);
    });
    connect(m_display, &CImagingCtrl::mouseMoved, this, &CArdaneView::displayMoved);
    connect(m_display, &CImagingCtrl::buttonReleased, this, [this](const QPoint&, Qt::MouseButton button) {
        if (button == Qt::LeftButton)
            displayReleased();
    });
    connect(m_display, &CImagingCtrl::captureLost, this, &CArdaneView::displayCaptureLost);

    imaging::ImagingControl& control = m_display->control();
    const QString path = m_doc.path();
    if (path.isEmpty() && !m_doc.acquiredImage().isNull()) {
        // A captured or scanned picture: the view shows it at 100 %.
        control.SetImageHandle(m_doc.acquiredImage());
        m_doc.dropAcquiredImage();
        m_doc.setModified(true);
    } else if (path.isEmpty()) {
        if (const auto r = control.CreateImage(m_doc.width(), m_doc.height(), 24); r != imaging::result::Ok)
            return loadFailure(r);
        if (const auto r = control.FillImage(m_host.backgroundColor()); r != imaging::result::Ok)
            return loadFailure(r);
        control.SetXResolution(std::int16_t(m_doc.xResolution()));
        control.SetYResolution(std::int16_t(m_doc.yResolution()));
        m_doc.setModified(true);
    } else if (doc::isLayeredFile(path)) {
        if (!m_host.layeredFormat().read(path, control, m_objects->list()))
            return loadFailure(imaging::result::ReadError);
        m_layered = true;
        refitDisplay();
        adoptLoadedObjects();
    } else {
        imaging::Result r = control.ProbeFile(path, 0);
        if (r == imaging::result::Ok)
            r = control.LoadFile(path, control.ProbedBitsPerPixel(), 0);
        if (r != imaging::result::Ok)
            return loadFailure(r);
    }
    refitDisplay();
    m_display->show();
}

void CArdaneView::loadFailure(imaging::Result code)
{
    m_noImage = true;
    m_display->hide();
    UpdateScrollSizes();
    showImagingError(m_host.ui(), code);
}

void CArdaneView::refitDisplay()
{
    if (m_noImage || !m_display)
        return;
    const imaging::ImagingControl& control = m_display->control();
    QRect source(0, 0, int(control.ImageWidth()), int(control.ImageHeight()));
    if (m_zoom != 100 && !m_zoomRect.isEmpty())
        source = m_zoomRect & source;
    const int f = m_zoom / 100;
    m_display->setSource(source);
    m_display->setDestinationSize(source.size() * f);
    m_display->setDisplaySize(source.size() * f);
    UpdateScrollSizes();
}

QSize CArdaneView::totalSize() const
{
    const int m = m_host.displayPrefs().margin();
    return {m_doc.width() + 2 * m, m_doc.height() + 2 * m};
}

void CArdaneView::UpdateScrollSizes()
{
    if (!m_noImage && m_display) {
        const QSize shown = m_display->displaySize();
        m_doc.setSize(shown.width(), shown.height());
        m_display->resize(shown);
    }
    updateScrollBars();
    placeDisplay();
    viewport()->update();
}

void CArdaneView::updateScrollBars()
{
    const QSize total = totalSize();
    const QSize page = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, total.width() - page.width()));
    horizontalScrollBar()->setPageStep(std::max(1, page.width()));
    horizontalScrollBar()->setSingleStep(std::max(1, page.width() / 10));
    verticalScrollBar()->setRange(0, std::max(0, total.height() - page.height()));
    verticalScrollBar()->setPageStep(std::max(1, page.height()));
    verticalScrollBar()->setSingleStep(std::max(1, page.height() / 10));
}

void CArdaneView::placeDisplay()
{
    if (!m_display)
        return;
    const int m = m_host.displayPrefs().margin();
    m_display->move(m - horizontalScrollBar()->value(), m - verticalScrollBar()->value());
}

void CArdaneView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect total(QPoint(-horizontalScrollBar()->value(), -verticalScrollBar()->value()), totalSize());
    const QRegion exposed(event->rect());
    const QRegion inside = exposed & QRegion(total);
    for (const QRect& r : inside)
        painter.fillRect(r, toColor(m_host.displayPrefs().viewBackground));
    for (const QRect& r : exposed - inside)
        painter.fillRect(r, palette().color(QPalette::Base));
}

void CArdaneView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    placeDisplay();
}

void CArdaneView::scrollContentsBy(int dx, int dy)
{
    // The selection is kept in image coordinates and so moves with the image;
    // pasted windows move with it too.
    for (CPastedImageWnd* w : pastedWindows())
        w->move(w->pos() + QPoint(dx, dy));
    placeDisplay();
    m_objects->placeAll();
    viewport()->update();
}

QPoint CArdaneView::zoomOrigin() const
{
    return m_zoom != 100 && !m_zoomRect.isEmpty() ? m_zoomRect.topLeft() : QPoint();
}

QPoint CArdaneView::viewToImage(const QPoint& viewPoint) const
{
    const QPoint local = viewPoint - (m_display ? m_display->pos() : QPoint());
    const int f = zoomFactor();
    return QPoint(local.x() / f, local.y() / f) + zoomOrigin();
}

void CArdaneView::setSelection(Selection selection)
{
    m_selection = std::move(selection);
    showOutline();
}

void CArdaneView::showOutline()
{
    if (!m_display)
        return;
    if (m_selection.exists())
        m_display->setOutline(m_selection.shape, controlOutline(m_selection, zoomFactor(), zoomOrigin()));
    else
        m_display->clearOutline();
}

void CArdaneView::eraseSelection(bool clear)
{
    if (m_display)
        m_display->clearOutline();
    if (clear)
        m_selection.clear();
}

std::vector<CPastedImageWnd*> CArdaneView::pastedWindows() const
{
    std::vector<CPastedImageWnd*> windows;
    for (const auto& w : m_pasted)
        if (w)
            windows.push_back(w.data());
    return windows;
}

bool CArdaneView::hasSelectedWindow() const
{
    for (CPastedImageWnd* w : pastedWindows())
        if (w->isSelected())
            return true;
    return false;
}

void CArdaneView::afterEdit()
{
    if (m_display)
        m_display->update();
    viewport()->update();
}

void CArdaneView::refreshToolbarStates()
{
    m_host.refreshCommandStates();
}

void CArdaneView::SetZoom(int z)
{
    if (m_noImage || !m_display)
        return;
    z = std::clamp(z / 100 * 100, kMinZoom, kMaxZoom);
    m_display->hide();
    const bool hadZoomRect = m_zoom != 100 && !m_zoomRect.isEmpty();
    if (m_zoom == 100 && z != 100 && m_selection.exists()) {
        m_zoomRect = m_selection.bounds();
        m_savedSelection = m_selection;
    }
    if (z == 100)
        m_zoomRect = QRect();
    bool restored = false;
    if (z == 100 && hadZoomRect && m_savedSelection.exists()) {
        m_selection = std::move(m_savedSelection);
        m_savedSelection.clear();
        restored = true;
    }
    const int oldZoom = m_zoom;
    m_zoom = z;
    if (!restored)
        m_selection.clear();
    // A zoom rectangle hides the pasted windows; otherwise they follow the zoom.
    const bool zoomRectInForce = m_zoom != 100 && !m_zoomRect.isEmpty();
    const int m = m_host.displayPrefs().margin();
    const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    for (CPastedImageWnd* w : pastedWindows()) {
        w->setVisible(!zoomRectInForce);
        const QPoint rel = w->pos() + scroll - QPoint(m, m);
        w->setGeometry(QRect(QPoint(m, m) - scroll + rel * m_zoom / oldZoom, w->size() * m_zoom / oldZoom));
    }
    // The drawing objects follow the zoom too, and hide with the pasted windows.
    m_objects->rescaleAll(m_zoom, QPoint(m, m));
    m_objects->setVisible(!zoomRectInForce);
    refitDisplay();
    showOutline();
    m_display->show();
    m_host.refreshStatus();
}

void CArdaneView::toggleMargin()
{
    if (m_noImage)
        return;
    DisplayPrefs& prefs = m_host.displayPrefs();
    prefs.marginShown = prefs.marginShown ? 0 : 1;
    m_host.marginToggled(prefs.marginShown ? prefs.marginWidth : -prefs.marginWidth);
}

void CArdaneView::applyMarginChange(int delta)
{
    UpdateScrollSizes();
    // The selection is in image coordinates; the pasted windows move with the image.
    for (CPastedImageWnd* w : pastedWindows())
        w->move(w->pos() + QPoint(delta, delta));
    m_objects->translateAll(delta, delta);
}

bool CArdaneView::saveImage(bool withDialog)
{
    if (m_noImage || !m_display)
        return false;
    ImageSaver saver(m_host, m_doc, m_display->control(), m_objects->list(), m_layered);
    return withDialog ? saver.saveAs() : saver.save();
}

bool CArdaneView::convertColorDepth(int bits, int paletteOption, int ditherOption)
{
    if (m_noImage || !m_display)
        return false;
    WaitCursor wait;
    const auto r = m_display->control().ConvertColorDepth(bits, paletteOption, ditherOption, 0);
    if (r != imaging::result::Ok) {
        showImagingError(m_host.ui(), r);
        return false;
    }
    m_display->RepaintNow();
    return true;
}

std::int64_t CArdaneView::memorySize() const
{
    return hasImage() ? image().ImageHandle().memorySize() : 0;
}

QString CArdaneView::compression() const
{
    if (!m_display)
        return {};
    return QString::fromStdString(m_display->control().ProbedCompression());
}

} // namespace ardane
