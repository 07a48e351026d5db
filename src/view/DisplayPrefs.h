#pragma once
// Display preferences shared by every view and kept in the profile by the
// application: the margin around the image, the colour around it, and how
// images are dithered and paletted on screens of 256 colours or fewer.

#include "imaging/Bitmap.h"

namespace ardane {

struct DisplayPrefs {
    int marginShown = 1;                  // "GENERAL"/"VIEW_MARGIN"
    int marginWidth = 20;                 // "GENERAL"/"MARGIN_OFFSET"
    ColorRef viewBackground = 0x808000; // "GENERAL"/"VIEW_BG"
    int ditherMode = 1;                   // "Preference"/"DITHER_MODE": 1 diffusion, 0 ordered
    int paletteMode = 1;                  // "Preference"/"PAINT_PALETTE": 1 fixed, 0 auto

    [[nodiscard]] int margin() const { return marginShown ? marginWidth : 0; }
};

} // namespace ardane
