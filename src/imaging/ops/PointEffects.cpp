#include "imaging/ops/PointEffects.h"

#include "imaging/ops/IntensityMap.h"
#include "imaging/ops/Parallel.h"
#include "imaging/ops/PixelRows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define ARDANE_GREY_SSSE3 1
#endif

namespace ardane::imaging::ops {

using detail::expand5;
using detail::forRowBands;
using detail::packRgb555;
using detail::unpackRgb555;

namespace {

[[nodiscard]] std::uint8_t clampByte(long v) { return std::uint8_t(std::clamp(v, 0L, 255L)); }

// a * b / d rounded half away from zero, for small integers.
[[nodiscard]] int mulDivRound(int a, int b, int d)
{
    const long t = long(a) * b;
    return int(t >= 0 ? (t + d / 2) / d : -((-t + d / 2) / d));
}

[[nodiscard]] QRgb keepAlpha(QRgb original, QRgb changed)
{
    return (original & 0xFF000000u) | (changed & 0x00FFFFFFu);
}

// Runs a colour-to-colour function over the whole bitmap. `f` takes and returns
// 0xAARRGGBB; only its colour part is used.
template <class F>
bool applyColourFunction(Bitmap& bitmap, F f)
{
    if (bitmap.isNull())
        return true;
    const int bits = bitmap.bitsPerPixel();
    std::vector<std::uint16_t> table555;
    try {
        if (bits == 16)
            table555.resize(32768);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (bits == 16)
        for (int v = 0; v < 32768; ++v)
            table555[std::size_t(v)] = packRgb555(f(unpackRgb555(std::uint16_t(v))));
    if (!bitmap.detach())
        return false;
    QImage& image = bitmap.image();
    const int w = image.width();
    const int h = image.height();
    // Rows are reached from the first one: scanLine() is not for threads.
    uchar* const base = bits == 16 || bits == 24 || bits == 32 ? image.bits() : nullptr;
    const qsizetype stride = image.bytesPerLine();
    const std::int64_t pixels = std::int64_t(w) * h;
    switch (bits) {
    case 16:
        forRowBands(h, pixels, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                auto* p = reinterpret_cast<std::uint16_t*>(base + y * stride);
                for (int x = 0; x < w; ++x)
                    p[x] = table555[p[x] & 0x7FFFu];
            }
        });
        break;
    case 24:
        forRowBands(h, pixels, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                uchar* p = base + y * stride;
                for (int x = 0; x < w; ++x, p += 3) {
                    const QRgb c = f(qRgb(p[0], p[1], p[2]));
                    p[0] = uchar(qRed(c));
                    p[1] = uchar(qGreen(c));
                    p[2] = uchar(qBlue(c));
                }
            }
        });
        break;
    case 32:
        forRowBands(h, pixels, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                auto* p = reinterpret_cast<QRgb*>(base + y * stride);
                for (int x = 0; x < w; ++x)
                    p[x] = keepAlpha(p[x], f(p[x]));
            }
        });
        break;
    default: {
        QList<QRgb> colours = image.colorTable();
        for (QRgb& c : colours)
            c = keepAlpha(c, f(c));
        image.setColorTable(colours);
        break;
    }
    }
    return true;
}

[[nodiscard]] ChannelTable identityTable()
{
    ChannelTable t;
    for (int i = 0; i < 256; ++i)
        t[std::size_t(i)] = std::uint8_t(i);
    return t;
}

[[nodiscard]] bool isIdentity(const ChannelTable& t) { return t == identityTable(); }

// HSV hue rotation by `sixths` of a full turn (one sixth is 60 degrees). The
// largest and smallest channels stay, so value and saturation are kept.
//
// The hue of a colour is sixth + n / d, where d is the largest channel less
// the smallest, n the difference of the other two (-d..d) and sixth 0, 2 or
// 4 by which channel is the largest. Where the turned hue lands (its sector,
// and the step of the middle channel within it) depends on those three
// alone, which lets large images read it from a table.
struct HueStep {
    std::uint8_t sector;
    std::uint8_t step;
};

