#pragma once
// The program's string table: id to text. Captions, prompts and messages that
// the program shows by id all live here; a prompt's tooltip part follows its
// line break ("status text\ntooltip").

#include <QString>

#include <string_view>

namespace ardane {

// String ids that are not command ids (commands' prompts use the command id).
enum StringId : int {
    IDS_OLE_INIT_FAILED = 100,
    IDS_INVALID_FONT_SIZE = 62446,
    IDS_TOOLS_CAPTION = 62447,
    IDS_SPRAY_STYLE_CAPTION = 62448,
    IDS_BRUSH_STYLE_CAPTION = 62449,
    IDS_INSUFFICIENT_MEMORY = 62473,
    IDS_NO_ASSOCIATED_IMAGE = 25015,
    IDS_NO_SCANNER = 15117,
    IDS_SCAN_FAILED = 15118,
};

// The text of a string-table entry; empty for an id the table does not hold.
[[nodiscard]] std::string_view stringTableEntry(int id);
[[nodiscard]] QString stringTableText(int id);

// The parts of a prompt entry: before and after its line break.
[[nodiscard]] QString promptStatusText(int id);
[[nodiscard]] QString promptToolTip(int id);

} // namespace ardane
