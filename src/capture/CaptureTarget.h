#pragma once
// What one click on the screen chose to capture, and the outcome of a capture.

#include <QImage>
#include <QRect>
#include <QString>

namespace ardane::capture {

struct CaptureTarget {
    enum class Kind { Screen, Window, Inside };
    Kind kind = Kind::Screen;
    QRect rect; // in screen (root window) coordinates
};

// A picture, or why there is none. Neither (null image, empty error) means
// the user gave up, which is not worth a message.
struct CaptureResult {
    QImage image;
    QString error;
    [[nodiscard]] bool ok() const { return !image.isNull(); }
};

} // namespace ardane::capture
