#include "capture/CaptureScale.h"

#include <algorithm>

namespace ardane::capture {

imaging::Result applyCaptureScale(imaging::ImagingControl& control, int scale)
{
    double factor = 1.0;
    if (scale == kCaptureHalf)
        factor = 0.5;
    else if (scale == kCaptureQuarter)
        factor = 0.25;
    else
        return imaging::result::Ok;
    const int width = std::max(1, int(double(control.ImageWidth()) * factor));
    const int height = std::max(1, int(double(control.ImageHeight()) * factor));
    return control.ResizeImage(width, height, 1);
}

} // namespace ardane::capture