[[nodiscard]] HueStep turnHue(int sixth, int n, int d, double sixths)
{
    const double dd = d;
    double hh = sixth == 0 ? n / dd : sixth == 2 ? 2.0 + n / dd : 4.0 + n / dd;
    // hh is in [-1, 5] and sixths in [0, 6): bringing the sum into [0, 6)
    // takes at most one whole turn off, or one on. Both subtractions are
    // exact (Sterbenz), so this is what fmod would give, without the call.
    hh += sixths;
    if (hh >= 6.0)
        hh -= 6.0;
    if (hh >= 6.0)
        hh -= 6.0;
    if (hh < 0)
        hh += 6.0;
    int sector = int(hh);
    if (sector > 5)
        sector = 5;
    return {std::uint8_t(sector), std::uint8_t(std::lround(dd * (hh - sector)))};
}

// The channels of a colour and what turnHue needs of it; false for a grey.
struct HueParts {
    int mx, mn, sixth, n;
};

[[nodiscard]] inline bool hueParts(int r, int g, int b, HueParts& p)
{
    p.mx = std::max({r, g, b});
    p.mn = std::min({r, g, b});
    if (p.mx == p.mn)
        return false;
    if (p.mx == r) {
        p.sixth = 0;
        p.n = g - b;
    } else if (p.mx == g) {
        p.sixth = 2;
        p.n = b - r;
    } else {
        p.sixth = 4;
        p.n = r - g;
    }
    return true;
}

[[nodiscard]] inline QRgb hueColour(const HueParts& p, HueStep t)
{
    const int rise = p.mn + t.step;
    const int fall = p.mx - t.step;
    switch (t.sector) {
    case 0: return qRgb(p.mx, rise, p.mn);
    case 1: return qRgb(fall, p.mx, p.mn);
    case 2: return qRgb(p.mn, p.mx, rise);
    case 3: return qRgb(p.mn, fall, p.mx);
    case 4: return qRgb(rise, p.mn, p.mx);
    default: return qRgb(p.mx, p.mn, fall);
    }
}

[[nodiscard]] QRgb rotateHue(QRgb c, double sixths)
{
    HueParts p{};
    if (!hueParts(qRed(c), qGreen(c), qBlue(c), p))
        return c;
    return hueColour(p, turnHue(p.sixth, p.n, p.mx - p.mn, sixths));
}

// turnHue for every sixth (0, 2, 4), n (-255..255) and d (1..255).
class HueTable {
public:
    explicit HueTable(double sixths) : m_steps(std::size_t(3) * 511 * 256)
    {
        for (int sixth = 0; sixth <= 4; sixth += 2)
            for (int n = -255; n <= 255; ++n)
                for (int d = 1; d <= 255; ++d)
                    if (n >= -d && n <= d)
                        m_steps[index(sixth, n, d)] = turnHue(sixth, n, d, sixths);
    }
    [[nodiscard]] QRgb operator()(QRgb c) const
    {
        HueParts p{};
        if (!hueParts(qRed(c), qGreen(c), qBlue(c), p))
            return c;
        return hueColour(p, m_steps[index(p.sixth, p.n, p.mx - p.mn)]);
    }

private:
    [[nodiscard]] static std::size_t index(int sixth, int n, int d)
    {
        return (std::size_t(sixth / 2) * 511 + std::size_t(n + 255)) * 256 + std::size_t(d);
    }
    std::vector<HueStep> m_steps;
};

// 255 - v for every byte: one exclusive or per eight bytes.
void invertBytes(uchar* p, std::size_t n)
{
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t v;
        std::memcpy(&v, p + i, 8);
        v = ~v;
        std::memcpy(p + i, &v, 8);
    }
    for (; i < n; ++i)
        p[i] = uchar(~p[i]);
}

// One table applied to two bytes at once: entry v holds the mapped low and
// high byte of v. At 128 KiB it stays in the core's cache, and it halves the
// table reads of a row.
using PairTable = std::vector<std::uint16_t>;

[[nodiscard]] PairTable pairTable(const ChannelTable& t)
{
    PairTable pairs(65536);
    for (std::size_t v = 0; v < pairs.size(); ++v)
        pairs[v] = std::uint16_t(t[v & 255] | (t[v >> 8] << 8));
    return pairs;
}

