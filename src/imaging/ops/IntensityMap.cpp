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
        detail::forRowBands(h, std::int64_t(w) * h, [&](int y0, int y1) {
            std::array<std::uint32_t, 256> local{};
            for (int y = y0; y < y1; ++y) {
                const uchar* p = bits + y * stride;
                switch (channel) {
                case IntensityChannel::Red:
                case IntensityChannel::Green:
                case IntensityChannel::Blue: {
                    const int offset = int(channel) - 1;
                    for (int x = 0; x < w; ++x)
                        ++local[p[3 * x + offset]];
                    break;
                }
                default:
                    for (int x = 0; x < w; ++x, p += 3)
                        ++local[luminance(p[0], p[1], p[2])];
                    break;
                }
            }
            const std::lock_guard<std::mutex> guard(lock);
            for (std::size_t i = 0; i < 256; ++i)
                hist[i] += local[i];
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
