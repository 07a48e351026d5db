#pragma once
// Positions and visibility of the three floating palettes, kept in the
// profile ("GENERAL") beside the painting settings.

namespace ardane {

struct PaletteLayout {
    int toolX = 200, toolY = 100;   // "TOOLPAL_X", "TOOLPAL_Y"
    int brushX = 250, brushY = 150; // "BRUSHPAL_X", "BRUSHPAL_Y"
    int sprayX = 300, sprayY = 200; // "SPRAYPAL_X", "SPRAYPAL_Y"
    int showTool = 1;               // "SHOW_TOOLPAL"
    int showBrush = 1;              // "SHOW_BRUSHPAL"
    int showSpray = 1;              // "SHOW_SPRAYPAL"
};

} // namespace ardane
