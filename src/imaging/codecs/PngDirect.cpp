#include "imaging/codecs/PngDirect.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <new>
#include <vector>

#include <png.h>

namespace ardane::imaging::codecs::png {

namespace {

// (The callbacks have C linkage, so their names are unique in the library.)
// libpng reports a fatal error through the error callback, which must not
// return: it jumps back to the setjmp of the phase that called into the
// library. Those phases keep only trivially destructible locals, so the jump
// skips no destructor; everything that owns memory lives in the callers.
extern "C" void pngDirectError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
// Warnings (an ancillary chunk with a bad CRC, a benign oddity) change
// nothing in the pixels.
extern "C" void pngDirectWarning(png_structp, png_const_charp) {}

enum class Phase { Done, Failed };

// --- reading ----------------------------------------------------------------

struct Source {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at;
};

extern "C" void pngDirectRead(png_structp png, png_bytep out, std::size_t count)
{
    auto* s = static_cast<Source*>(png_get_io_ptr(png));
    if (count > s->size - s->at)
        png_error(png, "file ends early");
    std::memcpy(out, s->data + s->at, count);
    s->at += count;
}

struct Reader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    Reader() = default;
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    ~Reader()
    {
        if (png)
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

// What the header chunks say, as libpng has validated them.
struct Facts {
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    int colourType;
    int interlace;
    bool transparency;        // a tRNS chunk libpng accepted
    png_color palette[256];
    int paletteSize;
    png_byte paletteAlpha[256]; // tRNS of a palette image
    int paletteAlphaCount;
    bool perMetre;            // pHYs with the metre unit
    png_uint_32 xPerMetre;
    png_uint_32 yPerMetre;
};

// How the rows reach the bitmap.
enum class Route {
    Indices,      // one byte per grey sample or palette index (packing undone)
    Rgb,          // 8-bit RGB as stored
    Bgra,         // libpng expands to blue, green, red, alpha (ARGB32 words)
    PaletteBgra,  // indices read into each row's tail, expanded through the table
};

Phase readHeader(Reader& r, Source& source, Facts& f)
{
    if (setjmp(png_jmpbuf(r.png)))
        return Phase::Failed;
    png_set_read_fn(r.png, &source, pngDirectRead);
    // A chunk whose CRC does not match is used as it is, as GraphicsMagick
    // reads it: only what the data itself says decides.
    png_set_crc_action(r.png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_user_limits(r.png, kMaxSide, kMaxSide);
    png_read_info(r.png, r.info);
    f.width = png_get_image_width(r.png, r.info);
    f.height = png_get_image_height(r.png, r.info);
    f.bitDepth = png_get_bit_depth(r.png, r.info);
    f.colourType = png_get_color_type(r.png, r.info);
    f.interlace = png_get_interlace_type(r.png, r.info);
    f.paletteSize = 0;
    if (png_colorp palette = nullptr; png_get_PLTE(r.png, r.info, &palette, &f.paletteSize) && palette)
        std::memcpy(f.palette, palette, sizeof(png_color) * std::size_t(std::clamp(f.paletteSize, 0, 256)));
    f.transparency = png_get_valid(r.png, r.info, PNG_INFO_tRNS) != 0;
    f.paletteAlphaCount = 0;
    if (f.transparency && f.colourType == PNG_COLOR_TYPE_PALETTE) {
        png_bytep alpha = nullptr;
        png_color_16p colour = nullptr;
        if (png_get_tRNS(r.png, r.info, &alpha, &f.paletteAlphaCount, &colour) && alpha)
            std::memcpy(f.paletteAlpha, alpha, std::size_t(std::clamp(f.paletteAlphaCount, 0, 256)));
    }
    int unit = 0;
    f.perMetre = png_get_pHYs(r.png, r.info, &f.xPerMetre, &f.yPerMetre, &unit) && unit == PNG_RESOLUTION_METER;
    return Phase::Done;
}

// Sets the transformations of a route; false when libpng's rows would not
// have the width the route expects.
Phase configure(Reader& r, const Facts& f, Route route, bool& fits)
{
    fits = false;
    if (setjmp(png_jmpbuf(r.png)))
        return Phase::Failed;
    switch (route) {
    case Route::Indices:
    case Route::PaletteBgra:
        if (f.bitDepth < 8)
            png_set_packing(r.png);
        break;
    case Route::Rgb: break;
    case Route::Bgra:
        if (f.colourType == PNG_COLOR_TYPE_GRAY && f.bitDepth < 8)
            png_set_expand_gray_1_2_4_to_8(r.png);
        if (f.transparency)
            png_set_tRNS_to_alpha(r.png);
        if (f.colourType == PNG_COLOR_TYPE_GRAY || f.colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(r.png);
        if constexpr (std::endian::native == std::endian::little)
            png_set_bgr(r.png);        // B, G, R, A in memory: one ARGB32 word
        else
            png_set_swap_alpha(r.png); // A, R, G, B in memory
        break;
    }
    png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    const std::size_t perPixel = route == Route::Rgb ? 3 : route == Route::Bgra ? 4 : 1;
    fits = png_get_rowbytes(r.png, r.info) == std::size_t(f.width) * perPixel;
    return Phase::Done;
}

Phase readRows(Reader& r, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(r.png)))
        return Phase::Failed;
    png_read_image(r.png, rows);
    // The chunks after the pixels, up to IEND, must be whole too.
    png_read_end(r.png, nullptr);
    return Phase::Done;
}

int bitsForSamples(int sampleBits) { return sampleBits <= 1 ? 1 : sampleBits <= 4 ? 4 : 8; }

// The route for a file, or none when GraphicsMagick is to read it.
std::optional<Route> routeFor(const Facts& f, int depth)
{
    if (f.bitDepth > 8 || f.width == 0 || f.height == 0)
        return std::nullopt;
    switch (f.colourType) {
    case PNG_COLOR_TYPE_GRAY:
        if (depth == 32 && f.transparency)
            return Route::Bgra;
        if (depth == bitsForSamples(f.bitDepth) && !f.transparency)
            return Route::Indices;
        return std::nullopt;
    case PNG_COLOR_TYPE_PALETTE:
        if (f.paletteSize <= 0 || f.paletteSize > 256)
            return std::nullopt;
        if (depth == 32 && f.transparency)
            return Route::PaletteBgra;
        if (depth <= 8 && !f.transparency && f.paletteSize <= (1 << depth) && depth >= bitsForSamples(f.bitDepth))
            return Route::Indices;
        return std::nullopt;
    case PNG_COLOR_TYPE_RGB:
        // An RGB file's transparent colour is GraphicsMagick's to apply: it
        // compares it with the samples at another scale, so only black ever
        // matches, and we load such files as it does.
        if (depth == 24 && !f.transparency)
            return Route::Rgb;
        return std::nullopt;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return depth == 32 ? std::optional(Route::Bgra) : std::nullopt;
    default: return std::nullopt;
    }
}

// Expands each row's indices, read into the last `width` bytes of the row,
// into ARGB32 words from the start of the row. Working forwards, pixel x is
// written over bytes 4x..4x+3, which lie before index x + 1 at 3w + x + 1.
// False when an index is past the end of the table.
bool expandPaletteRows(uchar* base, qsizetype stride, const Facts& f)
{
    QRgb lookup[256];
    for (int i = 0; i < 256; ++i) {
        const int alpha = i < f.paletteAlphaCount ? f.paletteAlpha[i] : 255;
        lookup[i] = i < f.paletteSize ? qRgba(f.palette[i].red, f.palette[i].green, f.palette[i].blue, alpha) : 0;
    }
    const std::size_t w = f.width;
    for (png_uint_32 y = 0; y < f.height; ++y) {
        uchar* row = base + stride * qsizetype(y);
        const uchar* indices = row + 3 * w;
        auto* pixels = reinterpret_cast<QRgb*>(row);
        for (std::size_t x = 0; x < w; ++x) {
            const uchar k = indices[x];
            if (k >= f.paletteSize)
                return false;
            pixels[x] = lookup[k];
        }
    }
    return true;
}

bool indicesWithinTable(const uchar* base, qsizetype stride, const Facts& f)
{
    const auto limit = uchar(f.paletteSize - 1);
    for (png_uint_32 y = 0; y < f.height; ++y) {
        const uchar* row = base + stride * qsizetype(y);
        if (*std::max_element(row, row + f.width) > limit)
            return false;
    }
    return true;
}

// The table an indexed bitmap gets: the palette as it is, or for grey
// samples the 2^bits evenly spaced greys GraphicsMagick's colour map holds.
QList<QRgb> tableFor(const Facts& f)
{
    QList<QRgb> table;
    if (f.colourType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < f.paletteSize; ++i)
            table.append(qRgb(f.palette[i].red, f.palette[i].green, f.palette[i].blue));
    } else {
        const int entries = 1 << f.bitDepth;
        for (int i = 0; i < entries; ++i) {
            const int v = i * 255 / (entries - 1);
            table.append(qRgb(v, v, v));
        }
    }
    return table;
}

int dpiOf(png_uint_32 perMetre) { return int(std::clamp(std::lround(double(perMetre) / 100.0 * 2.54), 1L, 32767L)); }

// --- writing ----------------------------------------------------------------

struct Sink {
    Bytes* out;
};

extern "C" void pngDirectWrite(png_structp png, png_bytep data, std::size_t count)
{
    auto* s = static_cast<Sink*>(png_get_io_ptr(png));
    bool stored = true;
    try {
        s->out->insert(s->out->end(), data, data + count);
    } catch (...) {
        stored = false;
    }
    if (!stored)
        png_error(png, "out of memory"); // outside the handler: the jump skips no exception cleanup
}

extern "C" void pngDirectFlush(png_structp) {}

struct Writer {
    png_structp png = nullptr;
    png_infop info = nullptr;
    Writer() = default;
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    ~Writer()
    {
        if (png)
            png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

struct EncodeSettings {
    bool alpha;
    png_uint_32 xPerMetre;
    png_uint_32 yPerMetre;
};

// zlib level 5 with every row filter tried: on photographs as small as the
// library's default level within a few per cent, in about half the time.
constexpr int kZlibLevel = 5;

Phase writeImage(Writer& w, const QImage& image, const EncodeSettings& s, Sink& sink)
{
    if (setjmp(png_jmpbuf(w.png)))
        return Phase::Failed;
    png_set_write_fn(w.png, &sink, pngDirectWrite, pngDirectFlush);
    png_set_IHDR(w.png, w.info, png_uint_32(image.width()), png_uint_32(image.height()), 8,
                 s.alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_pHYs(w.png, w.info, s.xPerMetre, s.yPerMetre, PNG_RESOLUTION_METER);
    png_set_compression_level(w.png, kZlibLevel);
    png_set_filter(w.png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_write_info(w.png, w.info);
    if (s.alpha) {
        if constexpr (std::endian::native == std::endian::little)
            png_set_bgr(w.png);
        else
            png_set_swap_alpha(w.png);
    }
    for (int y = 0; y < image.height(); ++y)
        png_write_row(w.png, const_cast<png_bytep>(image.constScanLine(y))); // libpng only reads input rows
    png_write_end(w.png, w.info);
    return Phase::Done;
}

png_uint_32 perMetre(int dpi) { return png_uint_32(std::lround(std::clamp(dpi, 1, 32767) / 0.0254)); }

} // namespace

std::optional<Result> decode(ByteView data, const StoredLayout& layout, Bitmap& out)
{
    const int depth = loadDepth(layout);
    Reader r;
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngDirectError, pngDirectWarning);
    if (!r.png)
        return result::OutOfMemory;
    r.info = png_create_info_struct(r.png);
    if (!r.info)
        return result::OutOfMemory;

    Source source{data.data(), data.size(), 0};
    Facts facts{};
    if (readHeader(r, source, facts) != Phase::Done)
        return result::ReadError;
    const std::optional<Route> route = routeFor(facts, depth);
    if (!route || int(facts.width) != layout.width || int(facts.height) != layout.height)
        return std::nullopt;
    if (!Bitmap::isValidSize(facts.width, facts.height))
        return result::OutOfMemory;
    bool fits = false;
    if (configure(r, facts, *route, fits) != Phase::Done)
        return result::ReadError;
    if (!fits)
        return std::nullopt;

    QImage pixels = Bitmap::allocatePixels(int(facts.width), int(facts.height), depth);
    if (pixels.isNull())
        return result::OutOfMemory;
    uchar* const base = pixels.bits();
    const qsizetype stride = pixels.bytesPerLine();
    const std::size_t tail = *route == Route::PaletteBgra ? 3 * std::size_t(facts.width) : 0;
    std::vector<png_bytep> rows;
    try {
        rows.resize(facts.height);
    } catch (const std::bad_alloc&) {
        return result::OutOfMemory;
    }
    for (png_uint_32 y = 0; y < facts.height; ++y)
        rows[y] = base + stride * qsizetype(y) + tail;
    if (readRows(r, rows.data()) != Phase::Done)
        return result::ReadError;

    if (*route == Route::PaletteBgra && !expandPaletteRows(base, stride, facts))
        return std::nullopt;
    if (*route == Route::Indices) {
        if (facts.colourType == PNG_COLOR_TYPE_PALETTE && !indicesWithinTable(base, stride, facts))
            return std::nullopt;
        pixels.setColorTable(tableFor(facts));
    }

    Bitmap bitmap = Bitmap::fromImage(std::move(pixels), depth);
    if (bitmap.isNull())
        return result::ReadError;
    if (facts.perMetre && facts.xPerMetre > 0 && facts.yPerMetre > 0)
        bitmap.setResolution(dpiOf(facts.xPerMetre), dpiOf(facts.yPerMetre));
    out = std::move(bitmap);
    return result::Ok;
}

std::optional<Result> encode(const Bitmap& bitmap, Bytes& out)
{
    const int bits = bitmap.bitsPerPixel();
    if (bits != 24 && bits != 32)
        return std::nullopt;
    const QImage& image = bitmap.image();
    const EncodeSettings settings{bits == 32, perMetre(bitmap.xResolution()), perMetre(bitmap.yResolution())};
    Bytes encoded;
    Sink sink{&encoded};
    try {
        // Photographs come to about a third of their raw size.
        encoded.reserve(std::size_t(image.width()) * std::size_t(image.height()) * std::size_t(bits / 8) / 3 + 4096);
    } catch (const std::bad_alloc&) {
        return result::OutOfMemory;
    }
    Writer w;
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngDirectError, pngDirectWarning);
    if (!w.png)
        return result::OutOfMemory;
    w.info = png_create_info_struct(w.png);
    if (!w.info)
        return result::OutOfMemory;
    if (writeImage(w, image, settings, sink) != Phase::Done || encoded.empty())
        return result::WriteError;
    out = std::move(encoded);
    return result::Ok;
}

} // namespace ardane::imaging::codecs::png
