#include "palettes/PalettePlacement.h"

#include <initializer_list>

namespace ardane {

namespace {

// Keeps at least this much of a palette's corner on the screen.
constexpr int kEdgeMargin = 10;
// Room left under the style palettes for the status bar and a task bar.
constexpr int kBottomMargin = 60;
constexpr int kRightMargin = 10;
constexpr int kStyleGap = 20;
// Room between palettes moved apart.
constexpr int kApartGap = 10;

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

namespace {

bool overlaps(const PaletteSpot& a, const PaletteSpot& b)
{
    return a.at.x < b.at.x + b.extent.width && b.at.x < a.at.x + a.extent.width
           && a.at.y < b.at.y + b.extent.height && b.at.y < a.at.y + a.extent.height;
}

// Moves `spot` beside whichever of `before` it covers, while it still fits.
void moveClear(PaletteSpot& spot, std::initializer_list<const PaletteSpot*> before, PaletteExtent screen)
{
    if (!spot.shown)
        return;
    // Each move goes right, so one pass per earlier palette settles it.
    for (std::size_t pass = 0; pass < before.size(); ++pass) {
        for (const PaletteSpot* other : before) {
            if (!other->shown || !overlaps(spot, *other))
                continue;
            const int x = other->at.x + other->extent.width + kApartGap;
            if (x + spot.extent.width > screen.width)
                return;
            spot.at.x = x;
        }
    }
}

} // namespace

PalettePositions keepPalettesApart(PaletteSpot tool, PaletteSpot brush, PaletteSpot spray, PaletteExtent screen)
{
    moveClear(brush, {&tool}, screen);
    moveClear(spray, {&tool, &brush}, screen);
    return {tool.at, brush.at, spray.at};
}

} // namespace ardane
