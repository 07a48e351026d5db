#pragma once
// Where the three floating palettes go on the screen when the main frame is
// created, from the positions saved in the profile (PaletteLayout).

#include "palettes/PaletteLayout.h"

namespace ardane {

struct PalettePoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const PalettePoint&, const PalettePoint&) = default;
};

struct PaletteExtent {
    int width = 0;
    int height = 0;
};

struct PalettePositions {
    PalettePoint tool;
    PalettePoint brush;
    PalettePoint spray;
    friend bool operator==(const PalettePositions&, const PalettePositions&) = default;
};

// Where the palettes go on a screen of the given size. A saved position is
// used while it lies on the screen; otherwise the tool palette goes to the
// right edge half-way down, the brush-style palette to a third of the width
// near the bottom and the spray-style palette to the right of that place.
[[nodiscard]] PalettePositions placePalettes(const PaletteLayout& saved, PaletteExtent screen,
                                             PaletteExtent tool, PaletteExtent brush);

// A shown palette that would cover a shown palette placed before it (the
// brush-style palette the tool palette; the spray-style palette either of
// them) moves right, beside the one it covers, as far as the screen allows.
// The default places of a first run overlap, as do saved places of palettes
// that have since grown.
struct PaletteSpot {
    PalettePoint at;
    PaletteExtent extent;
    bool shown = true;
};
[[nodiscard]] PalettePositions keepPalettesApart(PaletteSpot tool, PaletteSpot brush, PaletteSpot spray,
                                                 PaletteExtent screen);

} // namespace ardane
