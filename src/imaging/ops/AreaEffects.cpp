#include "imaging/ops/AreaEffects.h"

#include "imaging/ops/NearestColor.h"
#include "imaging/ops/Parallel.h"
#include "imaging/ops/PixelRows.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>
#include <numbers>
#include <optional>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The neighbourhood effects take the red, green and blue of the image out as
// three planes of bytes (one scan line at a time, whatever the depth), work
// on each plane with plain loops over rows, and put the result back. Alpha
// never leaves the image: writing a 32-bit row back keeps each pixel's alpha
// byte. Indexed results go through the nearest-colour table of the image's
// palette. The shear only moves pixels, so it copies stored bytes.

namespace ardane::imaging::ops {

using detail::bytesPerPixel;
using detail::forRowBands;
using detail::RowReader;

namespace {

using Plane = std::vector<std::uint8_t>;

struct Planes {
    int width = 0;
    int height = 0;
    std::array<Plane, 3> channel; // red, green, blue
};

Planes takePlanes(const Bitmap& bitmap)
{
    Planes p;
    p.width = bitmap.width();
    p.height = bitmap.height();
    const int w = p.width;
    const std::size_t count = std::size_t(p.width) * std::size_t(p.height);
    for (Plane& c : p.channel)
        c.resize(count);
    const RowReader reader(bitmap);
    const bool packed = bitmap.bitsPerPixel() == 24;
    const uchar* const bits = bitmap.image().constBits();
    const qsizetype stride = bitmap.image().bytesPerLine();
    forRowBands(p.height, std::int64_t(count), [&](int y0, int y1) {
        std::vector<QRgb> row(packed ? 0 : std::size_t(w));
        for (int y = y0; y < y1; ++y) {
            const std::size_t base = std::size_t(y) * std::size_t(w);
            std::uint8_t* r = p.channel[0].data() + base;
            std::uint8_t* g = p.channel[1].data() + base;
            std::uint8_t* b = p.channel[2].data() + base;
            if (packed) {
                const uchar* line = bits + y * stride;
                for (int x = 0; x < w; ++x, line += 3) {
                    r[x] = line[0];
                    g[x] = line[1];
                    b[x] = line[2];
                }
                continue;
            }
            reader.read(y, row.data());
            for (int x = 0; x < w; ++x) {
                const QRgb c = row[std::size_t(x)];
                r[x] = std::uint8_t(qRed(c));
                g[x] = std::uint8_t(qGreen(c));
                b[x] = std::uint8_t(qBlue(c));
            }
        }
    });
    return p;
}

// Writes the planes into the bitmap, whose pixels must be its own already.
void putPlanes(Bitmap& bitmap, const Planes& p, const std::optional<detail::NearestColor>& nearest)
{
    const int bits = bitmap.bitsPerPixel();
    const int w = p.width;
    uchar* const pixels = bitmap.image().bits();
    const qsizetype stride = bitmap.image().bytesPerLine();
    forRowBands(p.height, std::int64_t(w) * p.height, [&](int y0, int y1) {
        std::vector<QRgb> row(bits == 16 ? std::size_t(w) : 0);
        for (int y = y0; y < y1; ++y) {
            const std::size_t base = std::size_t(y) * std::size_t(w);
            const std::uint8_t* r = p.channel[0].data() + base;
            const std::uint8_t* g = p.channel[1].data() + base;
            const std::uint8_t* b = p.channel[2].data() + base;
            uchar* line = pixels + y * stride;
            switch (bits) {
            case 16:
                for (int x = 0; x < w; ++x)
                    row[std::size_t(x)] = qRgb(r[x], g[x], b[x]);
                detail::writeTrueColourRow(line, bits, row.data(), w);
                break;
            case 24:
                for (int x = 0; x < w; ++x, line += 3) {
                    line[0] = r[x];
                    line[1] = g[x];
                    line[2] = b[x];
                }
                break;
            case 32: {
                auto* px = reinterpret_cast<QRgb*>(line);
                for (int x = 0; x < w; ++x)
                    px[x] = (px[x] & 0xFF000000u) | (QRgb(r[x]) << 16) | (QRgb(g[x]) << 8) | QRgb(b[x]);
                break;
            }
            default:
                for (int x = 0; x < w; ++x)
                    line[x] = uchar((*nearest)(r[x], g[x], b[x]));
                break;
            }
        }
    });
}

// Runs `work` on the planes of the bitmap and stores the result. Nothing is
// written until every buffer has been had, so on a lack of memory the bitmap
// is as it was.
template <class Work>
bool onPlanes(Bitmap& bitmap, Work&& work)
{
    if (bitmap.isNull())
        return true;
    try {
        Planes planes = takePlanes(bitmap);
        work(planes);
        std::optional<detail::NearestColor> nearest;
        if (bitmap.isIndexed())
            nearest.emplace(bitmap.palette());
        if (!bitmap.detach())
            return false;
        putPlanes(bitmap, planes, nearest);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Coordinates from -before .. n - 1 + after brought inside 0 .. n - 1, so a
// window reaching past the border reads the edge pixel again.
class Clamped {
public:
    Clamped(int n, int before, int after) : m_offset(before), m_index(std::size_t(n) + std::size_t(before) + std::size_t(after))
    {
        for (std::size_t i = 0; i < m_index.size(); ++i)
            m_index[i] = std::clamp(int(i) - before, 0, n - 1);
    }
    [[nodiscard]] int operator()(int i) const { return m_index[std::size_t(i + m_offset)]; }

private:
    int m_offset;
    std::vector<int> m_index;
};

// The window of a size: pixels reached above/left and below/right.
struct Window {
    int before;
    int after;
};

Window windowOf(int size) { return {(size - 1) / 2, size / 2}; }

int clampSize(int size) { return std::clamp(size, 1, kMaxSide); }

// Sliding-histogram median of rows [y0, y1) of one plane. For each row the
// histogram of the window is kept while it moves right: one column leaves,
// one enters, and the median moves from where it was by as many steps as the
// counts need.
void medianRows(const Plane& src, Plane& dst, int w, int h, int size, int y0, int y1)
{
    const Window win = windowOf(size);
    const Clamped cx(w, win.before + 1, win.after);
    const Clamped cy(h, win.before, win.after);
    const std::int64_t rank = (std::int64_t(size) * size - 1) / 2; // lower middle, 0-based
    std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(size));
    std::array<std::int64_t, 256> hist{};
    for (int y = y0; y < y1; ++y) {
        for (int i = 0; i < size; ++i)
            rows[std::size_t(i)] = src.data() + std::size_t(cy(y - win.before + i)) * std::size_t(w);
        hist.fill(0);
        for (int dx = -win.before; dx <= win.after; ++dx) {
            const int xx = cx(dx);
            for (const std::uint8_t* row : rows)
                ++hist[row[xx]];
        }
        int m = 0;
        std::int64_t below = 0; // window values under m
        while (below + hist[std::size_t(m)] <= rank)
            below += hist[std::size_t(m++)];
        std::uint8_t* out = dst.data() + std::size_t(y) * std::size_t(w);
        out[0] = std::uint8_t(m);
        for (int x = 1; x < w; ++x) {
            const int leaving = cx(x - 1 - win.before);
            const int entering = cx(x + win.after);
            if (leaving != entering) {
                for (const std::uint8_t* row : rows) {
                    const int a = row[leaving];
                    --hist[std::size_t(a)];
                    below -= a < m;
                    const int b = row[entering];
                    ++hist[std::size_t(b)];
                    below += b < m;
                }
                while (below > rank)
                    below -= hist[std::size_t(--m)];
                while (below + hist[std::size_t(m)] <= rank)
                    below += hist[std::size_t(m++)];
            }
            out[x] = std::uint8_t(m);
        }
    }
}

// The 3x3 median of rows [y0, y1) without a histogram: each column of three
// is sorted into low, middle and high, and the median of the nine is the
// middle of (the largest low, the middle middle, the smallest high) of three
// neighbouring columns. Plain minima and maxima over arrays, which the
// compiler turns into vector instructions.
void median3Rows(const Plane& src, Plane& dst, int w, int h, int y0, int y1)
{
    // Columns -1 .. w, the outer ones repeating the edge.
    std::vector<std::uint8_t> lo(std::size_t(w) + 2), mid(std::size_t(w) + 2), hi(std::size_t(w) + 2);
    const auto med3 = [](std::uint8_t a, std::uint8_t b, std::uint8_t c) {
        return std::max(std::min(a, b), std::min(std::max(a, b), c));
    };
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* up = src.data() + std::size_t(std::max(y - 1, 0)) * std::size_t(w);
        const std::uint8_t* row = src.data() + std::size_t(y) * std::size_t(w);
        const std::uint8_t* down = src.data() + std::size_t(std::min(y + 1, h - 1)) * std::size_t(w);
        std::uint8_t* l = lo.data() + 1;
        std::uint8_t* m = mid.data() + 1;
        std::uint8_t* u = hi.data() + 1;
        int x = 0;
#if defined(__SSE2__)
        for (; x + 16 <= w; x += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(up + x));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(down + x));
            const __m128i small = _mm_min_epu8(a, b), large = _mm_max_epu8(a, b);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(l + x), _mm_min_epu8(small, c));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(u + x), _mm_max_epu8(large, c));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(m + x), _mm_max_epu8(small, _mm_min_epu8(large, c)));
        }
