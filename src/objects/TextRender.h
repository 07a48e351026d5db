#pragma once
// Turning placed strings into pixels: the font of a text object and the
// rasterisation of a string, without antialiasing, into a coverage mask
// that the canvas writes as full pixels of one colour.

#include "objects/TextLayout.h"

#include <QFont>
#include <QImage>
#include <QRect>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ardane::objects {

struct TextFontRecord;

// Text as the archive stores it: Latin-1 bytes when every character has
// one, else UTF-8.
[[nodiscard]] std::string encodeTextBytes(const QString& text);
// Bytes that are valid UTF-8 and hold at least one multi-byte sequence are
// read as UTF-8; anything else as Latin-1 (every byte a character).
[[nodiscard]] QString decodeTextBytes(std::string_view bytes);

// The face name of a record as text: UTF-8 when its bytes are valid UTF-8,
// else Latin-1.
[[nodiscard]] QString faceNameOf(const TextFontRecord& record);

// The font a record describes, at its pixel height (em size), weight 700
// when bold else 400, italic and underline from their low bytes, drawn
// without antialiasing; the pitch-and-family byte chooses the fallback kind
// of face. Nothing when the record cannot make a font (no face name, or a
// pixel height that is not positive).
[[nodiscard]] std::optional<QFont> makeFont(const TextFontRecord& record);

// A rasterised string: coverage (0 or 255) and the logical position of its
// top-left.
struct TextStamp {
    QImage mask; // Format_Alpha8
    QPoint pos;
};

// Rasterises `placement` in `font`; only the part inside `clip` (logical
// pixels) is kept, so a string far outside the target costs no memory.
// Nothing when no part of it lies inside or it has no visible pixels.
[[nodiscard]] std::optional<TextStamp> rasterise(const QFont& font, const TextPlacement& placement, const QRect& clip);

} // namespace ardane::objects
