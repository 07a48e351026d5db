#pragma once
// Font sizes as typed into the size box of the main toolbar, held in twips
// (1/20 point).

#include <string>
#include <string_view>
#include <vector>

namespace ardane {

inline constexpr int kNoFontSize = -1;       // an empty size text
inline constexpr int kBadFontSize = -2;      // a text that is not a number
inline constexpr int kMinFontTwips = 20;     // 1 point
inline constexpr int kMaxFontTwips = 32760;  // 1638 points

// The size in twips of a typed text: blanks and tabs may surround a decimal
// number; an empty text gives kNoFontSize, anything else that is not a number
// kBadFontSize, a negative number 0, and the product with 20 is truncated.
[[nodiscard]] int parseFontSize(std::string_view text);

// The text shown for a size, rounded to half points: "11", "10.5"; empty
// for a negative size.
[[nodiscard]] std::string formatFontSize(int twips);

// False for a text that is not a number and for sizes below 1 point or above
// 1638 points; an empty text (no size) is accepted.
[[nodiscard]] bool isAcceptableFontSize(int twips);

// The sizes offered for a scalable face, in points.
inline constexpr int kScalableFontPoints[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

} // namespace ardane
