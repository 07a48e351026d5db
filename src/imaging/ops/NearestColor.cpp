#include "imaging/ops/NearestColor.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>

namespace ardane::imaging::ops::detail {

namespace {

// Squared distances from each entry's value on one channel to the span of
// each cell coordinate along that channel: the smallest (0 inside the span)
// and the largest. Laid out [cell * n + entry].
struct AxisSpans {
    std::vector<int> nearest, farthest;

    AxisSpans(const std::vector<int>& values, int cellsPerAxis)
    {
        const std::size_t n = values.size();
        const int cellSize = 256 / cellsPerAxis;
        nearest.resize(std::size_t(cellsPerAxis) * n);
        farthest.resize(std::size_t(cellsPerAxis) * n);
        for (int c = 0; c < cellsPerAxis; ++c) {
            const int lo = c * cellSize, hi = lo + cellSize - 1;
            for (std::size_t e = 0; e < n; ++e) {
                const int v = values[e];
                const int near = v < lo ? lo - v : (v > hi ? v - hi : 0);
                const int far = std::max(std::abs(v - lo), std::abs(v - hi));
                nearest[std::size_t(c) * n + e] = near * near;
                farthest[std::size_t(c) * n + e] = far * far;
            }
        }
    }
};

constexpr int kCoarse = 32;
constexpr int kFine = 64;

} // namespace

NearestColor::NearestColor(const std::vector<QRgb>& palette)
{
    // An empty table (possible in a malformed indexed image) behaves as black.
    const std::size_t n = palette.empty() ? 1 : std::min<std::size_t>(palette.size(), 256);
    m_red.resize(n);
    m_green.resize(n);
    m_blue.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const QRgb c = palette.empty() ? qRgb(0, 0, 0) : palette[i];
        m_red[i] = qRed(c);
        m_green[i] = qGreen(c);
        m_blue[i] = qBlue(c);
    }

    const AxisSpans cr(m_red, kCoarse), cg(m_green, kCoarse), cb(m_blue, kCoarse);
    const AxisSpans fr(m_red, kFine), fg(m_green, kFine), fb(m_blue, kFine);
    m_cells.resize(std::size_t(kCoarse) * kCoarse * kCoarse);
    std::vector<int> nearRG(n), farRG(n);
    std::vector<std::uint8_t> list, kept;
    for (int r = 0; r < kCoarse; ++r)
        for (int g = 0; g < kCoarse; ++g) {
            for (std::size_t e = 0; e < n; ++e) {
                nearRG[e] = cr.nearest[r * n + e] + cg.nearest[g * n + e];
                farRG[e] = cr.farthest[r * n + e] + cg.farthest[g * n + e];
            }
            for (int b = 0; b < kCoarse; ++b) {
                const int* nearB = &cb.nearest[b * n];
                const int* farB = &cb.farthest[b * n];
                int bound = std::numeric_limits<int>::max();
                for (std::size_t e = 0; e < n; ++e)
                    bound = std::min(bound, farRG[e] + farB[e]);
                list.clear();
                for (std::size_t e = 0; e < n; ++e)
                    if (nearRG[e] + nearB[e] <= bound)
                        list.push_back(std::uint8_t(e));
                std::uint16_t& cell = m_cells[std::size_t((r << 10) | (g << 5) | b)];
                if (list.size() == 1) {
                    cell = list[0];
                    continue;
                }
                cell = std::uint16_t(kSplit + m_subcells.size() / 8);
                // The eight subcells, in the order the lookup numbers them.
                for (int sub = 0; sub < 8; ++sub) {
                    const std::size_t sr = std::size_t(2 * r + ((sub >> 2) & 1));
                    const std::size_t sg = std::size_t(2 * g + ((sub >> 1) & 1));
                    const std::size_t sb = std::size_t(2 * b + (sub & 1));
                    int subBound = std::numeric_limits<int>::max();
                    for (const std::size_t e : list)
                        subBound = std::min(subBound, fr.farthest[sr * n + e] + fg.farthest[sg * n + e]
                                                          + fb.farthest[sb * n + e]);
                    kept.clear();
                    for (const std::size_t e : list)
                        if (fr.nearest[sr * n + e] + fg.nearest[sg * n + e] + fb.nearest[sb * n + e] <= subBound)
                            kept.push_back(std::uint8_t(e));
                    std::uint32_t packed = 0; // whole-palette search
                    if (kept.size() == 1) {
                        packed = (std::uint32_t(kept[0]) << kCountBits) | 1;
                    } else if (m_candidates.size() + kept.size() <= kMaxCandidates) {
                        packed = (std::uint32_t(m_candidates.size()) << kCountBits) | std::uint32_t(kept.size());
                        m_candidates.insert(m_candidates.end(), kept.begin(), kept.end());
                    }
                    m_subcells.push_back(packed);
                }
            }
        }
}

int NearestColor::search(std::uint32_t subcell, int r, int g, int b) const
{
    // Distance and index in one key, so the smallest key is the nearest entry
    // with ties to the lower index, and the loop needs no unpredictable branch.
    // Distances stay below 2^18, so the key fits easily.
    auto key = [&](int e) {
        const int dr = r - m_red[std::size_t(e)], dg = g - m_green[std::size_t(e)], db = b - m_blue[std::size_t(e)];
        return ((dr * dr + dg * dg + db * db) << 8) | e;
    };
    int best = std::numeric_limits<int>::max();
    const std::uint32_t count = subcell & kCountMask;
    if (count == 0) {
        for (int e = 0; e < size(); ++e)
            best = std::min(best, key(e));
    } else {
        const std::uint8_t* list = m_candidates.data() + (subcell >> kCountBits);
        for (std::uint32_t i = 0; i < count; ++i)
            best = std::min(best, key(list[i]));
    }
    return best & 0xFF;
}

int nearestIndex(const std::vector<QRgb>& palette, int r, int g, int b)
{
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    const int n = std::min<int>(int(palette.size()), 256);
    for (int i = 0; i < n; ++i) {
        const QRgb c = palette[std::size_t(i)];
        const int dr = r - qRed(c), dg = g - qGreen(c), db = b - qBlue(c);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

} // namespace ardane::imaging::ops::detail