#endif
        for (; x < w; ++x) {
            const std::uint8_t a = up[x], b = row[x], c = down[x];
            const std::uint8_t small = std::min(a, b), large = std::max(a, b);
            l[x] = std::min(small, c);
            u[x] = std::max(large, c);
            m[x] = std::max(small, std::min(large, c));
        }
        l[-1] = l[0];
        m[-1] = m[0];
        u[-1] = u[0];
        l[w] = l[w - 1];
        m[w] = m[w - 1];
        u[w] = u[w - 1];
        std::uint8_t* out = dst.data() + std::size_t(y) * std::size_t(w);
        x = 0;
#if defined(__SSE2__)
        const auto load = [](const std::uint8_t* q) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q)); };
        const auto med3v = [](__m128i a, __m128i b, __m128i c) {
            return _mm_max_epu8(_mm_min_epu8(a, b), _mm_min_epu8(_mm_max_epu8(a, b), c));
        };
        for (; x + 16 <= w; x += 16) {
            const __m128i maxLow = _mm_max_epu8(_mm_max_epu8(load(l + x - 1), load(l + x)), load(l + x + 1));
            const __m128i minHigh = _mm_min_epu8(_mm_min_epu8(load(u + x - 1), load(u + x)), load(u + x + 1));
            const __m128i midMid = med3v(load(m + x - 1), load(m + x), load(m + x + 1));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), med3v(maxLow, midMid, minHigh));
        }
