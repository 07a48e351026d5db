#pragma once
// The tools of the tool palette, one record each: its command id (the tool
// index is the id minus ID_TOOL_FIRST), what a press with it runs, the
// painting-gesture kind it hands over, and the cursor shown over the image.
// The view's press dispatch and cursor choice and the palette read this one
// table.

#include "core/CommandIds.h"

#include <array>
#include <string_view>

namespace ardane {

enum class ToolAction {
    Select,       // selection tracking with `selectionShape`
    DrawObject,   // a drawing object (text, ellipse, line, rectangle)
    Paint,        // a painting gesture of `paintKind`
    PickColor,
    Fill,
    Scroll,
};

struct ToolRecord {
    int id;
    ToolAction action;
    int paintKind;              // gesture kind for ToolAction::Paint, else 0
    int selectionShape;         // 2 rectangle, 4 ellipse, 8 free hand; else 0
    std::string_view cursor;    // cursor resource; empty for the arrow
};

inline constexpr std::array<ToolRecord, 22> kTools{{
    {ID_TOOL_SELECT_RECT, ToolAction::Select, 0, 2, {}},
    {ID_TOOL_SELECT_ELLIPSE, ToolAction::Select, 0, 4, {}},
    {ID_TOOL_SELECT_FREEHAND, ToolAction::Select, 0, 8, {}},
    {ID_TOOL_TEXT, ToolAction::DrawObject, 0, 0, {}},
    {ID_TOOL_ELLIPSE, ToolAction::DrawObject, 0, 0, {}},
    {ID_TOOL_LINE, ToolAction::DrawObject, 0, 0, {}},
    {ID_TOOL_RECT, ToolAction::DrawObject, 0, 0, {}},
    {ID_TOOL_PEN, ToolAction::Paint, 1, 0, "CURSORPEN"},
    {ID_TOOL_BRUSH, ToolAction::Paint, 2, 0, "CURSORCROSS"},
    {ID_TOOL_SPRAY, ToolAction::Paint, 4, 0, "CURSORSPRAY"},
    {ID_TOOL_PICK_COLOR, ToolAction::PickColor, 0, 0, "CURSORPC"},
    {ID_TOOL_FILL, ToolAction::Fill, 0, 0, "CURSORFILL"},
    {ID_TOOL_SCROLL, ToolAction::Scroll, 0, 0, "CURSORHAND"},
    {ID_TOOL_BLUR_SMALL, ToolAction::Paint, 5, 0, "CURSORSM1"},
    {ID_TOOL_BLUR_MEDIUM, ToolAction::Paint, 6, 0, "CURSORSM2"},
    {ID_TOOL_BLUR_LARGE, ToolAction::Paint, 7, 0, "CURSORSM3"},
    {ID_TOOL_COPYPASTE_SMALL, ToolAction::Paint, 8, 0, "CURSORSC1"},
    {ID_TOOL_COPYPASTE_MEDIUM, ToolAction::Paint, 9, 0, "CURSORSC2"},
    {ID_TOOL_COPYPASTE_LARGE, ToolAction::Paint, 10, 0, "CURSORSC3"},
    // The shuffle tools share the blur tools' cursors.
    {ID_TOOL_SHUFFLE_SMALL, ToolAction::Paint, 11, 0, "CURSORSM1"},
    {ID_TOOL_SHUFFLE_MEDIUM, ToolAction::Paint, 12, 0, "CURSORSM2"},
    {ID_TOOL_SHUFFLE_LARGE, ToolAction::Paint, 13, 0, "CURSORSM3"},
}};

// The record of a tool index, or null outside 0..21.
[[nodiscard]] constexpr const ToolRecord* toolRecord(int index)
{
    return index >= 0 && index < int(kTools.size()) ? &kTools[std::size_t(index)] : nullptr;
}

inline constexpr int kPickColorTool = ID_TOOL_PICK_COLOR - ID_TOOL_FIRST;

} // namespace ardane
