#pragma once
// The file filters of File Open and Save As, and the rules that turn a chosen
// filter entry and file name into the format code passed to the imaging control.

#include "imaging/FileFormat.h"

#include <QString>

#include <span>

namespace ardane::doc {

// Format codes as the filters carry them; the codes themselves come from the
// imaging control's format table.
[[nodiscard]] constexpr int formatCode(imaging::FileFormat f) { return int(f); }
inline constexpr int kFormatByExtension = -1;
inline constexpr int kLayeredFormat = formatCode(imaging::FileFormat::Layered);
inline constexpr int kBmpFormat = formatCode(imaging::FileFormat::Bmp);
inline constexpr int kGifFormat = formatCode(imaging::FileFormat::Gif);

struct FilterEntry {
    const char* description;
    const char* pattern;
    int formatCode; // kFormatByExtension for "All Files (*.*)"; open-only entries carry their code too
};

// The 14 entries of File Open, in order.
[[nodiscard]] std::span<const FilterEntry> openFilter();
// The 13 entries of Save As (the open filter without Photo CD), in order.
[[nodiscard]] std::span<const FilterEntry> saveFilter();
// The entry selected when File Open starts (0-based): "All Files (*.*)".
inline constexpr int kOpenInitialEntry = 13;

// The pattern Save As preselects for an image whose file format is `formatCode`,
// documented under `documentName`: the code's entry; else "*" and the name's
// extension; else "*.*". Upper case.
[[nodiscard]] QString preselectedPattern(int formatCode, const QString& documentName);
// The 0-based save entry whose pattern is `pattern` (case-insensitive), else 0.
[[nodiscard]] int saveEntryForPattern(const QString& pattern);
// The pattern of a Save As choice: the entry's own for the twelve formats, else
// "*." and the chosen file's extension, "*.BMP" when it has none. Upper case.
[[nodiscard]] QString chosenPattern(int entry, const QString& chosenPath);
// The format code to write: the current one when the pattern is the one that
// was preselected, else the pattern's code from the table, else BMP.
[[nodiscard]] int formatForPattern(const QString& chosen, const QString& preselected, int currentCode);

} // namespace ardane::doc