#endif
        for (; x < w; ++x) {
            const std::uint8_t maxLow = std::max(std::max(l[x - 1], l[x]), l[x + 1]);
            const std::uint8_t minHigh = std::min(std::min(u[x - 1], u[x]), u[x + 1]);
            const std::uint8_t midMid = med3(m[x - 1], m[x], m[x + 1]);
            out[x] = med3(maxLow, midMid, minHigh);
        }
    }
}

void medianPlane(const Plane& src, Plane& dst, int w, int h, int size)
{
    forRowBands(h, std::int64_t(w) * h, [&](int y0, int y1) {
        if (size == 3)
            median3Rows(src, dst, w, h, y0, y1);
        else
            medianRows(src, dst, w, h, size, y0, y1);
    });
}

// Box mean of rows [y0, y1) of one plane: column sums over the window's
// rows are kept for the current row and updated by one row in and one out;
// along the row a running sum of those column sums gives each window's total.
// `quotient`, when not empty, holds the rounded mean of every possible sum.
void averageRows(const Plane& src, Plane& dst, int w, int h, int size, const std::vector<std::uint8_t>& quotient,
                 int y0, int y1)
{
    const Window win = windowOf(size);
    const Clamped cx(w, win.before + 1, win.after);
    const Clamped cy(h, win.before, win.after + 1);
    const std::uint64_t n = std::uint64_t(size) * std::uint64_t(size);
    const auto mean = [&](std::uint64_t sum) {
        return quotient.empty() ? std::uint8_t((sum + n / 2) / n) : quotient[std::size_t(sum)];
    };
    std::vector<std::uint32_t> column(std::size_t(w), 0);
    auto addRow = [&](int y, bool add) {
        const std::uint8_t* row = src.data() + std::size_t(cy(y)) * std::size_t(w);
        if (add)
            for (int x = 0; x < w; ++x)
                column[std::size_t(x)] += row[x];
        else
            for (int x = 0; x < w; ++x)
                column[std::size_t(x)] -= row[x];
    };
    for (int i = -win.before; i <= win.after; ++i)
        addRow(y0 + i, true);
    for (int y = y0; y < y1; ++y) {
        std::uint64_t sum = 0;
        for (int dx = -win.before; dx <= win.after; ++dx)
            sum += column[std::size_t(cx(dx))];
        std::uint8_t* out = dst.data() + std::size_t(y) * std::size_t(w);
        out[0] = mean(sum);
        for (int x = 1; x < w; ++x) {
            sum += column[std::size_t(cx(x + win.after))];
            sum -= column[std::size_t(cx(x - 1 - win.before))];
            out[x] = mean(sum);
        }
        if (y + 1 < y1) {
            addRow(y - win.before, false);
            addRow(y + 1 + win.after, true);
        }
    }
}

