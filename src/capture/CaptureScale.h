#pragma once
// The capture scale setting and what it does to a captured picture.

#include "imaging/ImagingControl.h"

namespace ardane::capture {

// Values of the capture scale setting.
enum CaptureScale : int { kCaptureHalf = 1, kCaptureQuarter = 2, kCaptureActual = 4 };

// Halves the picture for kCaptureHalf, quarters it for kCaptureQuarter
// (resampled, sizes truncated, at least one pixel); any other value keeps it.
[[nodiscard]] imaging::Result applyCaptureScale(imaging::ImagingControl& control, int scale);

} // namespace ardane::capture
