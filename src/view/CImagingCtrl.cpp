#include "view/CImagingCtrl.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

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
    resize(20, 20);
}

QPoint CImagingCtrl::imagePoint(const QPoint& pos) const
{
    if (m_destination.isEmpty())
        return pos;
    return {m_source.left() + int(qint64(pos.x()) * m_source.width() / m_destination.width()),
            m_source.top() + int(qint64(pos.y()) * m_source.height() / m_destination.height())};
}

void CImagingCtrl::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QImage& image = m_control.ImageHandle().image();
    const QImage part = scaleExposed(image, m_source, m_destination, event->rect());
    const QRect shown = event->rect() & QRect(QPoint(0, 0), m_destination);
    if (!part.isNull())
        painter.drawImage(shown.topLeft(), part);
    // Anything of the window the image does not cover.
    const QRegion rest = QRegion(event->rect()) - QRegion(shown);
    for (const QRect& r : rest)
        painter.fillRect(r, Qt::white);
}

void CImagingCtrl::mousePressEvent(QMouseEvent* event)
{
    emit buttonPressed(event->position().toPoint(), event->button());
    event->accept();
}

} // namespace ardane