// The rounded mean of every sum of a window of n pixels, when that table is
// smaller than the image (else the means are divided out one by one).
std::vector<std::uint8_t> meanTable(std::uint64_t n, std::size_t pixels)
{
    std::vector<std::uint8_t> quotient;
    if (n * 255 + 1 <= std::min<std::uint64_t>(pixels, 1u << 20)) {
        quotient.resize(std::size_t(n * 255 + 1));
        for (std::size_t t = 0; t < quotient.size(); ++t)
            quotient[t] = std::uint8_t((t + n / 2) / n);
    }
    return quotient;
}

void averagePlane(const Plane& src, Plane& dst, int w, int h, int size, const std::vector<std::uint8_t>& quotient)
{
    forRowBands(h, std::int64_t(w) * h,
                [&](int y0, int y1) { averageRows(src, dst, w, h, size, quotient, y0, y1); });
}

void mosaicPlane(Plane& plane, int w, int h, int size)
{
    const int blocks = (w + size - 1) / size;
    const int blockRows = (h + size - 1) / size;
    forRowBands(blockRows, std::int64_t(w) * h, [&](int b0, int b1) {
        std::vector<std::uint64_t> sums(static_cast<std::size_t>(blocks));
        for (int top = b0 * size; top < std::min(h, b1 * size); top += size) {
            const int bottom = std::min(h, top + size);
            std::fill(sums.begin(), sums.end(), 0);
            for (int y = top; y < bottom; ++y) {
                const std::uint8_t* row = plane.data() + std::size_t(y) * std::size_t(w);
                for (int k = 0; k < blocks; ++k) {
                    const int x1 = std::min(w, (k + 1) * size);
                    std::uint64_t s = 0;
                    for (int x = k * size; x < x1; ++x)
                        s += row[x];
                    sums[std::size_t(k)] += s;
                }
            }
            for (int k = 0; k < blocks; ++k) {
                const std::uint64_t count =
                    std::uint64_t(std::min(w, (k + 1) * size) - k * size) * std::uint64_t(bottom - top);
                sums[std::size_t(k)] = (sums[std::size_t(k)] + count / 2) / count;
            }
            for (int y = top; y < bottom; ++y) {
                std::uint8_t* row = plane.data() + std::size_t(y) * std::size_t(w);
                for (int k = 0; k < blocks; ++k)
                    std::memset(row + std::size_t(k) * std::size_t(size), int(sums[std::size_t(k)]),
                                std::size_t(std::min(w, (k + 1) * size) - k * size));
            }
        }
    });
}

