#include "imaging/ops/IntensityMap.h"

#include "imaging/ops/Parallel.h"
#include "imaging/ops/PixelRows.h"

#include <mutex>
#include <vector>

namespace ardane::imaging::ops {

namespace {

// The 8-bit value of the channel in a colour (Master: luminance).
[[nodiscard]] int channelValue(QRgb c, IntensityChannel channel)
{
    switch (channel) {
    case IntensityChannel::Red: return qRed(c);
    case IntensityChannel::Green: return qGreen(c);
    case IntensityChannel::Blue: return qBlue(c);
    default: return luminance(qRed(c), qGreen(c), qBlue(c));
    }
}

} // namespace

IntensityMap IntensityMap::identity()
{
    IntensityMap m;
    for (int i = 0; i < 256; ++i)
        m.table[std::size_t(i)] = std::uint8_t(i);
    return m;
}

bool applyIntensityMap(Bitmap& bitmap, IntensityChannel channel, const IntensityMap& map)
{
    const ChannelTable same = IntensityMap::identity().table;
    switch (channel) {
    case IntensityChannel::Red: return applyChannelTables(bitmap, map.table, same, same);
    case IntensityChannel::Green: return applyChannelTables(bitmap, same, map.table, same);
    case IntensityChannel::Blue: return applyChannelTables(bitmap, same, same, map.table);
    default: return applyChannelTables(bitmap, map.table, map.table, map.table);
    }
}

std::array<std::uint32_t, 256> computeHistogram(const Bitmap& bitmap, IntensityChannel channel)
{
    std::array<std::uint32_t, 256> hist{};
    if (bitmap.isNull())
        return hist;
    const QImage& image = bitmap.image();
    const int w = image.width();
    const int h = image.height();
    switch (bitmap.bitsPerPixel()) {
    case 16: {
        // Count the 32768 colours first, then fold them by channel value.
        std::vector<std::uint32_t> counts(32768, 0);
        for (int y = 0; y < h; ++y) {
            const auto* p = reinterpret_cast<const std::uint16_t*>(image.constScanLine(y));
            for (int x = 0; x < w; ++x)
                ++counts[p[x] & 0x7FFFu];
        }
        for (int v = 0; v < 32768; ++v)
            if (counts[std::size_t(v)] != 0)
                hist[std::size_t(channelValue(detail::unpackRgb555(std::uint16_t(v)), channel))] +=
                    counts[std::size_t(v)];
        break;
    }
    case 24: {
        // Each band counts on its own, then adds its counts to the total.
        const uchar* const bits = image.constBits();
        const qsizetype stride = image.bytesPerLine();
        std::mutex lock;
        // Neighbouring pixels of a photograph often share a level; four
        // counters per level, taken in turn, keep one count from waiting
        // on the last.
        detail::forRowBands(h, std::int64_t(w) * h, [&](int y0, int y1) {
            std::array<std::array<std::uint32_t, 256>, 4> local{};
            const int offset = channel == IntensityChannel::Red || channel == IntensityChannel::Green
                                       || channel == IntensityChannel::Blue
                                   ? int(channel) - 1
                                   : -1;
            for (int y = y0; y < y1; ++y) {
                const uchar* p = bits + y * stride;
                int x = 0;
                if (offset >= 0) {
                    for (; x + 4 <= w; x += 4) {
                        ++local[0][p[3 * x + offset]];
                        ++local[1][p[3 * x + 3 + offset]];
                        ++local[2][p[3 * x + 6 + offset]];
                        ++local[3][p[3 * x + 9 + offset]];
                    }
                    for (; x < w; ++x)
                        ++local[0][p[3 * x + offset]];
                } else {
                    for (; x + 4 <= w; x += 4, p += 12) {
                        ++local[0][luminance(p[0], p[1], p[2])];
                        ++local[1][luminance(p[3], p[4], p[5])];
                        ++local[2][luminance(p[6], p[7], p[8])];
                        ++local[3][luminance(p[9], p[10], p[11])];
                    }
                    for (; x < w; ++x, p += 3)
                        ++local[0][luminance(p[0], p[1], p[2])];
                }
            }
            const std::lock_guard<std::mutex> guard(lock);
            for (std::size_t i = 0; i < 256; ++i)
                hist[i] += local[0][i] + local[1][i] + local[2][i] + local[3][i];
        });
        break;
    }
    case 32:
        for (int y = 0; y < h; ++y) {
            const auto* p = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < w; ++x)
                ++hist[std::size_t(channelValue(p[x], channel))];
        }
        break;
    default: {
        std::array<std::uint32_t, 256> counts{};
        for (int y = 0; y < h; ++y) {
            const uchar* p = image.constScanLine(y);
            for (int x = 0; x < w; ++x)
                ++counts[p[x]];
        }
        const detail::PaletteTable colours = detail::paletteTable(image);
        for (int i = 0; i < 256; ++i)
            hist[std::size_t(channelValue(colours[std::size_t(i)], channel))] += counts[std::size_t(i)];
        break;
    }
    }
    return hist;
}

} // namespace ardane::imaging::ops
