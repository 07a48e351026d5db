#pragma once
// Printing a view's image: the picture (the image with the view's drawing
// objects drawn over it) placed on the page at the print resolution, its
// top-left at the page offset from the paper's top-left corner; the print
// job around it and its failures.

#include "imaging/Bitmap.h"
#include "objects/CGeneralObj.h"

#include <QImage>
#include <QPoint>
#include <QString>

class QPainter;
class QPrinter;

namespace ardane {

class CArdaneView;

// How the picture lies on paper: image pixels per inch across and down, and
// the picture's top-left from the paper's top-left in image pixels at that
// resolution.
struct PrintPlacement {
    int resolutionX = 100;
    int resolutionY = 100;
    int offsetX = 100;
    int offsetY = 100;
};

// Where the view's drawing objects lie over its image: the display control's
// top-left in view coordinates, the zoom the objects' points refer to, and the
// zoom rectangle's top-left in image pixels ((0, 0) without one).
struct ObjectPlacement {
    QPoint controlOrigin;
    int zoom = 100;
    QPoint zoomOrigin;
};

// The image in true colour with every object, in list order, drawn over it
// for printing under the draw mode, each over the image pixels it covers in
// the view. What lies beyond the image is not printed. A null image for an
// empty bitmap or when memory runs out.
[[nodiscard]] QImage composePrintPicture(const imaging::Bitmap& image, const objects::ObjectList& objects,
                                         const ObjectPlacement& where, int drawMode);
// The same for what a view shows.
[[nodiscard]] QImage viewPrintPicture(CArdaneView& view, int drawMode);

// Paints the picture on a painter open on a printer page whose device origin
// is the paper's top-left corner: one picture pixel is 1/resolution inch of
// the device's own resolution; unscaled when both are equal.
void paintPrintPage(QPainter& painter, const QImage& picture, const PrintPlacement& placement);

// One page on the printer, from the paper's edge. False with `error` set,
// and nothing else changed, when the printer cannot be started or reports a
// failure, or when there is nothing to print.
[[nodiscard]] bool printPicture(QPrinter& printer, const QImage& picture, const PrintPlacement& placement,
                                QString* error = nullptr);

// The messages of a failed print.
inline constexpr const char* kPrinterNotStarted = "Unable to print: the printer could not be started.";
inline constexpr const char* kPrinterFailed = "Unable to print: the printer reported an error.";
inline constexpr const char* kNothingToPrint = "Unable to print: there is no image to print.";

} // namespace ardane
