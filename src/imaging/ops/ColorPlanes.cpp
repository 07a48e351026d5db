#include "imaging/ops/ColorPlanes.h"

#include "imaging/ops/PixelRows.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

// Both directions work a scan line at a time: the image's rows are read as
// QRgb (whatever the depth), and each plane is a row of bytes. Large images
// are done in two bands of rows, one on a second thread.
//
// Hue is kept in 1/256 turns. Splitting finds the colour's position on the
// hue wheel in units of its own max - min (six units a turn, one per sector)
// and rounds it to the nearest 1/256 turn. Merging rebuilds the largest and
// smallest channel from value/lightness and saturation, then puts the middle
// channel between them where the hue says.

namespace ardane::imaging::ops {

using detail::RowReader;

namespace {

using Byte = std::uint8_t;

// Images from this many pixels on are split into two bands of rows.
constexpr std::int64_t kThreadedPixels = std::int64_t(1) << 19;

// Runs body(firstRow, endRow, band) over rows [0, height): in two bands, the
// first on a thread of its own, when the image is large and a thread can be
// had; otherwise in one. `body` must not throw.
template <class Body>
void forRowBands(int width, int height, Body&& body)
{
    if (std::int64_t(width) * height >= kThreadedPixels && height >= 2) {
        const int middle = height / 2;
        try {
            std::thread first([&body, middle] { body(0, middle, 0); });
            body(middle, height, 1);
            first.join();
            return;
        } catch (const std::system_error&) {
            // No thread to be had: one band below.
        }
    }
    body(0, height, 0);
}

// --- splitting -------------------------------------------------------------

// n / d for the divisions of splitting (n below 2^20, d from 1 to 3060) as a
// multiplication: with m = ceil(2^40 / d) = (2^40 + e) / d, e < d, the error
// n * e / (d * 2^40) stays below 1 / d, so the quotient is exact.
class Divisions {
public:
    Divisions()
    {
        for (std::size_t d = 1; d < m_reciprocal.size(); ++d)
            m_reciprocal[d] = ((std::uint64_t(1) << 40) + d - 1) / d;
    }
    [[nodiscard]] int divide(int n, int d) const
    {
        return int((std::uint64_t(n) * m_reciprocal[std::size_t(d)]) >> 40);
    }

private:
    std::array<std::uint64_t, 3061> m_reciprocal{};
};

const Divisions& divisions()
{
    static const Divisions table;
    return table;
}

// Hue of a colour in 1/256 turns (0 for greys).
[[nodiscard]] inline int hueOf(const Divisions& div, int r, int g, int b, int max, int delta)
{
    if (delta == 0)
        return 0;
    int position; // in units of delta, six a turn, red at 0
    if (max == r)
        position = g - b;
    else if (max == g)
        position = 2 * delta + b - r;
    else
        position = 4 * delta + r - g;
    if (position < 0)
        position += 6 * delta;
    // round(position * 256 / (6 * delta)), 256 wrapping to 0.
    return div.divide(position * 512 + 6 * delta, 12 * delta) & 255;
}

struct SplitRgb {
    static void row(const QRgb* in, int w, const std::array<Byte*, 4>& p)
    {
        for (int x = 0; x < w; ++x) {
            p[0][x] = Byte(qBlue(in[x]));
            p[1][x] = Byte(qGreen(in[x]));
            p[2][x] = Byte(qRed(in[x]));
        }
    }
};

struct SplitCmy {
    static void row(const QRgb* in, int w, const std::array<Byte*, 4>& p)
    {
        for (int x = 0; x < w; ++x) {
            p[0][x] = Byte(255 - qRed(in[x]));
            p[1][x] = Byte(255 - qGreen(in[x]));
            p[2][x] = Byte(255 - qBlue(in[x]));
        }
    }
};

struct SplitCmyk {
    static void row(const QRgb* in, int w, const std::array<Byte*, 4>& p)
    {
        for (int x = 0; x < w; ++x) {
            const int c = 255 - qRed(in[x]);
            const int m = 255 - qGreen(in[x]);
            const int y = 255 - qBlue(in[x]);
            const int k = std::min({c, m, y});
            p[0][x] = Byte(c - k);
            p[1][x] = Byte(m - k);
            p[2][x] = Byte(y - k);
            p[3][x] = Byte(k);
        }
    }
};

struct SplitHsv {
    static void row(const QRgb* in, int w, const std::array<Byte*, 4>& p)
    {
        const Divisions& div = divisions();
        for (int x = 0; x < w; ++x) {
            const int r = qRed(in[x]);
            const int g = qGreen(in[x]);
            const int b = qBlue(in[x]);
            const int max = std::max({r, g, b});
            const int delta = max - std::min({r, g, b});
            p[0][x] = Byte(hueOf(div, r, g, b, max, delta));
            p[1][x] = Byte(max == 0 ? 0 : div.divide(510 * delta + max, 2 * max)); // round(255 * delta / max)
            p[2][x] = Byte(max);
        }
    }
};

// Lightness and saturation of HLS from the sum and the difference of the
// largest and smallest channel, as the merge table below works them out
// (the split row does the same division by multiplication).
[[nodiscard]] constexpr int hlsLightness(int sum) { return (sum + 1) / 2; }
[[nodiscard]] constexpr int hlsSaturation(int sum, int delta)
{
    if (delta == 0)
        return 0;
    const int span = sum <= 255 ? sum : 510 - sum; // never below delta
    return (510 * delta + span) / (2 * span);      // round(255 * delta / span)
}

struct SplitHls {
    static void row(const QRgb* in, int w, const std::array<Byte*, 4>& p)
    {
        const Divisions& div = divisions();
        for (int x = 0; x < w; ++x) {
            const int r = qRed(in[x]);
            const int g = qGreen(in[x]);
            const int b = qBlue(in[x]);
            const int max = std::max({r, g, b});
            const int min = std::min({r, g, b});
            const int sum = max + min;
            const int delta = max - min;
            p[0][x] = Byte(hueOf(div, r, g, b, max, delta));
            p[1][x] = Byte(hlsLightness(sum));
            if (delta == 0) {
                p[2][x] = 0;
            } else {
                const int span = sum <= 255 ? sum : 510 - sum;
                p[2][x] = Byte(div.divide(510 * delta + span, 2 * span));
            }
        }
    }
};

template <class Model>
void splitAll(const Bitmap& in, std::vector<Bitmap>& planes, std::vector<QRgb>* rows)
{
    const RowReader reader(in);
    const int w = in.width();
    forRowBands(w, in.height(), [&](int y0, int y1, int band) {
        QRgb* row = rows[band].data();
        for (int y = y0; y < y1; ++y) {
            reader.read(y, row);
            std::array<Byte*, 4> p{};
            for (std::size_t i = 0; i < planes.size(); ++i)
                p[i] = planes[i].image().scanLine(y);
            Model::row(row, w, p);
        }
    });
}

// --- merging ---------------------------------------------------------------

// The largest and smallest channel of an HLS colour for every lightness and
// saturation. Lightness keeps only half of max + min, so several colours
// share a cell; each cell holds the middle of the colours that give it. A
// cell no colour gives (an edited plane) takes the nearest saturation of the
// same lightness that some colour gives.
struct HlsTable {
    std::array<Byte, 65536> max{};
    std::array<Byte, 65536> min{};

