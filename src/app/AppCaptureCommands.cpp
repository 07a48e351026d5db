// The application's screen capture: one click chooses the screen, a window
// or its inside, and the picture, scaled as the capture option says, becomes
// a new untitled document.

#include "app/CArdaneApp.h"
#include "app/DocumentManager.h"
#include "capture/CaptureScale.h"
#include "capture/ScreenCapture.h"
#include "core/CommandIds.h"

namespace ardane {

namespace {

// The captured picture as a 24-bit bitmap, reduced to the chosen scale; a
// null bitmap when memory runs short.
imaging::Bitmap scaledCapture(const QImage& picture, int scale)
{
    imaging::ImagingControl control;
    control.SetImageHandle(imaging::Bitmap::fromImage(picture.convertToFormat(QImage::Format_RGB888), 24));
    if (!control.HasImage() || capture::applyCaptureScale(control, scale) != imaging::result::Ok)
        return {};
    return control.ImageHandle();
}

} // namespace

void CArdaneApp::registerCaptureCommands()
{
    m_commands.on(ID_CAPTURE_SCREEN, [this] {
        capture::ScreenCapture screen;
        const capture::CaptureResult result = screen.capture(m_frame.get());
        if (!result.ok()) {
            if (!result.error.isEmpty())
                m_ui->message(result.error, MessageIcon::Information);
            return;
        }
        const imaging::Bitmap picture = scaledCapture(result.image, m_settings.paint.captureScale);
        if (picture.isNull()) {
            m_ui->message(QStringLiteral("Not enough memory for the captured picture."), MessageIcon::Information);
            return;
        }
        m_documents->newDocumentWithImage(picture);
    });
}

} // namespace ardane