// Every byte through one table, eight bytes read and written at a time.
void mapBytes(uchar* p, std::size_t n, const ChannelTable& t, const PairTable& pairs)
{
    std::size_t i = 0;
    if (!pairs.empty()) {
        const std::uint16_t* t2 = pairs.data();
        for (; i + 8 <= n; i += 8) {
            std::uint64_t v;
            std::memcpy(&v, p + i, 8);
            const std::uint64_t o = std::uint64_t(t2[v & 0xFFFF]) | std::uint64_t(t2[(v >> 16) & 0xFFFF]) << 16
                                  | std::uint64_t(t2[(v >> 32) & 0xFFFF]) << 32 | std::uint64_t(t2[v >> 48]) << 48;
            std::memcpy(p + i, &o, 8);
        }
    }
    for (; i + 8 <= n; i += 8) {
        std::uint64_t v;
        std::memcpy(&v, p + i, 8);
        const std::uint64_t o = std::uint64_t(t[v & 255]) | std::uint64_t(t[(v >> 8) & 255]) << 8
                              | std::uint64_t(t[(v >> 16) & 255]) << 16 | std::uint64_t(t[(v >> 24) & 255]) << 24
                              | std::uint64_t(t[(v >> 32) & 255]) << 32 | std::uint64_t(t[(v >> 40) & 255]) << 40
                              | std::uint64_t(t[(v >> 48) & 255]) << 48 | std::uint64_t(t[v >> 56]) << 56;
        std::memcpy(p + i, &o, 8);
    }
    for (; i < n; ++i)
        p[i] = t[p[i]];
}

// A row of red, green, blue bytes, each channel through its table when it
// changes anything.
void mapPixels24(uchar* p, int w, const ChannelTable& red, const ChannelTable& green, const ChannelTable& blue,
                 bool mapRed, bool mapGreen, bool mapBlue)
{
    if (mapRed && !mapGreen && !mapBlue) {
        for (int x = 0; x < w; ++x)
            p[3 * x] = red[p[3 * x]];
    } else if (!mapRed && mapGreen && !mapBlue) {
        for (int x = 0; x < w; ++x)
            p[3 * x + 1] = green[p[3 * x + 1]];
    } else if (!mapRed && !mapGreen && mapBlue) {
        for (int x = 0; x < w; ++x)
            p[3 * x + 2] = blue[p[3 * x + 2]];
    } else {
        for (int x = 0; x < w; ++x, p += 3) {
            p[0] = red[p[0]];
            p[1] = green[p[1]];
            p[2] = blue[p[2]];
        }
    }
}

} // namespace