// a / b rounded to the nearest integer, halves away from zero (b > 0).
int roundedDiv(std::int64_t a, std::int64_t b)
{
    return int(a >= 0 ? (a + b / 2) / b : -((-a + b / 2) / b));
}

std::uint8_t clampByte(int v) { return std::uint8_t(std::clamp(v, 0, 255)); }

void sharpenPlane(const Plane& src, Plane& dst, int w, int h, int value)
{
    // The change for every difference from the blur (-4080..4080 sixteenths).
    constexpr int kSpan = 16 * 255;
    std::vector<int> change(2 * kSpan + 1);
    for (int d = -kSpan; d <= kSpan; ++d)
        change[std::size_t(d + kSpan)] = value > 0 ? roundedDiv(std::int64_t(d) * value, 250 * 16)
                                                   : -roundedDiv(std::int64_t(d) * -value, 1000 * 16);
    const int* const lut = change.data() + kSpan;
    forRowBands(h, std::int64_t(w) * h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const std::uint8_t* up = src.data() + std::size_t(std::max(y - 1, 0)) * std::size_t(w);
            const std::uint8_t* mid = src.data() + std::size_t(y) * std::size_t(w);
            const std::uint8_t* down = src.data() + std::size_t(std::min(y + 1, h - 1)) * std::size_t(w);
            std::uint8_t* out = dst.data() + std::size_t(y) * std::size_t(w);
            const auto at = [&](int x, int l, int r) {
                const int blur16 = up[l] + 2 * up[x] + up[r] + 2 * (mid[l] + 2 * mid[x] + mid[r]) + down[l] + 2 * down[x]
                                 + down[r];
                out[x] = clampByte(mid[x] + lut[mid[x] * 16 - blur16]);
            };
            at(0, 0, std::min(1, w - 1));
            for (int x = 1; x < w - 1; ++x)
                at(x, x - 1, x + 1);
            if (w > 1)
                at(w - 1, w - 2, w - 1);
        }
    });
}

constexpr std::array<std::array<int, 2>, 8> kCompass = {{{0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}}};

// A small fast generator (xorshift64*), fixed seed: the same noise every time.
class NoiseSource {
public:
    [[nodiscard]] std::uint32_t next()
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return std::uint32_t((m_state * 0x2545F4914F6CDD1Dull) >> 32);
    }

private:
    std::uint64_t m_state = 0x9E3779B97F4A7C15ull;
};

// A blank bitmap with the depth, colour table and resolution of `like`.
Bitmap makeLike(const Bitmap& like, int width, int height)
{
    Bitmap b = Bitmap::create(width, height, like.bitsPerPixel(), like.palette());
    if (b.isNull())
        return b;
    if (like.isIndexed())
        b.image().setColorTable(like.image().colorTable());
    b.setResolution(like.xResolution(), like.yResolution());
    return b;
}

// The stored bytes of `colour` in the bitmap's format (4 at most).
std::array<uchar, 4> encodeColour(const Bitmap& bitmap, ColorRef colour)
{
    const int r = colorRefRed(colour), g = colorRefGreen(colour), b = colorRefBlue(colour);
    std::array<uchar, 4> pixel{};
    switch (bitmap.bitsPerPixel()) {
    case 16: {
        const std::uint16_t v = detail::packRgb555(qRgb(r, g, b));
        std::memcpy(pixel.data(), &v, 2);
        break;
    }
    case 24: pixel = {uchar(r), uchar(g), uchar(b), 0}; break;
    case 32: {
        const QRgb v = qRgb(r, g, b);
        std::memcpy(pixel.data(), &v, 4);
        break;
    }
    default: pixel[0] = uchar(detail::nearestIndex(bitmap.palette(), r, g, b)); break;
    }
    return pixel;
}

