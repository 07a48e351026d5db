#pragma once
// The commands that change the painting settings: draw mode, shuffle density,
// blur/copy area, capture scale, pen and background colours, text effects and
// shape-object options. Each command has a handler and, where the menu shows
// a check mark or enables the item unconditionally, an update rule. Both are
// plain functions over a PaintContext, so the main frame routes commands to
// them and the tests drive them without any window.

#include "core/CommandIds.h"
#include "core/CommandMap.h"
#include "core/PaintSettings.h"

#include <array>
#include <functional>
#include <optional>
#include <string_view>

namespace ardane {

// Everything a paint command needs from the program around it.
struct PaintContext {
    explicit PaintContext(PaintSettings& s)
        : settings(s)
    {
    }

    PaintSettings& settings;

    // The parameters the text and object commands edit: those of the first
    // selected text or shape object of the active view, or the defaults in
    // `settings` when there is none (or when these are left empty).
    std::function<TextParams&()> currentTextParams;
    std::function<ObjectParams&()> currentObjectParams;

    // The colour dialog preset to a colour; nullopt when it is cancelled.
    std::function<std::optional<ColorRef>(ColorRef initial)> chooseColor;
    // The "Text Attribute" dialog preset to a depth; nullopt when cancelled.
    std::function<std::optional<int>(int initial)> chooseTextDepth;

    // Told the id of every command that changed something, after the change,
    // so that the frame can repaint a colour well or the view redraw the
    // selected objects whose parameters were edited.
    std::function<void(int id)> changed;

    TextParams& textParams() const;
    ObjectParams& objectParams() const;
};

// Runs a paint-settings command. False when the id is not one of them.
bool handlePaintCommand(int id, PaintContext& context);

// The update rule of a paint-settings command; nullopt when the id is not one
// of them or the command has no update rule (its item keeps its default state).
[[nodiscard]] std::optional<CommandState> paintCommandState(int id, const PaintContext& context);

// True for every id handlePaintCommand runs.
[[nodiscard]] bool isPaintCommand(int id);

// One entry of the "DrawMode" menu: its command, the ROP2 code it stores and
// its label.
struct DrawModeItem {
    int id;
    int rop2;
    std::string_view label;
};

inline constexpr std::array<DrawModeItem, 12> kDrawModes{{
    {ID_DRAW_COPY_PEN, 13, "Copy Pen"},
    {ID_DRAW_INVERT_PEN, 4, "Invert Pen"},
    {ID_DRAW_INVERT_MERGED_PEN, 14, "Invert Merged Pen"},
    {ID_DRAW_COMMON_SOURCE, 5, "Common Source"},
    {ID_DRAW_COMMON_DESTINATION, 3, "Common Destination"},
    {ID_DRAW_COMBINE_INVERTED_PEN, 12, "Combine Inverted Pen"},
    {ID_DRAW_BITWISE_OR, 15, "Bitwise OR"},
    {ID_DRAW_INVERT_BITWISE_OR, 2, "Invert Bitwise OR"},
    {ID_DRAW_BITWISE_AND, 9, "Bitwise AND"},
    {ID_DRAW_INVERT_BITWISE_AND, 8, "Invert Bitwise AND"},
    {ID_DRAW_BITWISE_XOR, 7, "Bitwise XOR"},
    {ID_DRAW_INVERT_BITWISE_XOR, 10, "Invert Bitwise XOR"},
}};

// The ROP2 code a draw-mode command stores; nullopt for other ids.
[[nodiscard]] std::optional<int> drawModeForCommand(int id);

} // namespace ardane
