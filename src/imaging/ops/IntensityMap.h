#pragma once
// Curves-style remapping of one channel through a user-drawn table, and the
// histograms such an editor shows.

#include "imaging/Bitmap.h"
#include "imaging/ops/PointEffects.h"

#include <array>
#include <cstdint>

namespace ardane::imaging::ops {

// The channels in the order of the Channel lists of the adjustment dialogs:
// 0 Master (all three colour channels, or luminance for a histogram),
// 1 Red, 2 Green, 3 Blue.
enum class IntensityChannel : int { Master = 0, Red = 1, Green = 2, Blue = 3 };

// out = table[in] for each 8-bit value of a channel.
struct IntensityMap {
    std::array<std::uint8_t, 256> table;

    [[nodiscard]] static IntensityMap identity();
};

// Maps the channel through the table (Master: red, green and blue alike); the
// other channels and alpha stay. Indexed images get their colour table mapped,
// 16-bit images their widened 5-bit channels. A channel value other than 0..3
// counts as Master. False, with the bitmap unchanged, when there is no memory
// to make shared pixels the bitmap's own.
bool applyIntensityMap(Bitmap& bitmap, IntensityChannel channel, const IntensityMap& map);

// How many pixels have each value of the channel (Master: luminance). Indexed
// pixels count with the colour of their table entry, 16-bit pixels with their
// widened 5-bit channels. All zero for a null bitmap.
[[nodiscard]] std::array<std::uint32_t, 256> computeHistogram(const Bitmap& bitmap, IntensityChannel channel);

} // namespace ardane::imaging::ops