    HlsTable()
    {
        std::vector<Byte> loMax(65536, 255), hiMax(65536, 0), loMin(65536, 255), hiMin(65536, 0);
        std::vector<bool> seen(65536, false);
        for (int hi = 0; hi < 256; ++hi)
            for (int lo = 0; lo <= hi; ++lo) {
                const std::size_t cell = std::size_t(hlsLightness(hi + lo)) * 256 + std::size_t(hlsSaturation(hi + lo, hi - lo));
                seen[cell] = true;
                loMax[cell] = std::min(loMax[cell], Byte(hi));
                hiMax[cell] = std::max(hiMax[cell], Byte(hi));
                loMin[cell] = std::min(loMin[cell], Byte(lo));
                hiMin[cell] = std::max(hiMin[cell], Byte(lo));
            }
        for (std::size_t l = 0; l < 256; ++l) {
            const std::size_t base = l * 256;
            for (std::size_t s = 0; s < 256; ++s) {
                // Saturation 0 is always given (the grey l, l), so the search ends.
                std::size_t from = base + s;
                for (std::size_t d = 0; !seen[from]; ++d) {
                    if (s >= d && seen[base + s - d]) {
                        from = base + s - d;
                        break;
                    }
                    if (s + d < 256 && seen[base + s + d])
                        from = base + s + d;
                }
                max[base + s] = Byte((loMax[from] + hiMax[from] + 1) / 2);
                min[base + s] = Byte((loMin[from] + hiMin[from]) / 2);
            }
        }
    }
};

const HlsTable& hlsTable()
{
    static const HlsTable table;
    return table;
}

// A colour from its hue and its largest and smallest channel.
[[nodiscard]] inline QRgb fromHue(int hue, int max, int min)
{
    const int turn = hue * 6; // sector in the high byte, position in it below
    const int step = ((max - min) * (turn & 255) + 128) >> 8;
    switch (turn >> 8) {
    case 0: return qRgb(max, min + step, min);
    case 1: return qRgb(max - step, max, min);
    case 2: return qRgb(min, max, min + step);
    case 3: return qRgb(min, max - step, max);
    case 4: return qRgb(min + step, min, max);
    default: return qRgb(max, min, max - step);
    }
}

struct MergeRgb {
    static QRgb pixel(const std::array<Byte, 4>& v) { return qRgb(v[2], v[1], v[0]); }
};
struct MergeCmy {
    static QRgb pixel(const std::array<Byte, 4>& v) { return qRgb(255 - v[0], 255 - v[1], 255 - v[2]); }
};
struct MergeCmyk {
    static QRgb pixel(const std::array<Byte, 4>& v)
    {
        const int k = v[3];
        return qRgb(std::max(0, 255 - v[0] - k), std::max(0, 255 - v[1] - k), std::max(0, 255 - v[2] - k));
    }
};
struct MergeHsv {
    static QRgb pixel(const std::array<Byte, 4>& v)
    {
        const int value = v[2];
        return fromHue(v[0], value, value - (v[1] * value + 127) / 255);
    }
};
struct MergeHls {
    static QRgb pixel(const std::array<Byte, 4>& v)
    {
        const HlsTable& t = hlsTable();
        const std::size_t cell = std::size_t(v[1]) * 256 + v[2];
        return fromHue(v[0], t.max[cell], t.min[cell]);
    }
};

// Reads the rows of a plane as grey bytes, padded with 0 to `width`.
class GreyReader {
public:
    explicit GreyReader(const Bitmap& plane) : m_plane(plane), m_reader(plane), m_indexed(plane.isIndexed())
    {
        if (m_indexed) {
            const detail::PaletteTable colours = detail::paletteTable(plane.image());
            for (std::size_t i = 0; i < 256; ++i)
                m_grey[i] = luminance(qRed(colours[i]), qGreen(colours[i]), qBlue(colours[i]));
        }
    }

