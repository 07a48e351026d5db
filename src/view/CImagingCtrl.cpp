#include "view/CImagingCtrl.h"

#include "imaging/ops/Depth.h"
#include "imaging/ops/NearestColor.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

#include <cstring>
#include <vector>

namespace ardane {

namespace {

// One source row, x from `first` for `count` pixels, as 0xFFRRGGBB.
void fetchRow(const QImage& image, int y, int first, int count, const QList<QRgb>& table, QRgb* out)
{
    const uchar* line = image.constScanLine(y);
    switch (image.format()) {
    case QImage::Format_Indexed8: {
        const qsizetype n = table.size();
        for (int i = 0; i < count; ++i) {
            const uchar index = line[first + i];
            out[i] = index < n ? (table[index] | 0xFF000000u) : 0xFF000000u;
        }
        break;
    }
    case QImage::Format_RGB888: {
        const uchar* p = line + 3 * first;
        for (int i = 0; i < count; ++i, p += 3)
            out[i] = 0xFF000000u | (QRgb(p[0]) << 16) | (QRgb(p[1]) << 8) | QRgb(p[2]);
        break;
    }
    case QImage::Format_RGB555: {
        const auto* p = reinterpret_cast<const quint16*>(line) + first;
        for (int i = 0; i < count; ++i) {
            const quint16 v = p[i];
            const int r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
            out[i] = qRgb((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2));
        }
        break;
    }
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32: {
        const auto* p = reinterpret_cast<const QRgb*>(line) + first;
        for (int i = 0; i < count; ++i)
            out[i] = p[i] | 0xFF000000u;
        break;
    }
    default: {
        const QImage row = image.copy(first, y, count, 1).convertToFormat(QImage::Format_RGB32);
        std::memcpy(out, row.constScanLine(0), std::size_t(count) * sizeof(QRgb));
        break;
    }
    }
}

} // namespace

QImage scaleExposed(const QImage& image, const QRect& source, const QSize& destination, const QRect& exposed)
{
    const QRect area = exposed & QRect(QPoint(0, 0), destination);
    const QRect src = source & image.rect();
    if (area.isEmpty() || src.isEmpty() || destination.isEmpty())
        return {};
    QImage out(area.size(), QImage::Format_RGB32);
    if (out.isNull())
        return {};

    // Source column of each exposed destination column.
    std::vector<int> columns(std::size_t(area.width()));
    for (int i = 0; i < area.width(); ++i) {
        const qint64 dx = area.left() + i;
        columns[std::size_t(i)] = int(dx * src.width() / destination.width());
    }
    const int firstColumn = columns.front();
    const int spanWidth = columns.back() - firstColumn + 1;
    std::vector<QRgb> row(static_cast<std::size_t>(spanWidth));
    const QList<QRgb> table = image.colorTable();

    int lastSourceRow = -1;
    for (int j = 0; j < area.height(); ++j) {
        const qint64 dy = area.top() + j;
        const int sy = src.top() + int(dy * src.height() / destination.height());
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(j));
        if (sy == lastSourceRow) {
            std::memcpy(dst, out.constScanLine(j - 1), std::size_t(area.width()) * sizeof(QRgb));
            continue;
        }
        fetchRow(image, sy, src.left() + firstColumn, spanWidth, table, row.data());
        for (int i = 0; i < area.width(); ++i)
            dst[i] = row[std::size_t(columns[std::size_t(i)] - firstColumn)];
        lastSourceRow = sy;
    }
    return out;
}

CImagingCtrl::CImagingCtrl(int controlId, QWidget* parent) : QWidget(parent), m_id(controlId)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(false);
    resize(20, 20);
}

CImagingCtrl::~CImagingCtrl() = default;

QPoint CImagingCtrl::imagePoint(const QPoint& pos) const
{
    if (m_destination.isEmpty())
        return pos;
    return {m_source.left() + int(qint64(pos.x()) * m_source.width() / m_destination.width()),
            m_source.top() + int(qint64(pos.y()) * m_source.height() / m_destination.height())};
}

ColorRef CImagingCtrl::nearestColor(ColorRef colour) const
{
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s || s->depth() > 8)
        return colour;
    static const std::vector<QRgb> palette = imaging::ops::fixedPalette(8, imaging::ops::PaletteOption::Fixed);
    const int i = imaging::ops::detail::nearestIndex(palette, colorRefRed(colour), colorRefGreen(colour),
                                                     colorRefBlue(colour));
    return imaging::rgbToColorRef(palette[std::size_t(i)]);
}

void CImagingCtrl::RepaintArea(const QRect& area)
{
    update(area & rect());
}

void CImagingCtrl::setOutline(int shape, const QPolygon& points)
{
    const QRect before = m_outline.boundingRect();
    m_outlineShape = shape;
    m_outline = points;
    update(before.adjusted(-2, -2, 2, 2));
    update(m_outline.boundingRect().adjusted(-2, -2, 2, 2));
}

void CImagingCtrl::clearOutline()
{
    if (m_outline.isEmpty())
        return;
    update(m_outline.boundingRect().adjusted(-2, -2, 2, 2));
    m_outline.clear();
}