bool applyChannelTables(Bitmap& bitmap, const ChannelTable& red, const ChannelTable& green, const ChannelTable& blue)
{
    if (bitmap.isNull())
        return true;
    if (!bitmap.detach())
        return false;
    QImage& image = bitmap.image();
    const int w = image.width();
    const int h = image.height();
    const int bits = bitmap.bitsPerPixel();
    // Rows are reached from the first one: scanLine() is not for threads.
    uchar* const base = bits == 16 || bits == 24 || bits == 32 ? image.bits() : nullptr;
    const qsizetype stride = image.bytesPerLine();
    const std::int64_t pixels = std::int64_t(w) * h;
    const bool same = red == green && green == blue;
    const bool inverting = same && red == invertTable();
    const ChannelTable identity = identityTable();
    // The pair table pays for itself from about a hundred thousand pixels;
    // without memory for it the single table does the work.
    PairTable pairs;
    if (same && !inverting && (bits == 24 || bits == 32) && pixels >= 100000) {
        try {
            pairs = pairTable(red);
        } catch (const std::bad_alloc&) {
            pairs.clear();
        }
    }
    switch (bits) {
    case 16: {
        // Each 5-bit channel widened, mapped and narrowed, as one table per
        // channel that already holds the value in its place in the word.
        std::array<std::uint16_t, 32> r5{}, g5{}, b5{};
        for (int v = 0; v < 32; ++v) {
            const auto e = std::size_t(expand5(v));
            r5[std::size_t(v)] = std::uint16_t((red[e] >> 3) << 10);
            g5[std::size_t(v)] = std::uint16_t((green[e] >> 3) << 5);
            b5[std::size_t(v)] = std::uint16_t(blue[e] >> 3);
        }
        forRowBands(h, pixels, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                auto* p = reinterpret_cast<std::uint16_t*>(base + y * stride);
                for (int x = 0; x < w; ++x) {
                    const unsigned v = p[x];
                    p[x] = std::uint16_t(r5[(v >> 10) & 31] | g5[(v >> 5) & 31] | b5[v & 31]);
                }
            }
        });
        break;
    }
    case 24: {
        // The byte order of a row is red, green, blue, so one table for all
        // three maps the row as a run of bytes; a table that leaves its
        // channel alone is skipped.
        const std::size_t rowBytes = std::size_t(w) * 3;
        const bool mapRed = red != identity, mapGreen = green != identity, mapBlue = blue != identity;
        forRowBands(h, pixels, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                uchar* p = base + y * stride;
                if (inverting)
                    invertBytes(p, rowBytes);
                else if (same)
                    mapBytes(p, rowBytes, red, pairs);
                else
                    mapPixels24(p, w, red, green, blue, mapRed, mapGreen, mapBlue);
            }
        });
        break;
    }
    case 32:
        forRowBands(h, pixels, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                auto* p = reinterpret_cast<QRgb*>(base + y * stride);
                if (inverting) {
                    for (int x = 0; x < w; ++x)
                        p[x] ^= 0x00FFFFFFu;
                    continue;
                }
                if (!pairs.empty()) {
                    // Blue and green as one pair, red alone, alpha kept.
                    for (int x = 0; x < w; ++x) {
                        const QRgb c = p[x];
                        p[x] = (c & 0xFF000000u) | (QRgb(red[(c >> 16) & 255]) << 16) | QRgb(pairs[c & 0xFFFF]);
                    }
                    continue;
                }
                for (int x = 0; x < w; ++x) {
                    const QRgb c = p[x];
                    p[x] = (c & 0xFF000000u) | (QRgb(red[(c >> 16) & 255]) << 16) | (QRgb(green[(c >> 8) & 255]) << 8)
                        | QRgb(blue[c & 255]);
                }
            }
        });
        break;
    default: {
        QList<QRgb> colours = image.colorTable();
        for (QRgb& c : colours)
            c = qRgba(red[std::size_t(qRed(c))], green[std::size_t(qGreen(c))], blue[std::size_t(qBlue(c))], qAlpha(c));
        image.setColorTable(colours);
        break;
    }
    }
    return true;
}

ChannelTable invertTable()
{
    ChannelTable t;
    for (int i = 0; i < 256; ++i)
        t[std::size_t(i)] = std::uint8_t(255 - i);
    return t;
}

ChannelTable contrastTable(int value)
{
    value = std::clamp(value, -1000, 1000);
    ChannelTable t;
    if (value == 1000) {
        for (int i = 0; i < 256; ++i)
            t[std::size_t(i)] = i >= 128 ? 255 : 0;
        return t;
    }
    const double slope = value >= 0 ? 1000.0 / (1000 - value) : (1000 + value) / 1000.0;
    for (int i = 0; i < 256; ++i)
        t[std::size_t(i)] = clampByte(std::lround(127.5 + (i - 127.5) * slope));
    return t;
}

ChannelTable intensityTable(int value)
{
    value = std::clamp(value, -1000, 1000);
    ChannelTable t;
    for (int i = 0; i < 256; ++i)
        t[std::size_t(i)] = std::uint8_t(value < 0 ? mulDivRound(i, 1000 + value, 1000)
                                                   : i + mulDivRound(255 - i, value, 1000));
    return t;
}

ChannelTable gammaTable(int value)
{
    const double gamma = std::clamp(value, 220, 250) / 100.0;
    ChannelTable t;
    for (int i = 0; i < 256; ++i)
        t[std::size_t(i)] = clampByte(std::lround(255.0 * std::pow(i / 255.0, 1.0 / gamma)));
    return t;
}

