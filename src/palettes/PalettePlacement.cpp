#include "palettes/PalettePlacement.h"

namespace ardane {

namespace {

// Keeps at least this much of a palette's corner on the screen.
constexpr int kEdgeMargin = 10;
// Room left under the style palettes for the status bar and a task bar.
constexpr int kBottomMargin = 60;
constexpr int kRightMargin = 10;
constexpr int kStyleGap = 20;

bool onScreen(int x, int y, PaletteExtent screen)
{
    return x < screen.width - kEdgeMargin && y < screen.height - kEdgeMargin;
}

} // namespace

PalettePositions placePalettes(const PaletteLayout& saved, PaletteExtent screen, PaletteExtent tool,
                               PaletteExtent brush)
{
    PalettePositions at;

    // (0, 0) marks a tool palette that has never been placed. Any other saved
    // position counts, the left or top edge included, as long as the palette
    // can still be reached; one saved on a screen that has since shrunk or
    // gone is brought back rather than left out of sight.
    const bool toolSaved = (saved.toolX != 0 || saved.toolY != 0) && saved.toolX >= 0 && saved.toolY >= 0
                           && onScreen(saved.toolX, saved.toolY, screen);
    at.tool = toolSaved ? PalettePoint{saved.toolX, saved.toolY}
                        : PalettePoint{screen.width - tool.width - kRightMargin, screen.height / 2};

    const PalettePoint brushHome{screen.width / 3, screen.height - brush.height - kBottomMargin};
    const bool brushSaved = saved.brushX > 0 && saved.brushY > 0 && onScreen(saved.brushX, saved.brushY, screen);
    at.brush = brushSaved ? PalettePoint{saved.brushX, saved.brushY} : brushHome;

    const bool spraySaved = saved.sprayX > 0 && saved.sprayY > 0 && onScreen(saved.sprayX, saved.sprayY, screen);
    at.spray = spraySaved ? PalettePoint{saved.sprayX, saved.sprayY}
                          : PalettePoint{brushHome.x + brush.width + kStyleGap, brushHome.y};
    return at;
}

} // namespace ardane