void fillPixels(uchar* dst, int count, const std::array<uchar, 4>& pixel, int bpp)
{
    if (bpp == 1) {
        std::memset(dst, pixel[0], std::size_t(std::max(count, 0)));
        return;
    }
    for (int i = 0; i < count; ++i, dst += bpp)
        std::memcpy(dst, pixel.data(), std::size_t(bpp));
}

} // namespace

bool medianFilter(Bitmap& bitmap, int size)
{
    size = clampSize(size);
    if (size == 1)
        return true;
    return onPlanes(bitmap, [size](Planes& p) {
        Plane out(p.channel[0].size());
        for (Plane& c : p.channel) {
            medianPlane(c, out, p.width, p.height, size);
            c.swap(out);
        }
    });
}

bool average(Bitmap& bitmap, int size)
{
    size = clampSize(size);
    if (size == 1)
        return true;
    return onPlanes(bitmap, [size](Planes& p) {
        Plane out(p.channel[0].size());
        const std::vector<std::uint8_t> quotient = meanTable(std::uint64_t(size) * std::uint64_t(size), out.size());
        for (Plane& c : p.channel) {
            averagePlane(c, out, p.width, p.height, size, quotient);
            c.swap(out);
        }
    });
}

bool mosaic(Bitmap& bitmap, int size)
{
    size = clampSize(size);
    if (size == 1)
        return true;
    return onPlanes(bitmap, [size](Planes& p) {
        for (Plane& c : p.channel)
            mosaicPlane(c, p.width, p.height, size);
    });
}

bool sharpen(Bitmap& bitmap, int value)
{
    value = std::clamp(value, -1000, 1000);
    if (value == 0)
        return true;
    return onPlanes(bitmap, [value](Planes& p) {
        Plane out(p.channel[0].size());
        for (Plane& c : p.channel) {
            sharpenPlane(c, out, p.width, p.height, value);
            c.swap(out);
        }
    });
}

bool emboss(Bitmap& bitmap, int direction, int depth)
{
    const auto step = kCompass[std::size_t(((direction % 8) + 8) % 8)];
    const int dx = step[0];
    const int dy = step[1];
    depth = std::clamp(depth, 0, 1000);
    return onPlanes(bitmap, [dx, dy, depth](Planes& p) {
        const int w = p.width, h = p.height;
        Plane grey(p.channel[0].size());
        // The relief of every difference of grey (-255..255).
        std::array<std::uint8_t, 511> relief{};
        for (int d = -255; d <= 255; ++d)
            relief[std::size_t(d + 255)] = clampByte(128 + roundedDiv(std::int64_t(d) * depth, 250));
        forRowBands(h, std::int64_t(w) * h, [&](int y0, int y1) {
            for (std::size_t i = std::size_t(y0) * std::size_t(w); i < std::size_t(y1) * std::size_t(w); ++i)
                grey[i] = luminance(p.channel[0][i], p.channel[1][i], p.channel[2][i]);
        });
        Plane& out = p.channel[0];
        forRowBands(h, std::int64_t(w) * h, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const int ny = y + dy;
                const std::uint8_t* row = grey.data() + std::size_t(y) * std::size_t(w);
                const std::uint8_t* other =
                    ny >= 0 && ny < h ? grey.data() + std::size_t(ny) * std::size_t(w) : nullptr;
                std::uint8_t* o = out.data() + std::size_t(y) * std::size_t(w);
                for (int x = 0; x < w; ++x) {
                    const int nx = x + dx;
                    const int neighbour = other && nx >= 0 && nx < w ? other[nx] : row[x];
                    o[x] = relief[std::size_t(row[x] - neighbour + 255)];
                }
            }
        });
        p.channel[1] = out;
        p.channel[2] = out;
    });
}

