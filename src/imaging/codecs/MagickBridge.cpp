#include "imaging/codecs/MagickBridge.h"
#include "imaging/codecs/Magick.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>

namespace ardane::imaging::codecs {

void ensureMagickInitialised()
{
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace MagickLib;
        ExceptionInfo exception;
        GetExceptionInfo(&exception);
        // No signal handlers: the application owns SIGINT and friends.
        InitializeMagickEx(nullptr, MAGICK_OPT_NO_SIGNAL_HANDER, &exception);
        DestroyExceptionInfo(&exception);

        // Pixel caches stay in memory: no spilling to temporary files or
        // file-backed maps behind our back when an image is large.
        SetMagickResourceLimit(DiskResource, 0);
        SetMagickResourceLimit(MapResource, 0);
        // Heap for pixel caches: the library's own default (derived from the
        // machine's memory) but no more than 16 GiB, which holds the largest
        // image we accept (kMaxPixels) at four 16-bit samples with room to
        // spare. Beyond it the library reports a resource limit, which comes
        // back as OutOfMemory.
        constexpr magick_int64_t maxHeap = magick_int64_t(16) << 30;
        const magick_int64_t heap = GetMagickResourceLimit(MemoryResource);
        SetMagickResourceLimit(MemoryResource, heap > 0 ? std::min(heap, maxHeap) : maxHeap);
        // The same size limits as our bitmaps, enforced inside the decoders too.
        SetMagickResourceLimit(PixelsResource, kMaxPixels);
        SetMagickResourceLimit(WidthResource, kMaxSide);
        SetMagickResourceLimit(HeightResource, kMaxSide);
    });
}

