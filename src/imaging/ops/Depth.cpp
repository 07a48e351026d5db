#include "imaging/ops/Depth.h"

#include "imaging/ops/NearestColor.h"
#include "imaging/ops/PixelRows.h"

#include <libimagequant.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <utility>

// How a conversion runs:
//  - To 16, 24 or 32 bits every pixel is read as true colour and written in
//    the target format: 16 bits keeps the top five bits of each channel, 32
//    bits keeps the alpha of a 32-bit or indexed source and is opaque from 16
//    or 24 bits, 24 and 16 bits drop alpha. Palette and dither options have no
//    meaning there and are ignored.
//  - To 1, 4 or 8 bits the palette is chosen first (fixed, identity, or
//    computed from the image), then every row is read as true colour and
//    mapped to it with the chosen dithering. Indexed sources go the same way,
//    so converting between indexed depths (or to the same one) requantises.
//    Alpha plays no part in the matching; the palettes are opaque.
// The error-diffusion kernels are plain data; one routine runs them all,
// scanning each row left to right (no serpentine), and keeps only as many rows
// of error as the kernel reaches down.

namespace ardane::imaging::ops {

using detail::NearestColor;
using detail::RowReader;

bool isValidPaletteOption(int value) { return value == 0 || value == 1 || value == 2 || value == 4 || value == 8; }

bool isValidDitherOption(int value) { return value >= 0 && value <= 7; }

namespace {

// The six levels of the 8-bit colour cube.
constexpr int kCubeLevel = 51;

void appendCube(std::vector<QRgb>& palette, bool skipCorners)
{
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) {
                const bool corner = (r == 0 || r == 5) && (g == 0 || g == 5) && (b == 0 || b == 5);
                if (!(skipCorners && corner))
                    palette.push_back(qRgb(r * kCubeLevel, g * kCubeLevel, b * kCubeLevel));
            }
}

std::vector<QRgb> fixed8()
{
    // 216 cube colours, then 40 greys: eight between each pair of neighbouring
    // cube greys, evenly spaced, none equal to a cube colour.
    std::vector<QRgb> palette;
    palette.reserve(256);
    appendCube(palette, false);
    for (int level = 0; level < 5; ++level)
        for (int k = 1; k <= 8; ++k) {
            const int v = level * kCubeLevel + (kCubeLevel * k * 2 + 9) / 18; // round(51k/9)
            palette.push_back(qRgb(v, v, v));
        }
    return palette;
}

std::vector<QRgb> identity8()
{
    // The twenty colours a 256-colour desktop reserves, ten at each end. In
    // between: the cube without its eight corners (which are among the twenty)
    // and 28 evenly spaced greys, which avoid every grey already present.
    static constexpr QRgb first[10] = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),   qRgb(0, 0, 128),
        qRgb(128, 0, 128),   qRgb(0, 128, 128), qRgb(192, 192, 192), qRgb(192, 220, 192), qRgb(166, 202, 240),
    };
    static constexpr QRgb last[10] = {
        qRgb(255, 251, 240), qRgb(160, 160, 164), qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),
        qRgb(255, 255, 0),   qRgb(0, 0, 255),     qRgb(255, 0, 255),   qRgb(0, 255, 255), qRgb(255, 255, 255),
    };
    std::vector<QRgb> palette(std::begin(first), std::end(first));
    palette.reserve(256);
    appendCube(palette, true);
    for (int i = 1; i <= 28; ++i) {
        const int v = (i * 255 * 2 + 29) / 58; // round(255i/29)
        palette.push_back(qRgb(v, v, v));
    }
    palette.insert(palette.end(), std::begin(last), std::end(last));
    return palette;
}

// ---- optimized palette ------------------------------------------------------

// Largest image libimagequant sees; bigger images are sampled on a regular
// grid down to about this many pixels, which keeps a 24-megapixel palette
// quick while still covering its colours.
constexpr std::int64_t kQuantizeSamplePixels = 256 * 1024;
// Up to this many (sampled) pixels the quantiser may refine its palette
// (speed 8); above it runs at its fastest setting (10), which costs little
// quality and keeps a large sample to a fraction of a second.
constexpr std::int64_t kRefinePixels = 64 * 1024;

