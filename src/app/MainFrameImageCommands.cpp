// The main frame's image commands: "S&ize".

#include "app/CMainFrame.h"
#include "core/CommandIds.h"
#include "view/CArdaneView.h"
#include "view/UiServices.h"

#include <QApplication>

namespace ardane {

namespace {

void resizeActiveImage(CMainFrame& frame)
{
    CArdaneView* view = frame.activeView();
    if (!view || !view->hasImage())
        return;
    imaging::ImagingControl& image = view->image();
    ImageSizeValues values;
    values.caption = view->document().title();
    values.width = int(image.ImageWidth());
    values.height = int(image.ImageHeight());
    values.xResolution = frame.printerResolution().x;
    values.yResolution = frame.printerResolution().y;
    values.resizeMode = 0;
    if (!frame.ui().editImageSize(values))
        return;
    frame.printerResolution() = {values.xResolution, values.yResolution};
    image.SetXResolution(std::int16_t(values.xResolution));
    image.SetYResolution(std::int16_t(values.yResolution));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const imaging::Result r = image.ResizeImage(values.width, values.height, values.resizeMode);
    QApplication::restoreOverrideCursor();
    if (r != imaging::result::Ok) {
        showImagingError(frame.ui(), r);
        return;
    }
    view->refitDisplay();
    view->document().setModified(true);
    frame.refreshStatusPanes();
}

} // namespace

void registerImageCommands(CMainFrame& frame)
{
    frame.commands().on(ID_IMAGE_SIZE, [&frame] { resizeActiveImage(frame); });
}

} // namespace ardane