bool addNoise(Bitmap& bitmap, int amount, int channel)
{
    amount = std::clamp(amount, 0, 1000);
    channel = std::clamp(channel, 0, 3);
    const int a = amount * 255 / 1000;
    if (a == 0)
        return true;
    return onPlanes(bitmap, [a, channel](Planes& p) {
        NoiseSource noise;
        const std::uint64_t span = std::uint64_t(2 * a + 1);
        const std::size_t n = p.channel[0].size();
        auto offset = [&] { return int((std::uint64_t(noise.next()) * span) >> 32) - a; };
        if (channel == 0) {
            for (std::size_t i = 0; i < n; ++i) {
                const int d = offset();
                for (Plane& c : p.channel)
                    c[i] = clampByte(c[i] + d);
            }
        } else {
            Plane& c = p.channel[std::size_t(channel - 1)];
            for (std::size_t i = 0; i < n; ++i)
                c[i] = clampByte(c[i] + offset());
        }
    });
}

Result shear(const Bitmap& in, int degrees, bool horizontal, ColorRef fill, Bitmap& out)
{
    if (in.isNull())
        return result::OutOfMemory;
    if (degrees < 0 || degrees > 45)
        return result::NotAvailable;
    if (degrees == 0) {
        out = in;
        return result::Ok;
    }
    const double slope = std::tan(degrees * std::numbers::pi / 180.0);
    const int w = in.width(), h = in.height();
    const std::int64_t grow = std::llround((horizontal ? h : w) * slope);
    const std::int64_t nw = horizontal ? w + grow : w;
    const std::int64_t nh = horizontal ? h : h + grow;
    if (!Bitmap::isValidSize(nw, nh))
        return result::OutOfMemory;
    Bitmap sheared = makeLike(in, int(nw), int(nh));
    if (sheared.isNull())
        return result::OutOfMemory;
    // Offset of row (or column) i: its centre's shift, in whole pixels.
    auto shift = [&](int i) { return int(std::min<std::int64_t>(grow, std::int64_t(std::floor((i + 0.5) * slope)))); };
    const int bpp = bytesPerPixel(in.bitsPerPixel());
    const auto pixel = encodeColour(in, fill);
    const QImage& src = in.image();
    QImage& dst = sheared.image();
    if (horizontal) {
        for (int y = 0; y < h; ++y) {
            const int s = shift(y);
            uchar* line = dst.scanLine(y);
            fillPixels(line, s, pixel, bpp);
            std::memcpy(line + std::size_t(s) * std::size_t(bpp), src.constScanLine(y), std::size_t(w) * std::size_t(bpp));
            fillPixels(line + (std::size_t(s) + std::size_t(w)) * std::size_t(bpp), int(nw) - s - w, pixel, bpp);
        }
    } else {
        // Columns with the same offset form runs, copied a row segment at a time.
        struct Run {
            int x0, x1, s;
        };
        std::vector<Run> runs;
        for (int x = 0; x < w; ++x) {
            const int s = shift(x);
            if (runs.empty() || runs.back().s != s)
                runs.push_back({x, x + 1, s});
            else
                runs.back().x1 = x + 1;
        }
        for (int y = 0; y < int(nh); ++y) {
            uchar* line = dst.scanLine(y);
            for (const Run& r : runs) {
                uchar* seg = line + std::size_t(r.x0) * std::size_t(bpp);
                const int sy = y - r.s;
                if (sy >= 0 && sy < h)
                    std::memcpy(seg, src.constScanLine(sy) + std::size_t(r.x0) * std::size_t(bpp),
                                std::size_t(r.x1 - r.x0) * std::size_t(bpp));
                else
                    fillPixels(seg, r.x1 - r.x0, pixel, bpp);
            }
        }
    }
    out = std::move(sheared);
    return result::Ok;
}

} // namespace ardane::imaging::ops