// The colours of the image when there are at most `maxColours` of them
// (in order of first appearance); nothing when there are more.
std::optional<std::vector<QRgb>> distinctColours(const Bitmap& in, int maxColours)
{
    constexpr std::size_t kSlots = 1024; // at least four times 256, so probes stay short
    constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    std::array<std::uint32_t, kSlots> table;
    table.fill(kEmpty);
    std::vector<QRgb> colours;
    RowReader reader(in);
    std::vector<QRgb> row(static_cast<std::size_t>(in.width()));
    std::uint32_t last = kEmpty;
    for (int y = 0; y < in.height(); ++y) {
        reader.read(y, row.data());
        for (const QRgb pixel : row) {
            const std::uint32_t key = pixel & 0xFFFFFFu;
            if (key == last)
                continue;
            last = key;
            std::size_t slot = (key * 2654435761u) >> 22; // top 10 bits
            while (table[slot] != kEmpty && table[slot] != key)
                slot = (slot + 1) & (kSlots - 1);
            if (table[slot] == key)
                continue;
            if (int(colours.size()) == maxColours)
                return std::nullopt;
            table[slot] = key;
            colours.push_back(qRgb(qRed(pixel), qGreen(pixel), qBlue(pixel)));
        }
    }
    return colours;
}

// libimagequant does not check every allocation it makes: short of memory it
// would crash. So all its memory comes from one block reserved before it runs,
// several times what it needs for the largest sample we give it (about 11 MB
// in a dozen allocations for 256K pixels of distinct colours). When the block
// cannot be had, the conversion fails with std::bad_alloc before the library
// is called. Allocations are handed out in order and never reused; freeing
// them costs nothing, the block goes back as a whole. One quantisation at a
// time uses the block (the library's callbacks carry no context).
class QuantizerMemory {
public:
    static constexpr std::size_t kSize = std::size_t(48) << 20;

    QuantizerMemory() : m_lock(s_mutex)
    {
        s_base = static_cast<char*>(std::malloc(kSize)); // untouched pages cost nothing
        if (!s_base)
            throw std::bad_alloc();
        s_used = 0;
    }
    ~QuantizerMemory()
    {
        std::free(s_base);
        s_base = nullptr;
    }
    QuantizerMemory(const QuantizerMemory&) = delete;
    QuantizerMemory& operator=(const QuantizerMemory&) = delete;

    static void* allocate(std::size_t n)
    {
        const std::size_t rounded = (n + 63) & ~std::size_t(63);
        if (s_base && rounded >= n) {
            const std::size_t at = s_used.fetch_add(rounded);
            if (at <= kSize && rounded <= kSize - at)
                return s_base + at;
        }
        return std::malloc(n); // beyond the block: not expected
    }
    static void release(void* p)
    {
        const auto* c = static_cast<const char*>(p);
        if (s_base && c >= s_base && c < s_base + kSize)
            return;
        std::free(p);
    }

private:
    std::lock_guard<std::mutex> m_lock;
    static inline std::mutex s_mutex;
    static inline char* s_base = nullptr;
    static inline std::atomic<std::size_t> s_used{0};
};

struct LiqDeleter {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
    void operator()(liq_image* p) const { liq_image_destroy(p); }
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};

