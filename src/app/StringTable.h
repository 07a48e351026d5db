#pragma once
// The program's string table: id to text.

#include <QString>

namespace ardane {

inline constexpr int IDS_OLE_INIT_FAILED = 100;

// The text of a string-table entry; empty for an unknown id.
[[nodiscard]] QString stringTableText(int id);

} // namespace ardane
