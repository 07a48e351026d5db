#include "view/CArdaneView.h"

#include "view/ImageSaver.h"
#include "core/CommandIds.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace ardane {

namespace {

// The wait cursor for the life of a long operation.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QColor toColor(ColorRef c)
{
    return QColor(colorRefRed(c), colorRefGreen(c), colorRefBlue(c));
}

} // namespace

QRect selectionBounds(const std::vector<std::uint32_t>& points)
{
    if (points.empty())
        return {};
    int left = 0xFFFF, top = 0xFFFF, right = 0, bottom = 0;
    for (const std::uint32_t p : points) {
        const int x = int(p & 0xFFFF), y = int(p >> 16);
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x);
        bottom = std::max(bottom, y);
    }
    return QRect(QPoint(left, top), QSize(right - left, bottom - top));
}

CArdaneView::CArdaneView(ViewHost& host, doc::CArdaneDoc& document, QWidget* parent)
    : QAbstractScrollArea(parent), m_host(host), m_doc(document)
{
    setFrameShape(QFrame::NoFrame);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    m_doc.setImage(this);
    registerCommands();
}

CArdaneView::~CArdaneView()
{
    if (m_doc.image() == this)
        m_doc.setImage(nullptr);
}

void CArdaneView::OnInitialUpdate()
{
    WaitCursor wait;
    const int m = m_host.displayPrefs().margin();
    m_display = new CImagingCtrl(kDisplayId, viewport());
    m_display->setGeometry(m, m, 20, 20);
    m_display->DisplayDither = m_host.displayPrefs().ditherMode;
    m_display->DisplayPaletteMode = m_host.displayPrefs().paletteMode;
    connect(m_display, &CImagingCtrl::buttonPressed, this, [this](const QPoint& pos, Qt::MouseButton button) {
        emit displayPressed(m_display->mapTo(this, pos), button);
    });

    imaging::ImagingControl& control = m_display->control();
    const QString path = m_doc.path();
    if (path.isEmpty()) {
        if (const auto r = control.CreateImage(m_doc.width(), m_doc.height(), 24); r != imaging::result::Ok)
            return loadFailure(r);
        if (const auto r = control.FillImage(m_host.backgroundColor()); r != imaging::result::Ok)
            return loadFailure(r);
        control.SetXResolution(std::int16_t(m_doc.xResolution()));
        control.SetYResolution(std::int16_t(m_doc.yResolution()));
        m_doc.setModified(true);
    } else if (doc::isLayeredFile(path)) {
        if (!m_host.layeredFormat().read(path, control))
            return loadFailure(imaging::result::ReadError);
        m_layered = true;
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
    // Qt gives the movement of the contents; positions moved the other way.
    const int f = m_zoom / 100;
    const int moveX = -dx / f, moveY = -dy / f;
    for (std::uint32_t& p : m_selection)
        p = packPoint(int(p & 0xFFFF) - moveX, int(p >> 16) - moveY);
    placeDisplay();
    viewport()->update();
}

void CArdaneView::SetZoom(int z)
{
    if (m_noImage || !m_display)
        return;
    z = std::clamp(z / 100 * 100, kMinZoom, kMaxZoom);
    m_display->hide();
    const bool hadZoomRect = m_zoom != 100 && !m_zoomRect.isEmpty();
    if (m_zoom == 100 && z != 100 && m_selection.size() > 2) {
        m_zoomRect = selectionBounds(m_selection);
        m_savedSelection = m_selection;
    }
    if (z == 100)
        m_zoomRect = QRect();
    bool restored = false;
    if (z == 100 && hadZoomRect && !m_savedSelection.empty()) {
        m_selection = std::move(m_savedSelection);
        m_savedSelection.clear();
        restored = true;
    }
    m_zoom = z;
    if (!restored)
        m_selection.clear();
    refitDisplay();
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
    for (std::uint32_t& p : m_selection)
        p = packPoint(int(p & 0xFFFF) + delta, int(p >> 16) + delta);
}

void CArdaneView::zoomCommand(int, int target)
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

void CArdaneView::registerCommands()
{
    const auto fixedZoom = [this](int id, int target) {
        m_commands.on(id, [this, id, target] { zoomCommand(id, target); }, [this, target](CommandState& s) {
            s.checked = m_zoom == target;
            s.enabled = m_zoom != target;
        });
    };
    fixedZoom(ID_VIEW_100, 100);
    fixedZoom(ID_VIEW_200, 200);
    fixedZoom(ID_VIEW_300, 300);
    m_commands.on(ID_VIEW_NORMAL, [this] { zoomCommand(ID_VIEW_NORMAL, 100); },
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

bool CArdaneView::saveImage(bool withDialog)
{
    if (m_noImage || !m_display)
        return false;
    ImageSaver saver(m_host, m_doc, m_display->control(), m_layered);
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