// The image's own palette of at most `maxColours` entries. Images with that few
// colours keep them exactly; otherwise libimagequant picks them. Should the
// library fail, the fixed palette stands in, so the conversion still succeeds;
// memory that cannot be had throws std::bad_alloc.
std::vector<QRgb> optimizedPalette(const Bitmap& in, int bitsPerPixel)
{
    const int maxColours = 1 << bitsPerPixel;
    if (auto exact = distinctColours(in, maxColours))
        return std::move(*exact);

    const std::int64_t pixels = std::int64_t(in.width()) * in.height();
    int step = 1;
    while (pixels / (std::int64_t(step) * step) > kQuantizeSamplePixels)
        ++step;
    const int sw = (in.width() + step - 1) / step;
    const int sh = (in.height() + step - 1) / step;
    std::vector<std::uint8_t> rgba(std::size_t(sw) * std::size_t(sh) * 4);
    RowReader reader(in);
    std::vector<QRgb> row(static_cast<std::size_t>(in.width()));
    std::uint8_t* dst = rgba.data();
    for (int y = 0; y < in.height(); y += step) {
        reader.read(y, row.data());
        for (int x = 0; x < in.width(); x += step) {
            *dst++ = std::uint8_t(qRed(row[std::size_t(x)]));
            *dst++ = std::uint8_t(qGreen(row[std::size_t(x)]));
            *dst++ = std::uint8_t(qBlue(row[std::size_t(x)]));
            *dst++ = 255;
        }
    }

    const QuantizerMemory memory; // outlives every object of the library below
    std::unique_ptr<liq_attr, LiqDeleter> attr(liq_attr_create_with_allocator(&QuantizerMemory::allocate, &QuantizerMemory::release));
    if (!attr || liq_set_max_colors(attr.get(), maxColours) != LIQ_OK)
        return fixedPalette(bitsPerPixel, PaletteOption::Fixed);
    liq_set_speed(attr.get(), std::int64_t(sw) * sh <= kRefinePixels ? 8 : 10);
    std::unique_ptr<liq_image, LiqDeleter> image(liq_image_create_rgba(attr.get(), rgba.data(), sw, sh, 0));
    if (!image)
        return fixedPalette(bitsPerPixel, PaletteOption::Fixed);
    liq_result* raw = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK || !raw)
        return fixedPalette(bitsPerPixel, PaletteOption::Fixed);
    std::unique_ptr<liq_result, LiqDeleter> quantized(raw);
    const liq_palette* lp = liq_get_palette(quantized.get());
    if (!lp || lp->count == 0)
        return fixedPalette(bitsPerPixel, PaletteOption::Fixed);
    std::vector<QRgb> palette;
    for (unsigned i = 0; i < lp->count && int(i) < maxColours; ++i)
        palette.push_back(qRgb(lp->entries[i].r, lp->entries[i].g, lp->entries[i].b));
    return palette;
}

// ---- mapping to a palette ---------------------------------------------------

// One error-diffusion kernel: the error of the current pixel goes to the
// neighbours at (dx, dy) with weight / divisor.
struct Tap {
    int dx, dy, weight;
};
struct DiffusionKernel {
    int divisor;
    int tapCount;
    std::array<Tap, 12> taps;
};

constexpr int kMaxReachX = 3; // farthest dx of any kernel
constexpr int kMaxRows = 4;   // current row and up to three below

// clang-format off
constexpr DiffusionKernel kFloydSteinberg{16, 4, {{
    {1, 0, 7},
    {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}}}};
constexpr DiffusionKernel kStucki{42, 12, {{
    {1, 0, 8}, {2, 0, 4},
    {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2},
    {-2, 2, 1}, {-1, 2, 2}, {0, 2, 4}, {1, 2, 2}, {2, 2, 1}}}};
constexpr DiffusionKernel kBurkes{32, 7, {{
    {1, 0, 8}, {2, 0, 4},
    {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}}}};
constexpr DiffusionKernel kSierra{32, 10, {{
    {1, 0, 5}, {2, 0, 3},
    {-2, 1, 2}, {-1, 1, 4}, {0, 1, 5}, {1, 1, 4}, {2, 1, 2},
    {-1, 2, 2}, {0, 2, 3}, {1, 2, 2}}}};
constexpr DiffusionKernel kStevensonArce{200, 12, {{
    {2, 0, 32},
    {-3, 1, 12}, {-1, 1, 26}, {1, 1, 30}, {3, 1, 16},
    {-2, 2, 12}, {0, 2, 26}, {2, 2, 12},
    {-3, 3, 5}, {-1, 3, 12}, {1, 3, 12}, {3, 3, 5}}}};
constexpr DiffusionKernel kJarvis{48, 12, {{
    {1, 0, 7}, {2, 0, 5},
    {-2, 1, 3}, {-1, 1, 5}, {0, 1, 7}, {1, 1, 5}, {2, 1, 3},
    {-2, 2, 1}, {-1, 2, 3}, {0, 2, 5}, {1, 2, 3}, {2, 2, 1}}}};
// clang-format on

// The classic 8x8 Bayer index matrix.
constexpr int kBayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
};

inline int clampByte(int v) { return std::clamp(v, 0, 255); }