ChannelTable posterizeTable(int levels)
{
    const int steps = std::clamp(levels, 2, 64) - 1;
    ChannelTable t;
    for (int i = 0; i < 256; ++i) {
        const int q = (i * steps + 127) / 255;
        t[std::size_t(i)] = std::uint8_t((q * 255 + steps / 2) / steps);
    }
    return t;
}

bool invert(Bitmap& bitmap)
{
    const ChannelTable t = invertTable();
    return applyChannelTables(bitmap, t, t, t);
}

namespace {

// One row of 24-bit pixels made grey, one pixel at a time.
void greyRow(uchar* p, int count)
{
    for (int x = 0; x < count; ++x, p += 3) {
        const uchar l = luminance(p[0], p[1], p[2]);
        p[0] = l;
        p[1] = l;
        p[2] = l;
    }
}

#ifdef ARDANE_GREY_SSSE3
// The same, sixteen pixels (48 bytes) at a time: the channels are gathered
// with byte shuffles, weighted in 16-bit lanes exactly as luminance() does,
// and the grey spread back over the three bytes of each pixel.
__attribute__((target("ssse3"))) void greyRowSsse3(uchar* p, int count)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i wr = _mm_set1_epi16(77);
    const __m128i wg = _mm_set1_epi16(150);
    const __m128i wb = _mm_set1_epi16(29);
    const __m128i half = _mm_set1_epi16(128);
    // Byte k of pixel j is at 3j + k of the 48 bytes: which bytes of each
    // 16-byte block hold one channel (-1 picks nothing).
    const __m128i ra = _mm_setr_epi8(0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i rb = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14, -1, -1, -1, -1, -1);
    const __m128i rc = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1, 4, 7, 10, 13);
    const __m128i ga = _mm_setr_epi8(1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i gb = _mm_setr_epi8(-1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1);
    const __m128i gc = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14);
    const __m128i ba = _mm_setr_epi8(2, 5, 8, 11, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i bb = _mm_setr_epi8(-1, -1, -1, -1, -1, 1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1);
    const __m128i bc = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15);
    const __m128i oa = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m128i ob = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m128i oc = _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    int x = 0;
    for (; x + 16 <= count; x += 16, p += 48) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
        const __m128i r = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, ra), _mm_shuffle_epi8(b, rb)),
                                       _mm_shuffle_epi8(c, rc));
        const __m128i g = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, ga), _mm_shuffle_epi8(b, gb)),
                                       _mm_shuffle_epi8(c, gc));
        const __m128i bl = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, ba), _mm_shuffle_epi8(b, bb)),
                                        _mm_shuffle_epi8(c, bc));
        const auto weigh = [&](__m128i r16, __m128i g16, __m128i b16) {
            const __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(r16, wr), _mm_mullo_epi16(g16, wg)),
                                              _mm_add_epi16(_mm_mullo_epi16(b16, wb), half));
            return _mm_srli_epi16(sum, 8);
        };
        const __m128i lo = weigh(_mm_unpacklo_epi8(r, zero), _mm_unpacklo_epi8(g, zero), _mm_unpacklo_epi8(bl, zero));
        const __m128i hi = weigh(_mm_unpackhi_epi8(r, zero), _mm_unpackhi_epi8(g, zero), _mm_unpackhi_epi8(bl, zero));
        const __m128i grey = _mm_packus_epi16(lo, hi);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_shuffle_epi8(grey, oa));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16), _mm_shuffle_epi8(grey, ob));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 32), _mm_shuffle_epi8(grey, oc));
    }
    greyRow(p, count - x);
}
#endif

} // namespace

bool grayscale(Bitmap& bitmap)
{
    if (bitmap.bitsPerPixel() == 24) {
        // The common case straight on the bytes of each row.
        if (!bitmap.detach())
            return false;
        QImage& image = bitmap.image();
        const int w = image.width();
        uchar* const base = image.bits();
        const qsizetype stride = image.bytesPerLine();
        void (*row)(uchar*, int) = greyRow;
#ifdef ARDANE_GREY_SSSE3
        if (__builtin_cpu_supports("ssse3"))
            row = greyRowSsse3;
#endif
        forRowBands(image.height(), std::int64_t(w) * image.height(), [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                row(base + y * stride, w);
        });
        return true;
    }
    return applyColourFunction(bitmap, [](QRgb c) {
        const int l = luminance(qRed(c), qGreen(c), qBlue(c));
        return qRgb(l, l, l);
    });
}

