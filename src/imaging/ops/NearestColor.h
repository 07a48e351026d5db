#pragma once
// Nearest palette entry for any 24-bit colour, by squared RGB distance.
//
// The colour cube is cut into 32x32x32 cells of 8x8x8 colours. For each cell
// we find the palette entries that can be nearest to some colour inside it:
// an entry whose closest possible distance to the cell exceeds another
// entry's farthest possible distance never wins there. Where one entry is
// left, the cell holds the answer (a small table that stays in cache). Other
// cells are split into eight subcells of 4x4x4 colours, which filter the
// cell's list again and either hold the answer or a short list to search.
// The answer is exact, ties going to the lowest index, the same as a plain
// search through the whole palette.

#include <QRgb>

#include <cstdint>
#include <vector>

namespace ardane::imaging::ops::detail {

class NearestColor {
public:
    explicit NearestColor(const std::vector<QRgb>& palette);

    // r, g, b in 0..255.
    [[nodiscard]] int operator()(int r, int g, int b) const
    {
        const std::uint16_t cell = m_cells[std::size_t(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3))];
        if (cell < kSplit)
            return cell;
        const std::uint32_t sub =
            m_subcells[(std::size_t(cell - kSplit) << 3) | std::size_t(((r & 4) >> 0) | ((g & 4) >> 1) | ((b & 4) >> 2))];
        if ((sub & kCountMask) == 1)
            return int(sub >> kCountBits);
        return search(sub, r, g, b);
    }

    [[nodiscard]] int size() const { return int(m_red.size()); }
    [[nodiscard]] int red(int i) const { return m_red[std::size_t(i)]; }
    [[nodiscard]] int green(int i) const { return m_green[std::size_t(i)]; }
    [[nodiscard]] int blue(int i) const { return m_blue[std::size_t(i)]; }

private:
    // A cell below kSplit is the answer; otherwise cell - kSplit numbers its
    // block of eight subcells.
    static constexpr std::uint32_t kSplit = 256;
    // A subcell is start << kCountBits | count, with the list at `start` in
    // m_candidates; for a count of 1, `start` is the answer itself. Count 0
    // means "search the whole palette", used only if the lists outgrow the
    // 23 bits left for `start`.
    static constexpr int kCountBits = 9; // up to 256 candidates
    static constexpr std::uint32_t kCountMask = (1u << kCountBits) - 1;
    static constexpr std::size_t kMaxCandidates = std::size_t(1) << (32 - kCountBits);

    [[nodiscard]] int search(std::uint32_t subcell, int r, int g, int b) const;

    std::vector<int> m_red, m_green, m_blue;
    std::vector<std::uint16_t> m_cells;
    std::vector<std::uint32_t> m_subcells;
    std::vector<std::uint8_t> m_candidates; // palette indices, ascending within a list
};

// The nearest entry by a plain search, for a single colour (no table built).
[[nodiscard]] int nearestIndex(const std::vector<QRgb>& palette, int r, int g, int b);

} // namespace ardane::imaging::ops::detail