void CImagingCtrl::drawOutline(QImage& part, const QPoint& partOrigin) const
{
    if (m_outline.size() < 2)
        return;
    QPainter p(&part);
    p.translate(-partOrigin);
    // Dotted white with exclusive or: the dots invert what lies under them,
    // the gaps (black) leave it as it is.
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen pen(Qt::white, 1, Qt::DotLine);
    pen.setCosmetic(true);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QRect box = m_outline.boundingRect();
    switch (m_outlineShape) {
    case 2:
        p.drawRect(QRect(box.topLeft(), box.size() - QSize(1, 1)));
        break;
    case 4:
        p.drawEllipse(QRect(box.topLeft(), box.size() - QSize(1, 1)));
        break;
    default:
        p.drawPolygon(m_outline);
        break;
    }
}

void CImagingCtrl::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QImage& image = m_control.ImageHandle().image();
    const QRect shown = event->rect() & QRect(QPoint(0, 0), m_destination);
    QImage part = scaleExposed(image, m_source, m_destination, event->rect());
    if (!part.isNull()) {
        // Where a painting gesture's screen image covers the window, it is
        // what the window shows until the gesture is over.
        if (m_screenCanvas) {
            const QRect screenArea = QRect(m_screenCanvas->deviceOrigin(), m_screen.image().size()) & shown;
            if (!screenArea.isEmpty()) {
                QPainter p(&part);
                p.drawImage(screenArea.topLeft() - shown.topLeft(), m_screen.image(),
                            screenArea.translated(-m_screenCanvas->deviceOrigin()));
            }
        }
        drawOutline(part, shown.topLeft());
        painter.drawImage(shown.topLeft(), part);
    }
    // Anything of the window the image does not cover.
    const QRegion rest = QRegion(event->rect()) - QRegion(shown);
    for (const QRect& r : rest)
        painter.fillRect(r, Qt::white);
}

// ---- mouse ---------------------------------------------------------------

void CImagingCtrl::mousePressEvent(QMouseEvent* event)
{
    emit buttonPressed(event->position().toPoint(), event->button());
    event->accept();
}

void CImagingCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (m_capturing && m_captureNeedsButton && !(event->buttons() & Qt::LeftButton)) {
        // The button went up where we could not see it.
        loseCapture();
        return;
    }
    emit mouseMoved(event->position().toPoint());
    event->accept();
}

void CImagingCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    emit buttonReleased(event->position().toPoint(), event->button());
    event->accept();
}

bool CImagingCtrl::event(QEvent* event)
{
    if (m_capturing) {
        switch (event->type()) {
        case QEvent::WindowDeactivate:
        case QEvent::Hide:
        case QEvent::UngrabMouse:
            loseCapture();
            break;
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            if (QWidget::mouseGrabber() && QWidget::mouseGrabber() != this) {
                loseCapture();
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QWidget::event(event);
}

void CImagingCtrl::beginCapture(bool buttonHeld)
{
    if (QWidget* other = QWidget::mouseGrabber(); other && other != this)
        other->releaseMouse();
    m_capturing = true;
    m_captureNeedsButton = buttonHeld;
    // The button press already routes every move and the release here; an
    // explicit grab also keeps them when the pointer leaves the window, on
    // platforms that have one (the offscreen one used in tests has none).
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        grabMouse();
}

void CImagingCtrl::endCapture()
{
    if (!m_capturing)
        return;
    m_capturing = false;
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
}

void CImagingCtrl::loseCapture()
{
    endCapture();
    emit captureLost();
}

// ---- canvases --------------------------------------------------------------

raster::Canvas& CImagingCtrl::AcquireImageDc()
{
    if (m_imageLends++ == 0)
        m_imageCanvas = std::make_unique<raster::Canvas>(m_control.bitmapForDrawing());
    return *m_imageCanvas;
}

void CImagingCtrl::ReleaseImageDc()
{
    if (m_imageLends > 0 && --m_imageLends == 0)
        m_imageCanvas.reset();
}

QRect CImagingCtrl::visiblePart() const
{
    QRect area = rect() & QRect(QPoint(0, 0), m_destination);
    if (const QWidget* parent = parentWidget())
        area &= QRect(mapFrom(parent, QPoint(0, 0)), parent->size());
    return area;
}

raster::Canvas& CImagingCtrl::AcquireWindowDc()
{
    if (m_screenLends++ == 0) {
        // The screen image: what the visible part of the window shows now.
        const QRect area = visiblePart();
        QImage shown;
        if (!area.isEmpty())
            shown = scaleExposed(m_control.ImageHandle().image(), m_source, m_destination, area);
        if (shown.isNull())
            m_screen = imaging::Bitmap::create(1, 1, 32);
        else
            m_screen = imaging::Bitmap::fromImage(shown.convertToFormat(QImage::Format_ARGB32), 32);
        m_screenCanvas = std::make_unique<raster::Canvas>(m_screen, shown.isNull() ? QPoint(-2, -2) : area.topLeft());
    }
    return *m_screenCanvas;
}

void CImagingCtrl::ReleaseWindowDc()
{
    if (m_screenLends > 0 && --m_screenLends == 0) {
        flushWindow();
        m_screenCanvas.reset();
        m_screen = {};
    }
}

void CImagingCtrl::flushWindow()
{
    if (!m_screenCanvas)
        return;
    const QRect dirty = m_screenCanvas->takeDirty();
    if (!dirty.isEmpty())
        update(dirty);
}

} // namespace ardane