// acc / divisor to the nearest integer, halves away from zero (divisor even).
// Without branches: the sign of the error is random, so a branch would be
// mispredicted half the time.
inline int roundedShare(int acc, int divisor)
{
    const int sign = acc >> 31; // 0 or -1
    const int magnitude = (acc ^ sign) - sign;
    const int q = (magnitude + divisor / 2) / divisor;
    return (q ^ sign) - sign;
}

void mapNearest(const RowReader& reader, QImage& out, const NearestColor& nearest)
{
    const int width = reader.width();
    std::vector<QRgb> row(static_cast<std::size_t>(width));
    for (int y = 0; y < out.height(); ++y) {
        reader.read(y, row.data());
        uchar* dst = out.scanLine(y);
        // Runs of one colour are common; remember the last answer.
        QRgb last = row.empty() ? 0 : ~row[0];
        int lastIndex = 0;
        for (int x = 0; x < width; ++x) {
            const QRgb c = row[std::size_t(x)] | 0xFF000000u;
            if (c != last) {
                last = c;
                lastIndex = nearest(qRed(c), qGreen(c), qBlue(c));
            }
            dst[x] = uchar(lastIndex);
        }
    }
}

// Ordered dithering: a Bayer threshold, centred on zero and as wide as one
// step between neighbouring palette levels, is added to each channel before
// the nearest entry is taken. The step is estimated from the palette size as
// if it were an evenly spaced n x n x n cube (255 for two colours, about 128
// for sixteen, 51 for 256).
void mapOrdered(const RowReader& reader, QImage& out, const NearestColor& nearest)
{
    const int levels = std::max(1, int(std::lround(std::cbrt(double(nearest.size())))) - 1);
    const double step = 255.0 / levels;
    int offset[8][8];
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            offset[y][x] = int(std::lround(step * (2 * kBayer[y][x] - 63) / 128.0));

    const int width = reader.width();
    std::vector<QRgb> row(static_cast<std::size_t>(width));
    for (int y = 0; y < out.height(); ++y) {
        reader.read(y, row.data());
        uchar* dst = out.scanLine(y);
        const int* rowOffset = offset[y & 7];
        for (int x = 0; x < width; ++x) {
            const QRgb c = row[std::size_t(x)];
            const int o = rowOffset[x & 7];
            dst[x] = uchar(nearest(clampByte(qRed(c) + o), clampByte(qGreen(c) + o), clampByte(qBlue(c) + o)));
        }
    }
}

// Error diffusion with any kernel. Each pixel takes its colour plus the error
// pushed to it (rounded), clamped to 0..255, and maps to the nearest entry;
// the difference between that clamped colour and the entry is spread to the
// neighbours. Error falling outside the image is dropped. Errors are kept as
// integer sums of error * weight, divided once when used, so no precision is
// lost between rows. The buffers form a ring of as many rows as the kernel
// reaches, each padded on both sides so taps never need bounds checks.
// The kernel is a template argument only so that the compiler can unroll its
// taps; the routine is the same for all of them.
template <const DiffusionKernel& K>
void mapDiffused(const RowReader& reader, QImage& out, const NearestColor& nearest)
{
    constexpr int rows = [] {
        int n = 1;
        for (int t = 0; t < K.tapCount; ++t)
            n = std::max(n, K.taps[std::size_t(t)].dy + 1);
        return n;
    }();
    static_assert(rows <= kMaxRows);
    const int width = reader.width();
    const std::size_t stride = std::size_t(width + 2 * kMaxReachX) * 3;
    std::vector<int> errors(stride * std::size_t(rows), 0);
    std::vector<QRgb> row(static_cast<std::size_t>(width));

    for (int y = 0; y < out.height(); ++y) {
        reader.read(y, row.data());
        uchar* dst = out.scanLine(y);
        int* ring[kMaxRows] = {};
        for (int d = 0; d < rows; ++d)
            ring[d] = errors.data() + std::size_t((y + d) % rows) * stride + kMaxReachX * 3;
        int* current = ring[0];
        for (int x = 0; x < width; ++x) {
            const QRgb c = row[std::size_t(x)];
            const int* here = current + 3 * x;
            const int r = clampByte(qRed(c) + roundedShare(here[0], K.divisor));
            const int g = clampByte(qGreen(c) + roundedShare(here[1], K.divisor));
            const int b = clampByte(qBlue(c) + roundedShare(here[2], K.divisor));
            const int index = nearest(r, g, b);
            dst[x] = uchar(index);
            const int er = r - nearest.red(index);
            const int eg = g - nearest.green(index);
            const int eb = b - nearest.blue(index);
            [&]<std::size_t... T>(std::index_sequence<T...>) {
                ((ring[K.taps[T].dy][3 * (x + K.taps[T].dx)] += er * K.taps[T].weight,
                  ring[K.taps[T].dy][3 * (x + K.taps[T].dx) + 1] += eg * K.taps[T].weight,
                  ring[K.taps[T].dy][3 * (x + K.taps[T].dx) + 2] += eb * K.taps[T].weight),
                 ...);
            }(std::make_index_sequence<std::size_t(K.tapCount)>{});
        }
        // This row's slot comes round again as the row `rows` below.
        std::fill_n(current - kMaxReachX * 3, stride, 0);
    }
}

