#pragma once
// The three palettes the main frame creates: their control ids, command ids,
// columns, captions and the tooltips of the tool buttons.

#include "palettes/PaletteIcons.h"

#include <array>
#include <span>
#include <string_view>

namespace ardane {

struct PaletteDef {
    int controlId;
    int idBase;
    int buttonCount;
    int columns;
    std::string_view caption;
    PaletteImages images;
    std::span<const std::string_view> toolTips; // by button; empty when the buttons have none
};

// Status prompts and tooltips of the tool buttons; a tooltip follows "\n".
inline constexpr std::array<std::string_view, 22> kToolPrompts{
    "\nSelect an area of rectangle",
    "\nSelect an area of Ellipse/Circle",
    "\nFree hand selection of an area",
    "\nCreate text object",
    "\nCircle/Ellipse",
    "\nLine object",
    "\nDraw a rectangle/square",
    "\nPen",
    "\nBrush",
    "\nSprayer",
    "\nPick a color",
    "\nFill color",
    "\nScroll image",
    "\nBlur/Smooth small area",
    "\nBlur/Smooth medium area",
    "\nBlur/Smooth large area",
    "\nCopy/Paste small area",
    "\nCopy/Paste medium area",
    "\nCopy/Paste large area",
    "\nShuffle bits in small area",
    "\nShuffle bits in medium area",
    "\nShuffle bits in large area",
};

inline constexpr PaletteDef kToolPalette{32777, 15000, 22, 3, "Tools", PaletteImages::Tools, kToolPrompts};
inline constexpr PaletteDef kSprayPalette{32847, 16000, 12, 4, "Spray Style", PaletteImages::SprayStyles, {}};
inline constexpr PaletteDef kBrushPalette{32848, 17000, 20, 4, "Brush Style", PaletteImages::BrushStyles, {}};

// Tool indices whose selection brings up a style palette.
inline constexpr int kBrushToolIndex = 8;
inline constexpr int kSprayToolIndex = 9;

} // namespace ardane
