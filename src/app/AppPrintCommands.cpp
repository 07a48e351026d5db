// The application's printing commands: Print, Print Preview, and the two
// print settings, the page offset (Print Option) and the print resolution.

#include "app/CArdaneApp.h"
#include "capture/ImagePrinter.h"
#include "core/CommandIds.h"
#include "dialogs/CImageSizeDlg.h"
#include "view/CArdaneView.h"

#include <QPrinter>

#include <algorithm>

namespace ardane {

namespace {

CArdaneView* printableView(CArdaneApp& app)
{
    CArdaneView* view = app.mainFrame() ? app.mainFrame()->activeView() : nullptr;
    return view && view->hasImage() ? view : nullptr;
}

PrintPlacement printPlacement(CArdaneApp& app)
{
    const PrinterResolution& r = app.printerResolution();
    return PrintPlacement{r.x, r.y, app.settings().pageOffsetX, app.settings().pageOffsetY};
}

// The print dialog, then the page on the printer it leaves chosen.
void printImage(CArdaneApp& app)
{
    CArdaneView* view = printableView(app);
    if (!view)
        return;
    QPrinter& target = app.printer();
    if (!app.ui().runPrintDialog(target))
        return;
    const QImage picture = viewPrintPicture(*view, app.settings().paint.drawMode);
    QString error;
    if (!printPicture(target, picture, printPlacement(app), &error))
        app.ui().message(error, MessageIcon::Stop);
}

// The same page drawn into the preview.
void previewPrint(CArdaneApp& app)
{
    CArdaneView* view = printableView(app);
    if (!view)
        return;
    const QImage picture = viewPrintPicture(*view, app.settings().paint.drawMode);
    const PrintPlacement placement = printPlacement(app);
    app.ui().showPrintPreview(app.printer(), [&picture, placement](QPrinter& page) {
        return printPicture(page, picture, placement);
    });
}

// "Image Offset" over the page in dots at the print resolution; OK keeps
// the offsets.
void editPageOffset(CArdaneApp& app)
{
    const PrinterResolution& r = app.printerResolution();
    ImageOffsetValues values;
    values.xOffset = app.settings().pageOffsetX;
    values.yOffset = app.settings().pageOffsetY;
    values.pageWidth = r.x * app.pageSize().width();
    values.pageHeight = r.y * app.pageSize().height();
    if (!app.ui().editImageOffset(values))
        return;
    app.settings().pageOffsetX = std::max(0, values.xOffset);
    app.settings().pageOffsetY = std::max(0, values.yOffset);
}

// "Print Resolution"; OK keeps the resolution, and the print size shown in
// the status bar follows it.
void editPrintResolution(CArdaneApp& app)
{
    PrinterResolution& r = app.printerResolution();
    const PrinterResolution own = queryPrinterResolution();
    PrintResolutionValues values{r.x, r.y, own.x, own.y};
    if (!app.ui().editPrintResolution(values))
        return;
    r.x = std::clamp(values.xResolution, CImageSizeDlg::kMinResolution, CImageSizeDlg::kMaxResolution);
    r.y = std::clamp(values.yResolution, CImageSizeDlg::kMinResolution, CImageSizeDlg::kMaxResolution);
    if (app.mainFrame())
        app.mainFrame()->refreshStatusPanes();
}

} // namespace

void CArdaneApp::registerPrintCommands()
{
    const auto withImage = [this](CommandState& s) { s.enabled = printableView(*this) != nullptr; };
    m_commands.on(ID_FILE_PRINT, [this] { printImage(*this); }, withImage);
    m_commands.on(ID_FILE_PRINT_DIRECT, [this] { printImage(*this); }, withImage);
    m_commands.on(ID_FILE_PRINT_PREVIEW, [this] { previewPrint(*this); }, withImage);
    m_commands.on(ID_PRINT_OPTION, [this] { editPageOffset(*this); });
    m_commands.on(ID_PRINT_RESOLUTION, [this] { editPrintResolution(*this); });
}

} // namespace ardane