Result toTrueColour(const Bitmap& in, int bitsPerPixel, Bitmap& out)
{
    if (in.bitsPerPixel() == bitsPerPixel) {
        out = in;
        return result::Ok;
    }
    Bitmap converted = Bitmap::create(in.width(), in.height(), bitsPerPixel);
    if (converted.isNull())
        return result::OutOfMemory;
    const RowReader reader(in);
    std::vector<QRgb> row(static_cast<std::size_t>(in.width()));
    const bool opaque = bitsPerPixel == 32 && (in.bitsPerPixel() == 16 || in.bitsPerPixel() == 24);
    QImage& image = converted.image();
    for (int y = 0; y < in.height(); ++y) {
        reader.read(y, row.data());
        if (opaque)
            for (QRgb& c : row)
                c |= 0xFF000000u;
        detail::writeTrueColourRow(image.scanLine(y), bitsPerPixel, row.data(), in.width());
    }
    out = std::move(converted);
    return result::Ok;
}

} // namespace

std::vector<QRgb> fixedPalette(int bitsPerPixel, PaletteOption option)
{
    switch (bitsPerPixel) {
    case 1: return {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    case 4:
        return {
            qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
        };
    case 8: return option == PaletteOption::Identity ? identity8() : fixed8();
    default: return {};
    }
}

Result convertDepth(const Bitmap& in, int bitsPerPixel, PaletteOption palette, DitherOption dither, Bitmap& out)
{
    if (in.isNull())
        return result::OutOfMemory;
    if (!Bitmap::isValidDepth(bitsPerPixel))
        return result::UnsupportedDepth;
    if (!isValidPaletteOption(int(palette)) || !isValidDitherOption(int(dither)))
        return result::NotAvailable;

    Bitmap converted;
    if (bitsPerPixel > 8) {
        if (const Result r = toTrueColour(in, bitsPerPixel, converted); r != result::Ok)
            return r;
    } else {
        const std::vector<QRgb> colours = palette == PaletteOption::Optimized
                                              ? optimizedPalette(in, bitsPerPixel)
                                              : fixedPalette(bitsPerPixel, palette);
        converted = Bitmap::create(in.width(), in.height(), bitsPerPixel, colours);
        if (converted.isNull())
            return result::OutOfMemory;
        const NearestColor nearest(colours);
        const RowReader reader(in);
        QImage& image = converted.image();
        if (dither == DitherOption::None)
            mapNearest(reader, image, nearest);
        else if (dither == DitherOption::Ordered)
            mapOrdered(reader, image, nearest);
        else
            switch (dither) {
            case DitherOption::FloydSteinberg: mapDiffused<kFloydSteinberg>(reader, image, nearest); break;
            case DitherOption::Stucki: mapDiffused<kStucki>(reader, image, nearest); break;
            case DitherOption::Burkes: mapDiffused<kBurkes>(reader, image, nearest); break;
            case DitherOption::Sierra: mapDiffused<kSierra>(reader, image, nearest); break;
            case DitherOption::Stevenson: mapDiffused<kStevensonArce>(reader, image, nearest); break;
            default: mapDiffused<kJarvis>(reader, image, nearest); break;
            }
    }
    converted.setResolution(in.xResolution(), in.yResolution());
    out = std::move(converted);
    return result::Ok;
}

} // namespace ardane::imaging::ops
