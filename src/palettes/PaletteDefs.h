#pragma once
// The three palettes the main frame creates: their control ids, command ids,
// columns, captions and whether their buttons have prompts.

#include "core/CommandIds.h"
#include "core/ToolTable.h"
#include "core/StringTable.h"
#include "palettes/PaletteIcons.h"

namespace ardane {

struct PaletteDef {
    int controlId;
    int idBase;
    int buttonCount;
    int columns;
    int captionId;      // string-table id of the caption
    PaletteImages images;
    bool hasPrompts;    // each button's prompt is the string-table entry of its command id
};

inline constexpr PaletteDef kToolPalette{ID_VIEW_TOOL_PALETTE, ID_TOOL_FIRST, int(kTools.size()), 3, IDS_TOOLS_CAPTION, PaletteImages::Tools, true};
inline constexpr PaletteDef kSprayPalette{ID_VIEW_SPRAY_PALETTE, ID_SPRAY_STYLE_FIRST, 12, 4, IDS_SPRAY_STYLE_CAPTION, PaletteImages::SprayStyles, false};
inline constexpr PaletteDef kBrushPalette{ID_VIEW_BRUSH_PALETTE, ID_BRUSH_STYLE_FIRST, 20, 4, IDS_BRUSH_STYLE_CAPTION, PaletteImages::BrushStyles, false};

// Tool indices whose selection brings up a style palette.
inline constexpr int kBrushToolIndex = ID_TOOL_BRUSH - ID_TOOL_FIRST;
inline constexpr int kSprayToolIndex = ID_TOOL_SPRAY - ID_TOOL_FIRST;

} // namespace ardane