bool contrast(Bitmap& bitmap, int value)
{
    const ChannelTable t = contrastTable(value);
    return applyChannelTables(bitmap, t, t, t);
}

bool intensity(Bitmap& bitmap, int value)
{
    const ChannelTable t = intensityTable(value);
    return applyChannelTables(bitmap, t, t, t);
}

bool gammaCorrect(Bitmap& bitmap, int value)
{
    const ChannelTable t = gammaTable(value);
    return applyChannelTables(bitmap, t, t, t);
}

bool saturation(Bitmap& bitmap, int value)
{
    const int factor = 1000 + std::clamp(value, -1000, 1000); // thousandths
    if (factor == 1000)
        return true; // nothing changes, so nothing to copy
    // The scaled distance from grey for every distance (-255..255).
    std::array<int, 511> scaled{};
    for (int d = -255; d <= 255; ++d)
        scaled[std::size_t(d + 255)] = mulDivRound(d, factor, 1000);
    return applyColourFunction(bitmap, [&scaled](QRgb c) {
        const int r = qRed(c), g = qGreen(c), b = qBlue(c);
        const int l = luminance(r, g, b);
        const int* s = scaled.data() + 255 - l;
        return qRgb(clampByte(l + s[r]), clampByte(l + s[g]), clampByte(l + s[b]));
    });
}

bool hue(Bitmap& bitmap, int degrees)
{
    degrees = std::clamp(degrees, 0, 360) % 360;
    if (degrees == 0)
        return true; // nothing changes, so nothing to copy
    const double sixths = degrees / 60.0;
    // The table costs about as much as turning 400,000 colours one by one.
    if (bitmap.bitsPerPixel() > 16 && std::int64_t(bitmap.width()) * bitmap.height() >= 2'000'000) {
        std::optional<HueTable> table;
        try {
            table.emplace(sixths);
        } catch (const std::bad_alloc&) {
        }
        if (table)
            return applyColourFunction(bitmap, [&table](QRgb c) { return (*table)(c); });
    }
    return applyColourFunction(bitmap, [sixths](QRgb c) { return rotateHue(c, sixths); });
}

bool posterize(Bitmap& bitmap, int levels)
{
    const ChannelTable t = posterizeTable(levels);
    return applyChannelTables(bitmap, t, t, t);
}

bool histogramContrast(Bitmap& bitmap, int value)
{
    value = std::clamp(value, -1000, 1000);
    if (bitmap.isNull())
        return true;
    ChannelTable t;
    if (value < 0) {
        const int amount = -value;
        for (int i = 0; i < 256; ++i)
            t[std::size_t(i)] = std::uint8_t(i + mulDivRound(128 - i, amount, 1000));
    } else {
        const std::array<std::uint32_t, 256> hist = computeHistogram(bitmap, IntensityChannel::Master);
        std::uint64_t total = 0;
        for (std::uint32_t n : hist)
            total += n;
        // Cumulative counts, measured from the first occupied value so that
        // the darkest tone present becomes black.
        std::uint64_t first = 0;
        for (std::uint32_t n : hist)
            if (n != 0) {
                first = n;
                break;
            }
        std::uint64_t running = 0;
        for (int i = 0; i < 256; ++i) {
            running += hist[std::size_t(i)];
            int eq = i;
            if (total > first && running >= first)
                eq = int(((running - first) * 255 + (total - first) / 2) / (total - first));
            else if (total > first)
                eq = 0;
            t[std::size_t(i)] = std::uint8_t(i + mulDivRound(eq - i, value, 1000));
        }
    }
    if (isIdentity(t))
        return true;
    return applyChannelTables(bitmap, t, t, t);
}

} // namespace ardane::imaging::ops
