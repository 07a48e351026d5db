#pragma once
// The colour value every layer passes around: 0x00BBGGRR, red in the low byte.

#include <cstdint>

namespace ardane {

using ColorRef = std::uint32_t;

[[nodiscard]] constexpr ColorRef makeColorRef(int r, int g, int b)
{
    return static_cast<ColorRef>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
[[nodiscard]] constexpr int colorRefRed(ColorRef c) { return int(c & 0xFF); }
[[nodiscard]] constexpr int colorRefGreen(ColorRef c) { return int((c >> 8) & 0xFF); }
[[nodiscard]] constexpr int colorRefBlue(ColorRef c) { return int((c >> 16) & 0xFF); }

} // namespace ardane
