#include "dialogs/AdjustMath.h"

#include "imaging/ImagingControl.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace ardane::adjust {

int channelCode(int listIndex)
{
    if (listIndex < 0 || listIndex >= kChannelCount)
        return kChannelCodes[0];
    return kChannelCodes[std::size_t(listIndex)];
}

Heights flatHeights()
{
    Heights heights;
    heights.fill(kMinBarHeight);
    return heights;
}

Heights heightsFromCounts(const std::array<unsigned, 256>& counts, int fullHeight)
{
    const unsigned max = *std::max_element(counts.begin(), counts.end());
    if (max == 0 || fullHeight <= 0)
        return flatHeights();
    Heights heights;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        const double percent = double(counts[i]) * 100.0 / double(max);
        const int height = int(std::trunc(0.01 * double(fullHeight) * percent));
        heights[i] = std::max(height, kMinBarHeight);
    }
    return heights;
}

Heights histogramHeights(imaging::ImagingControl& control, int channel, int fullHeight)
{
    if (!control.HasImage() || control.ComputeHistogram(channel) != imaging::result::Ok)
        return flatHeights();
    std::array<unsigned, 256> counts{};
    for (int i = 0; i < 256; ++i)
        counts[std::size_t(i)] = control.HistogramEntry(i);
    return heightsFromCounts(counts, fullHeight);
}

namespace {

// The basis functions at t = s / 50, each multiplied by 6 * 50^3, so that
// B0 = (1-t)^3/6, B1 = (3t^3 - 6t^2 + 4)/6, B2 = (-3t^3 + 3t^2 + 3t + 1)/6 and
// B3 = t^3/6 become exact integers summing to the denominator.
constexpr std::int64_t kSteps = 50;
constexpr std::int64_t kDenominator = 6 * kSteps * kSteps * kSteps;

struct Basis {
    std::int64_t b[4];
};

constexpr Basis basisAt(std::int64_t s)
{
    const std::int64_t n = kSteps;
    const std::int64_t r = n - s;
    return {{r * r * r,
             3 * s * s * s - 6 * s * s * n + 4 * n * n * n,
             -3 * s * s * s + 3 * s * s * n + 3 * s * n * n + n * n * n,
             s * s * s}};
}

// C++ integer division truncates toward zero, as the curve wants.
int combine(const Basis& basis, std::int64_t q0, std::int64_t q1, std::int64_t q2, std::int64_t q3)
{
    const std::int64_t sum = basis.b[0] * q0 + basis.b[1] * q1 + basis.b[2] * q2 + basis.b[3] * q3;
    return int(sum / kDenominator);
}

} // namespace

std::vector<QPoint> sampleCurve(const std::vector<QPoint>& points)
{
    std::vector<QPoint> samples;
    if (points.empty())
        return samples;
    std::vector<QPoint> padded;
    padded.reserve(points.size() + 4);
    padded.push_back(points.front());
    padded.insert(padded.end(), points.begin(), points.end());
    padded.insert(padded.end(), 3, points.back());

    samples.push_back(points.front());
    for (std::size_t k = 0; k < points.size(); ++k) {
        const QPoint& q0 = padded[k];
        const QPoint& q1 = padded[k + 1];
        const QPoint& q2 = padded[k + 2];
        const QPoint& q3 = padded[k + 3];
        for (std::int64_t s = 0; s <= kSteps; ++s) {
            const Basis basis = basisAt(s);
            const QPoint p(combine(basis, q0.x(), q1.x(), q2.x(), q3.x()),
                           combine(basis, q0.y(), q1.y(), q2.y(), q3.y()));
            if (p != samples.back())
                samples.push_back(p);
        }
    }
    // The last segment ends exactly on the last point already; this only
    // states it.
    if (samples.back() != points.back())
        samples.push_back(points.back());
    return samples;
}

std::array<int, 256> remapFromSamples(const std::vector<QPoint>& samples, int left, int bottom)
{
    std::array<int, 256> table{};
    // Sum and count of sample heights per input level.
    std::array<long long, 256> sums{};
    std::array<int, 256> counts{};
    for (const QPoint& p : samples) {
        const int level = p.x() - left;
        if (level < 0 || level > 255)
            continue;
        sums[std::size_t(level)] += bottom - p.y();
        ++counts[std::size_t(level)];
    }
    std::vector<int> sampled; // levels that have samples
    std::array<double, 256> value{};
    for (int i = 0; i < 256; ++i) {
        if (counts[std::size_t(i)] > 0) {
            value[std::size_t(i)] = double(sums[std::size_t(i)]) / counts[std::size_t(i)];
            sampled.push_back(i);
        }
    }
    if (sampled.empty()) {
        for (int i = 0; i < 256; ++i)
            table[std::size_t(i)] = i;
        return table;
    }
    std::size_t next = 0; // index into `sampled` of the first sampled level >= i
    for (int i = 0; i < 256; ++i) {
        while (next < sampled.size() && sampled[next] < i)
            ++next;
        double v = 0;
        if (next < sampled.size() && sampled[next] == i)
            v = value[std::size_t(i)];
        else if (next == 0)
            v = value[std::size_t(sampled.front())];
        else if (next == sampled.size())
            v = value[std::size_t(sampled.back())];
        else {
            const int a = sampled[next - 1];
            const int b = sampled[next];
            const double f = double(i - a) / double(b - a);
            v = value[std::size_t(a)] + f * (value[std::size_t(b)] - value[std::size_t(a)]);
        }
        table[std::size_t(i)] = std::clamp(int(std::lround(v)), 0, 255);
    }
    return table;
}

} // namespace ardane::adjust
