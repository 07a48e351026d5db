#pragma once
// The arithmetic behind the intensity-adjustment dialogs, free of widgets:
// the channel list, the histogram bar heights, the curve editor's B-spline
// and the remap table built from it.

#include <QPoint>

#include <array>
#include <vector>

namespace ardane {
namespace imaging {
class ImagingControl;
}

namespace adjust {

// The Channel list's items, in list order, and the channel code the imaging
// control takes for each (0 master, 1 red, 2 green, 3 blue).
inline constexpr int kChannelCount = 4;
inline constexpr std::array<const char*, kChannelCount> kChannelNames{"RED", "GREEN", "BLUE", "MASTER(RGB)"};
inline constexpr std::array<int, kChannelCount> kChannelCodes{1, 2, 3, 0};
// The code of a list index; red for an index outside the list.
[[nodiscard]] int channelCode(int listIndex);

// Every display draws a level's bar at least this high, so that empty levels
// stay visible.
inline constexpr int kMinBarHeight = 2;
using Heights = std::array<int, 256>;

// All bars at the minimum height: what a display shows without an image.
[[nodiscard]] Heights flatHeights();
// Bar heights for a display `fullHeight` pixels high: level i gets
// truncate(0.01 * fullHeight * (count[i] * 100 / max)), at least 2, from the
// control's histogram of `channel`. Without an image (or with no pixel
// counted) every bar has the minimum height.
[[nodiscard]] Heights histogramHeights(imaging::ImagingControl& control, int channel, int fullHeight);
// The same from counts already taken.
[[nodiscard]] Heights heightsFromCounts(const std::array<unsigned, 256>& counts, int fullHeight);

// The curve through the control points as a uniform cubic B-spline whose end
// points are repeated (p0 twice at the front, pn-1 four times at the back),
// so that it starts at p0 and ends at pn-1. Each of the n segments is taken
// at t = 0, 0.02, ..., 1; coordinates are truncated toward zero and a point
// equal to the one before it is left out. The basis is evaluated in integers
// (t = s / 50), so no rounding error can move a truncated coordinate.
[[nodiscard]] std::vector<QPoint> sampleCurve(const std::vector<QPoint>& points);

// The 256-entry remap table a sampled curve stands for. Input level i lies in
// column left + i; the output is the sample's height above `bottom`, clamped
// to 0..255. Several samples in one column give their mean (rounded); a
// column without a sample takes the value interpolated linearly between the
// nearest sampled columns on each side, or the nearest sampled column's value
// beyond the first or last sample. No samples at all: the identity.
[[nodiscard]] std::array<int, 256> remapFromSamples(const std::vector<QPoint>& samples, int left, int bottom);

} // namespace adjust
} // namespace ardane