namespace gm {

// The library's C interface is written for unqualified use (its macros name
// enumerators and types without the namespace).
using namespace MagickLib;

namespace {

// Quantum steps per 8-bit step: 257 in a 16-bit build.
constexpr unsigned kQuantumPerByte = MaxRGB / 255;

struct ImageInfoDeleter {
    void operator()(ImageInfo* info) const
    {
        if (info)
            DestroyImageInfo(info);
    }
};
using ImageInfoPtr = std::unique_ptr<ImageInfo, ImageInfoDeleter>;

// An ImageInfo that names the coder outright ("PNG:"), so that
// GraphicsMagick does not go looking at the content for another one.
ImageInfoPtr infoFor(const char* magick)
{
    ImageInfoPtr info(CloneImageInfo(nullptr));
    if (info) {
        std::snprintf(info->magick, MaxTextExtent, "%s", magick);
        std::snprintf(info->filename, MaxTextExtent, "%s:", magick);
    }
    return info;
}

bool contains(const std::string& text, const char* what) { return text.find(what) != std::string::npos; }

std::string lowered(const ExceptionInfo& info)
{
    std::string text;
    if (info.reason)
        text += info.reason;
    text += ' ';
    if (info.description)
        text += info.description;
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

inline std::uint8_t q8(Quantum q) { return std::uint8_t(q / kQuantumPerByte); }
inline Quantum fromByte(unsigned v) { return Quantum(v * kQuantumPerByte); }

// One row of a 16, 24 or 32-bit bitmap (or an indexed one through its
// table) as pixel packets.
void rowToPackets(const Bitmap& bitmap, const QList<QRgb>& table, int y, PixelPacket* q, bool greyscale)
{
    const int w = bitmap.width();
    const uchar* src = bitmap.image().constScanLine(y);
    const auto put = [&](int x, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
        if (greyscale)
            r = g = b = luminance(r, g, b);
        q[x].red = fromByte(r);
        q[x].green = fromByte(g);
        q[x].blue = fromByte(b);
        q[x].opacity = Quantum(MaxRGB - fromByte(a));
    };
    switch (bitmap.bitsPerPixel()) {
    case 16: {
        const auto* s = reinterpret_cast<const std::uint16_t*>(src);
        for (int x = 0; x < w; ++x) {
            const unsigned r = (s[x] >> 10) & 31, g = (s[x] >> 5) & 31, b = s[x] & 31;
            put(x, std::uint8_t(r << 3 | r >> 2), std::uint8_t(g << 3 | g >> 2), std::uint8_t(b << 3 | b >> 2), 255);
        }
        break;
    }
    case 24:
        for (int x = 0; x < w; ++x)
            put(x, src[3 * x], src[3 * x + 1], src[3 * x + 2], 255);
        break;
    case 32: {
        const auto* s = reinterpret_cast<const QRgb*>(src);
        for (int x = 0; x < w; ++x)
            put(x, std::uint8_t(qRed(s[x])), std::uint8_t(qGreen(s[x])), std::uint8_t(qBlue(s[x])), std::uint8_t(qAlpha(s[x])));
        break;
    }
    default: {
        const int n = int(table.size());
        for (int x = 0; x < w; ++x) {
            const QRgb c = src[x] < n ? table[src[x]] : qRgb(0, 0, 0);
            put(x, std::uint8_t(qRed(c)), std::uint8_t(qGreen(c)), std::uint8_t(qBlue(c)), 255);
        }
        break;
    }
    }
}

Image* allocateFor(const Bitmap& bitmap)
{
    Image* image = AllocateImage(nullptr);
    if (!image)
        return nullptr;
    image->columns = unsigned(bitmap.width());
    image->rows = unsigned(bitmap.height());
    image->depth = 8;
    image->x_resolution = bitmap.xResolution();
    image->y_resolution = bitmap.yResolution();
    image->units = PixelsPerInchResolution;
    return image;
}

int clampDpi(double dpi) { return int(std::clamp(std::lround(dpi), 1L, 32767L)); }

} // namespace

Result mapException(const ExceptionInfo& info, Direction direction, bool jpeg)
{
    const ExceptionType severity = info.severity;
    if (severity == UndefinedException)
        return result::Ok;
    const std::string text = lowered(info);
    if (severity < ErrorException) {
        if (direction == Direction::Read && severity == CorruptImageWarning) {
            if (!jpeg || contains(text, "premature end") || contains(text, "unexpected end") || contains(text, "truncated"))
                return result::ReadError;
        }
        return result::Ok;
    }
    // Memory the library could not get (its own allocations, its pixel cache
    // or a resource limit we set), wherever it happened.
    if (severity == ResourceLimitError || severity == ResourceLimitFatalError || contains(text, "memory allocation")
        || contains(text, "unable to allocate") || contains(text, "cache resources exhausted")
        || contains(text, "pixel cache allocation failed") || contains(text, "unable to extend")
        || contains(text, "pixel limit exceeded") || contains(text, "width limit exceeded")
        || contains(text, "height limit exceeded"))
        return result::OutOfMemory;
    if (contains(text, "compression")
        && (contains(text, "not supported") || contains(text, "unsupported") || contains(text, "not implemented")
            || contains(text, "not configured") || contains(text, "unknown")))
        return result::UnknownCompression;
    if (direction == Direction::Write)
        return result::WriteError;
    // "Not a JPEG file", "Not a PNG file", ...: the data is not the format at all.
    if (text.starts_with("not a ") || contains(text, " not a "))
        return result::InvalidFormat;
    return result::ReadError;
}

namespace {
Result finishRead(ExceptionInfo& exception, ImagePtr& image, bool jpeg)
{
    Result r = mapException(exception, Direction::Read, jpeg);
    for (Image* frame = image.get(); r == result::Ok && frame; frame = frame->next)
        r = mapException(frame->exception, Direction::Read, jpeg);
    if (r != result::Ok)
        return r;
    if (!image)
        return result::ReadError;
    for (Image* frame = image.get(); frame; frame = frame->next)
        if (frame->columns == 0 || frame->rows == 0)
            return result::ReadError;
    return result::Ok;
}
} // namespace

Result readBlob(ByteView data, const char* magick, int page, bool ping, ImagePtr& out)
{
    ensureMagickInitialised();
    if (data.empty())
        return result::InvalidFormat;
    ImageInfoPtr info = infoFor(magick);
    if (!info)
        return result::OutOfMemory;
    if (page >= 0) {
        info->subimage = unsigned(page);
        info->subrange = 1;
    }
    ExceptionRecord exception;
    ImagePtr image(ping ? PingBlob(info.get(), data.data(), data.size(), exception.get())
                        : BlobToImage(info.get(), data.data(), data.size(), exception.get()));
    if (const Result r = finishRead(*exception.get(), image, std::strcmp(magick, "JPEG") == 0); r != result::Ok)
        return r;
    if (page >= 0 && image->next) {
        // Some coders (GIF) hand back every frame up to the one asked for:
        // keep that one, known by its scene number.
        Image* wanted = image.get();
        while (wanted && wanted->scene != unsigned(page))
            wanted = wanted->next;
        if (!wanted)
            return result::ReadError;
        Image* head = image.release();
        if (wanted == head)
            head = wanted->next;
        if (wanted->previous)
            wanted->previous->next = wanted->next;
        if (wanted->next)
            wanted->next->previous = wanted->previous;
        wanted->previous = wanted->next = nullptr;
        image.reset(wanted);
        ImagePtr rest(head);
    }
    out = std::move(image);
    return result::Ok;
}

Result readAllFrames(ByteView data, const char* magick, ImagePtr& out)
{
    return readBlob(data, magick, -1, false, out);
}

Result writeBlob(Image* image, const EncodeOptions& options, Bytes& out)
{
    ensureMagickInitialised();
    if (!image)
        return result::WriteError;
    ImageInfoPtr info = infoFor(options.magick);
    if (!info)
        return result::OutOfMemory;
    ExceptionRecord exception;
    info->adjoin = options.adjoin ? MagickTrue : MagickFalse;
    if (options.quality > 0)
        info->quality = unsigned(options.quality);
    if (options.compression != UndefinedCompression) {
        info->compression = options.compression;
        for (Image* frame = image; frame; frame = frame->next)
            frame->compression = options.compression;
    }
    if (!options.defines.empty())
        AddDefinitions(info.get(), options.defines.c_str(), exception.get());
    if (!options.samplingFactor.empty())
        CloneString(&info->sampling_factor, options.samplingFactor.c_str());
    // The coder is chosen by the image's own magick field.
    for (Image* frame = image; frame; frame = frame->next) {
        std::snprintf(frame->magick, MaxTextExtent, "%s", options.magick);
        std::snprintf(frame->filename, MaxTextExtent, "%s:", options.magick);
    }

    std::size_t length = 0;
    void* blob = ImageToBlob(info.get(), image, &length, exception.get());
    const std::unique_ptr<void, void (*)(void*)> owned(blob, [](void* p) { MagickFree(p); });
    Result r = mapException(*exception.get(), Direction::Write);
    if (r == result::Ok)
        r = mapException(image->exception, Direction::Write);
    if (r != result::Ok)
        return r;
    if (!blob || length == 0)
        return result::WriteError;
    const auto* bytes = static_cast<const std::uint8_t*>(blob);
    out.assign(bytes, bytes + length);
    return result::Ok;
}

namespace {

// Runs `band(first, end, view)` over the rows of `image` in bands, one per
// processor for large images, each band with its own cache view (the
// library's per-image pixel access is not for concurrent use). False when any
// band fails.
template <typename Band>
bool forRowBands(Image* image, Band&& band)
{
    const long rows = long(image->rows);
    const std::int64_t pixels = std::int64_t(image->columns) * rows;
    const long bands = pixels < (std::int64_t(1) << 20) ? 1 : std::clamp<long>(long(std::thread::hardware_concurrency()), 1, std::min(8L, rows));
    std::atomic<bool> ok{true};
    const auto run = [&](long index) {
        ViewInfo* view = OpenCacheView(image);
        if (!view) {
            ok = false;
            return;
        }
        if (!band(rows * index / bands, rows * (index + 1) / bands, view))
            ok = false;
        CloseCacheView(view);
    };
    std::vector<std::thread> threads;
    threads.reserve(std::size_t(bands - 1)); // no reallocation once threads run
    long next = 1;
    try {
        for (; next < bands; ++next)
            threads.emplace_back(run, next);
    } catch (const std::system_error&) {
        // No more threads to be had: the remaining bands run here.
    }
    run(0);
    for (; next < bands; ++next)
        run(next);
    for (std::thread& t : threads)
        t.join();
    return ok;
}

// The pixel cache is set up on first access; do that before the bands run
// side by side.
bool openCache(Image* image)
{
    return SetImagePixels(image, 0, 0, image->columns, 1) != nullptr;
}

} // namespace

Result fromBitmap(const Bitmap& bitmap, int paletteEntries, ImagePtr& out)
{
    if (bitmap.isNull())
        return result::WriteError;
    if (!bitmap.isIndexed())
        return fromBitmapTrueColour(bitmap, false, out);
    ensureMagickInitialised();
    ImagePtr image(allocateFor(bitmap));
    if (!image)
        return result::OutOfMemory;
    const QList<QRgb> table = bitmap.image().colorTable();
    const int entries = std::clamp(std::max<int>(int(table.size()), paletteEntries), 1, 256);
    if (!AllocateImageColormap(image.get(), unsigned(entries)))
        return result::OutOfMemory;
    for (int i = 0; i < entries; ++i) {
        const QRgb c = i < table.size() ? table[i] : qRgb(0, 0, 0);
        image->colormap[i].red = fromByte(unsigned(qRed(c)));
        image->colormap[i].green = fromByte(unsigned(qGreen(c)));
        image->colormap[i].blue = fromByte(unsigned(qBlue(c)));
        image->colormap[i].opacity = OpaqueOpacity;
    }
    if (!openCache(image.get()))
        return result::OutOfMemory;
    const PixelPacket* colormap = image->colormap;
    const unsigned long w = image->columns;
    const bool ok = forRowBands(image.get(), [&](long first, long end, ViewInfo* view) {
        ExceptionRecord exception;
        for (long y = first; y < end; ++y) {
            PixelPacket* q = SetCacheViewPixels(view, 0, y, w, 1, exception.get());
            IndexPacket* indexes = q ? GetCacheViewIndexes(view) : nullptr;
            if (!indexes)
                return false;
            const uchar* src = bitmap.image().constScanLine(int(y));
            for (unsigned long x = 0; x < w; ++x) {
                const int k = src[x] < entries ? src[x] : 0;
                indexes[x] = IndexPacket(k);
                q[x] = colormap[k];
            }
            if (!SyncCacheViewPixels(view, exception.get()))
                return false;
        }
        return true;
    });
    if (!ok)
        return result::OutOfMemory;
    out = std::move(image);
    return result::Ok;
}

Result fromBitmapTrueColour(const Bitmap& bitmap, bool greyscale, ImagePtr& out)
{
    if (bitmap.isNull())
        return result::WriteError;
    ensureMagickInitialised();
    ImagePtr image(allocateFor(bitmap));
    if (!image)
        return result::OutOfMemory;
    image->storage_class = DirectClass;
    image->matte = bitmap.bitsPerPixel() == 32 ? MagickTrue : MagickFalse;
    if (!openCache(image.get()))
        return result::OutOfMemory;
    const QList<QRgb> table = bitmap.image().colorTable();
    const unsigned long w = image->columns;
    const bool ok = forRowBands(image.get(), [&](long first, long end, ViewInfo* view) {
        ExceptionRecord exception;
        for (long y = first; y < end; ++y) {
            PixelPacket* q = SetCacheViewPixels(view, 0, y, w, 1, exception.get());
            if (!q)
                return false;
            rowToPackets(bitmap, table, int(y), q, greyscale);
            if (!SyncCacheViewPixels(view, exception.get()))
                return false;
        }
        return true;
    });
    if (!ok)
        return result::OutOfMemory;
    if (greyscale) {
        image->is_grayscale = MagickTrue;
        image->colorspace = GRAYColorspace;
    }
    out = std::move(image);
    return result::Ok;
}

Result toBitmap(Image* image, int depth, StoredKind kind, Bitmap& out)
{
    if (!image)
        return result::ReadError;
    const long w = long(image->columns);
    const long h = long(image->rows);
    if (!Bitmap::isValidSize(w, h))
        return w <= 0 || h <= 0 ? result::ReadError : result::OutOfMemory;
    if (!Bitmap::isValidDepth(depth))
        return result::ReadError;
    if (!IsRGBColorspace(image->colorspace) && !TransformColorspace(image, RGBColorspace))
        return result::ReadError;

    // Rows are written in full below, so the image needs no clearing first.
    QImage pixels;
    try {
        pixels = Bitmap::allocateImage(int(w), int(h), Bitmap::storageFormat(depth));
    } catch (const std::bad_alloc&) {
        return result::OutOfMemory;
    }
    if (pixels.isNull())
        return result::OutOfMemory;

    // How an indexed bitmap gets its indices: the file's own table and
    // indices as they are, or grey samples onto a ramp of 2, 16 or 256 greys.
    const int maxEntries = depth <= 8 ? 1 << depth : 0;
    const bool mapped = depth <= 8 && image->storage_class == PseudoClass && image->colormap && image->colors > 0
        && (kind != StoredKind::Grey || image->colors <= unsigned(maxEntries));
    const int entries = mapped ? std::min<int>(int(image->colors), maxEntries) : maxEntries;
    if (depth <= 8) {
        if (!mapped && kind != StoredKind::Grey)
            return result::ReadError;
        QList<QRgb> table;
        for (int i = 0; i < entries; ++i) {
            if (mapped)
                table.append(qRgb(q8(image->colormap[i].red), q8(image->colormap[i].green), q8(image->colormap[i].blue)));
            else
                table.append(depth == 1 ? qRgb(i * 255, i * 255, i * 255) : qRgb(i * 255 / (entries - 1), i * 255 / (entries - 1), i * 255 / (entries - 1)));
        }
        pixels.setColorTable(table);
    }
    const bool matte = image->matte != MagickFalse;
    // Row addresses from one detached buffer: scanLine() may detach, which is
    // not for concurrent calls.
    uchar* const base = pixels.bits();
    const qsizetype stride = pixels.bytesPerLine();

    const bool ok = forRowBands(image, [&](long first, long end, ViewInfo* view) {
        ExceptionRecord exception;
        for (long y = first; y < end; ++y) {
            const PixelPacket* p = AcquireCacheViewPixels(view, 0, y, unsigned(w), 1, exception.get());
            if (!p)
                return false;
            uchar* dst = base + stride * y;
            if (mapped) {
                const IndexPacket* indexes = AcquireCacheViewIndexes(view);
                if (!indexes)
                    return false;
                for (long x = 0; x < w; ++x) {
                    const unsigned k = indexes[x];
                    if (k >= unsigned(entries))
                        return false;
                    dst[x] = uchar(k);
                }
                continue;
            }
            switch (depth) {
            case 1:
            case 4:
            case 8:
                for (long x = 0; x < w; ++x) {
                    const unsigned v = luminance(q8(p[x].red), q8(p[x].green), q8(p[x].blue));
                    dst[x] = uchar(depth == 8 ? v : depth == 4 ? (v * 15 + 127) / 255 : (v >= 128 ? 1 : 0));
                }
                break;
            case 16: {
                auto* d = reinterpret_cast<std::uint16_t*>(dst);
                for (long x = 0; x < w; ++x)
                    d[x] = std::uint16_t((q8(p[x].red) >> 3) << 10 | (q8(p[x].green) >> 3) << 5 | q8(p[x].blue) >> 3);
                break;
            }
            case 24:
                for (long x = 0; x < w; ++x) {
                    dst[3 * x] = q8(p[x].red);
                    dst[3 * x + 1] = q8(p[x].green);
                    dst[3 * x + 2] = q8(p[x].blue);
                }
                break;
            default: {
                auto* d = reinterpret_cast<QRgb*>(dst);
                for (long x = 0; x < w; ++x)
                    d[x] = qRgba(q8(p[x].red), q8(p[x].green), q8(p[x].blue), matte ? 255 - q8(p[x].opacity) : 255);
                break;
            }
            }
        }
        return true;
    });
    if (!ok)
        return result::ReadError;

    Bitmap bitmap = Bitmap::fromImage(std::move(pixels), depth);
    if (bitmap.isNull())
        return result::ReadError;
    if (image->x_resolution > 0 && image->y_resolution > 0) {
        double toInch = 0;
        if (image->units == PixelsPerInchResolution)
            toInch = 1;
        else if (image->units == PixelsPerCentimeterResolution)
            toInch = 2.54;
        if (toInch > 0)
            bitmap.setResolution(clampDpi(image->x_resolution * toInch), clampDpi(image->y_resolution * toInch));
    }
    out = std::move(bitmap);
    return result::Ok;
}

} // namespace gm
} // namespace ardane::imaging::codecs