    // `scratch` holds at least the plane's width.
    void read(int y, int width, Byte* out, QRgb* scratch) const
    {
        const int own = y < m_plane.height() ? std::min(m_plane.width(), width) : 0;
        if (own > 0) {
            if (m_indexed) {
                const uchar* line = m_plane.image().constScanLine(y);
                for (int x = 0; x < own; ++x)
                    out[x] = m_grey[line[x]];
            } else {
                m_reader.read(y, scratch);
                for (int x = 0; x < own; ++x)
                    out[x] = luminance(qRed(scratch[x]), qGreen(scratch[x]), qBlue(scratch[x]));
            }
        }
        std::fill(out + own, out + width, Byte(0));
    }

private:
    const Bitmap& m_plane;
    RowReader m_reader;
    bool m_indexed;
    std::array<Byte, 256> m_grey{};
};

struct MergeBand {
    std::vector<QRgb> scratch;
    std::array<std::vector<Byte>, 4> grey;
};

template <class Model>
void mergeAll(const std::vector<Bitmap>& planes, Bitmap& out, std::array<MergeBand, 2>& bands)
{
    std::vector<GreyReader> readers;
    readers.reserve(planes.size());
    for (const Bitmap& p : planes)
        readers.emplace_back(p);
    const int w = out.width();
    const std::size_t count = planes.size();
    forRowBands(w, out.height(), [&](int y0, int y1, int band) {
        MergeBand& b = bands[std::size_t(band)];
        std::array<const Byte*, 4> grey{};
        for (std::size_t i = 0; i < count; ++i)
            grey[i] = b.grey[i].data();
        for (int y = y0; y < y1; ++y) {
            for (std::size_t i = 0; i < count; ++i)
                readers[i].read(y, w, b.grey[i].data(), b.scratch.data());
            uchar* line = out.image().scanLine(y);
            std::array<Byte, 4> v{};
            for (int x = 0; x < w; ++x, line += 3) {
                for (std::size_t i = 0; i < count; ++i)
                    v[i] = grey[i][x];
                const QRgb c = Model::pixel(v);
                line[0] = uchar(qRed(c));
                line[1] = uchar(qGreen(c));
                line[2] = uchar(qBlue(c));
            }
        }
    });
}

} // namespace

int planeCount(int model)
{
    switch (model) {
    case int(PlaneModel::CMYK): return 4;
    case int(PlaneModel::RGB):
    case int(PlaneModel::HSV):
    case int(PlaneModel::HLS):
    case int(PlaneModel::CMY): return 3;
    default: return 0;
    }
}

Result splitPlanes(const Bitmap& in, int model, std::vector<Bitmap>& planes)
{
    const int count = planeCount(model);
    if (count == 0)
        return result::NotAvailable;
    if (in.isNull())
        return result::OutOfMemory;
    try {
        std::vector<Bitmap> made;
        for (int i = 0; i < count; ++i) {
            Bitmap plane = Bitmap::create(in.width(), in.height(), 8);
            if (plane.isNull())
                return result::OutOfMemory;
            plane.setResolution(in.xResolution(), in.yResolution());
            made.push_back(std::move(plane));
        }
        (void)divisions(); // built once, before the bands start
        std::array<std::vector<QRgb>, 2> rows{std::vector<QRgb>(std::size_t(in.width())),
                                              std::vector<QRgb>(std::size_t(in.width()))};
        switch (PlaneModel(model)) {
        case PlaneModel::RGB: splitAll<SplitRgb>(in, made, rows.data()); break;
        case PlaneModel::CMYK: splitAll<SplitCmyk>(in, made, rows.data()); break;
        case PlaneModel::HSV: splitAll<SplitHsv>(in, made, rows.data()); break;
        case PlaneModel::HLS: splitAll<SplitHls>(in, made, rows.data()); break;
        case PlaneModel::CMY: splitAll<SplitCmy>(in, made, rows.data()); break;
        }
        planes = std::move(made);
        return result::Ok;
    } catch (const std::bad_alloc&) {
        return result::OutOfMemory;
    } catch (const std::length_error&) {
        return result::OutOfMemory;
    }
}

Result mergePlanes(const std::vector<Bitmap>& planes, int model, Bitmap& out)
{
    const int count = planeCount(model);
    if (count == 0 || int(planes.size()) != count)
        return result::NotAvailable;
    int width = 0;
    int height = 0;
    int widest = 0;
    for (const Bitmap& p : planes) {
        width = std::max(width, p.width());
        height = std::max(height, p.height());
    }
    for (const Bitmap& p : planes)
        widest = std::max(widest, p.width());
    try {
        Bitmap merged = Bitmap::create(width, height, 24);
        if (merged.isNull())
            return result::OutOfMemory;
        merged.setResolution(planes.front().xResolution(), planes.front().yResolution());
        std::array<MergeBand, 2> bands;
        for (MergeBand& b : bands) {
            b.scratch.resize(std::size_t(widest));
            for (std::size_t i = 0; i < planes.size(); ++i)
                b.grey[i].resize(std::size_t(width));
        }
        switch (PlaneModel(model)) {
        case PlaneModel::RGB: mergeAll<MergeRgb>(planes, merged, bands); break;
        case PlaneModel::CMYK: mergeAll<MergeCmyk>(planes, merged, bands); break;
        case PlaneModel::HSV: mergeAll<MergeHsv>(planes, merged, bands); break;
        case PlaneModel::HLS:
            (void)hlsTable(); // built once, before the bands start
            mergeAll<MergeHls>(planes, merged, bands);
            break;
        case PlaneModel::CMY: mergeAll<MergeCmy>(planes, merged, bands); break;
        }
        out = std::move(merged);
        return result::Ok;
    } catch (const std::bad_alloc&) {
        return result::OutOfMemory;
    } catch (const std::length_error&) {
        return result::OutOfMemory;
    }
}

} // namespace ardane::imaging::ops
