#include "capture/ImagePrinter.h"

#include "core/Archive.h"
#include "raster/Canvas.h"
#include "view/CArdaneView.h"

#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <memory>
#include <vector>

namespace ardane {

namespace {

// The largest picture, in printer dots, enlarged before it goes to the
// printer (at 32 bits a dot, 256 MB).
constexpr qint64 kMaxEnlargedDots = qint64(64) * 1024 * 1024;

// A copy of an object whose points refer to zoom 100, shrunk towards the
// display control's top-left (which does not move with the zoom). Objects
// are copied through their archive record, as the layered file keeps them.
objects::ObjectPtr atZoom100(const objects::CGeneralObj& object, QPoint controlOrigin)
{
    std::vector<std::uint8_t> record;
    ArchiveWriter out(record);
    object.Serialize(out);
    objects::ObjectPtr copy = objects::CreateObjectByName(object.className());
    if (!copy)
        return nullptr;
    copy->setWindowRect(object.windowRect());
    ArchiveReader in(record);
    if (!copy->Serialize(in))
        return nullptr;
    copy->RescaleToZoom(100, controlOrigin);
    return copy;
}

} // namespace

QImage composePrintPicture(const imaging::Bitmap& image, const objects::ObjectList& objects,
                           const ObjectPlacement& where, int drawMode)
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return {};
    // True colour, so that the objects' colours print as they are and not
    // as the nearest entry of an indexed image's palette.
    QImage rgb = image.image().convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        return {};
    if (objects.empty())
        return rgb.convertToFormat(QImage::Format_RGB32);
    imaging::Bitmap picture = imaging::Bitmap::fromImage(std::move(rgb), 24);
    if (picture.isNull() || !picture.detach())
        return {};
    {
        raster::Canvas canvas(picture);
        // At zoom 100 a view point v lies over image pixel
        // v - control origin + zoom origin.
        const int dx = where.zoomOrigin.x() - where.controlOrigin.x();
        const int dy = where.zoomOrigin.y() - where.controlOrigin.y();
        for (const objects::ObjectPtr& object : objects) {
            if (!object)
                continue;
            if (object->m_nZoom == 100) {
                object->DrawObject(canvas, objects::DrawTarget::Print, dx, dy, drawMode);
            } else if (const objects::ObjectPtr copy = atZoom100(*object, where.controlOrigin)) {
                copy->DrawObject(canvas, objects::DrawTarget::Print, dx, dy, drawMode);
            }
        }
    }
    return picture.image().convertToFormat(QImage::Format_RGB32);
}

QImage viewPrintPicture(CArdaneView& view, int drawMode)
{
    if (!view.hasImage())
        return {};
    const ObjectPlacement where{view.controlOrigin(), view.zoom(), view.zoomOrigin()};
    return composePrintPicture(view.image().ImageHandle(), view.objectList(), where, drawMode);
}

void paintPrintPage(QPainter& painter, const QImage& picture, const PrintPlacement& placement)
{
    if (picture.isNull() || !painter.device())
        return;
    const double dotsX = painter.device()->logicalDpiX();
    const double dotsY = painter.device()->logicalDpiY();
    const double sx = dotsX / std::max(1, placement.resolutionX);
    const double sy = dotsY / std::max(1, placement.resolutionY);
    const QRectF target(placement.offsetX * sx, placement.offsetY * sy, picture.width() * sx, picture.height() * sy);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // Pixels as they are: no lossy compression on the way to the printer.
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    // The page is built at the device's resolution, and the print system
    // smooths images it has to enlarge: an image pixel becomes a sharp block
    // of printer dots only when the picture is enlarged here, pixel by pixel.
    // Pictures too large for that are left to the printer to enlarge.
    const QSize dots(qRound(target.width()), qRound(target.height()));
    const bool unscaled = dots == picture.size();
    if (!unscaled && qint64(dots.width()) * dots.height() <= kMaxEnlargedDots && !dots.isEmpty()) {
        const QImage enlarged = picture.scaled(dots, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (!enlarged.isNull()) {
            painter.drawImage(target.topLeft(), enlarged);
            painter.restore();
            return;
        }
    }
    painter.drawImage(target, picture);
    painter.restore();
}

bool printPicture(QPrinter& printer, const QImage& picture, const PrintPlacement& placement, QString* error)
{
    const auto fail = [error](const char* text) {
        if (error)
            *error = QString::fromLatin1(text);
        return false;
    };
    if (picture.isNull())
        return fail(kNothingToPrint);
    // Offsets count from the paper's edge, not from the printable area.
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer))
        return fail(kPrinterNotStarted);
    paintPrintPage(painter, picture, placement);
    const bool ended = painter.end();
    if (!ended || printer.printerState() == QPrinter::Error)
        return fail(kPrinterFailed);
    return true;
}

} // namespace ardane
