#include "imaging/codecs/TiffDirect.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <tiffio.h>

namespace ardane::imaging::codecs::tiff {

namespace {

// A file image in memory for libtiff: read from a span, or written into a
// byte vector that grows as libtiff writes (and seeks back to patch).
struct MemoryFile {
    const std::uint8_t* source = nullptr;
    Bytes* sink = nullptr;
    std::uint64_t size = 0;
    std::uint64_t position = 0;
};

MemoryFile& fileOf(thandle_t handle) { return *static_cast<MemoryFile*>(handle); }

extern "C" tmsize_t readMemory(thandle_t handle, void* buffer, tmsize_t count)
{
    MemoryFile& f = fileOf(handle);
    if (!f.source || count < 0 || f.position >= f.size)
        return 0;
    const std::uint64_t n = std::min<std::uint64_t>(std::uint64_t(count), f.size - f.position);
    std::memcpy(buffer, f.source + f.position, std::size_t(n));
    f.position += n;
    return tmsize_t(n);
}

extern "C" tmsize_t writeMemory(thandle_t handle, void* buffer, tmsize_t count)
{
    MemoryFile& f = fileOf(handle);
    if (!f.sink || count < 0)
        return -1;
    const std::uint64_t end = f.position + std::uint64_t(count);
    try {
        if (end > f.sink->size())
            f.sink->resize(std::size_t(end));
    } catch (const std::exception&) {
        return -1; // libtiff reports the short write
    }
    std::memcpy(f.sink->data() + f.position, buffer, std::size_t(count));
    f.position = end;
    f.size = std::max(f.size, end);
    return count;
}

extern "C" toff_t seekMemory(thandle_t handle, toff_t offset, int whence)
{
    MemoryFile& f = fileOf(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = f.position;
    else if (whence == SEEK_END)
        base = f.size;
    f.position = base + offset;
    return f.position;
}

extern "C" int closeMemory(thandle_t) { return 0; }
extern "C" toff_t sizeOfMemory(thandle_t handle) { return fileOf(handle).size; }

extern "C" int mapMemory(thandle_t handle, void** base, toff_t* size)
{
    // A file being read is in memory already: libtiff may decode from it in place.
    MemoryFile& f = fileOf(handle);
    if (!f.source)
        return 0;
    *base = const_cast<std::uint8_t*>(f.source);
    *size = f.size;
    return 1;
}

extern "C" void unmapMemory(thandle_t, void*, toff_t) {}

// libtiff's messages go to no terminal; an error marks the operation failed.
extern "C" int noteError(TIFF*, void* failed, const char*, const char*, va_list)
{
    *static_cast<bool*>(failed) = true;
    return 1;
}

extern "C" int ignoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct CloseTiff {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, CloseTiff>;

struct FreeOptions {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

// No single allocation inside libtiff beyond this (a strip or a table of a
// hostile file); our own pixels are allocated by us.
constexpr tmsize_t kMaxLibraryAllocation = tmsize_t(256) << 20;

TiffPtr open(MemoryFile& file, const char* mode, bool& failed)
{
    const std::unique_ptr<TIFFOpenOptions, FreeOptions> options(TIFFOpenOptionsAlloc());
    if (!options)
        return {};
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), kMaxLibraryAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), noteError, &failed);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), ignoreWarning, nullptr);
    return TiffPtr(TIFFClientOpenExt("memory", mode, &file, readMemory, writeMemory, seekMemory, closeMemory,
                                     sizeOfMemory, mapMemory, unmapMemory, options.get()));
}

template <typename T>
T field(TIFF* tif, ttag_t tag)
{
    T value{};
    TIFFGetFieldDefaulted(tif, tag, &value);
    return value;
}

int dpiOf(float density, std::uint16_t unit)
{
    if (!(density > 0) || !std::isfinite(density))
        return 0;
    if (unit == RESUNIT_INCH)
        return int(std::lround(std::min(density, 32767.0f)));
    if (unit == RESUNIT_CENTIMETER)
        return int(std::lround(std::min(density * 2.54f, 32767.0f)));
    return 0; // no absolute unit
}

} // namespace

std::optional<Result> decode(ByteView data, int page, Bitmap& out)
{
    MemoryFile file;
    file.source = data.data();
    file.size = data.size();
    bool failed = false;
    const TiffPtr tif = open(file, "r", failed);
    if (!tif || page < 0 || !TIFFSetDirectory(tif.get(), tdir_t(page)))
        return std::nullopt; // GraphicsMagick gives the verdict on such files

    const auto width = field<std::uint32_t>(tif.get(), TIFFTAG_IMAGEWIDTH);
    const auto height = field<std::uint32_t>(tif.get(), TIFFTAG_IMAGELENGTH);
    const auto bits = field<std::uint16_t>(tif.get(), TIFFTAG_BITSPERSAMPLE);
    const auto samples = field<std::uint16_t>(tif.get(), TIFFTAG_SAMPLESPERPIXEL);
    const auto photometric = field<std::uint16_t>(tif.get(), TIFFTAG_PHOTOMETRIC);
    const auto planar = field<std::uint16_t>(tif.get(), TIFFTAG_PLANARCONFIG);
    const auto format = field<std::uint16_t>(tif.get(), TIFFTAG_SAMPLEFORMAT);
    const auto compression = field<std::uint16_t>(tif.get(), TIFFTAG_COMPRESSION);
    const bool rgb = photometric == PHOTOMETRIC_RGB && samples == 3;
    const bool grey = photometric == PHOTOMETRIC_MINISBLACK && samples == 1;
    if (TIFFIsTiled(tif.get()) || bits != 8 || planar != PLANARCONFIG_CONTIG || format != SAMPLEFORMAT_UINT
        || !(rgb || grey) || !TIFFIsCODECConfigured(compression))
        return std::nullopt;
    if (!Bitmap::isValidSize(width, height))
        return result::OutOfMemory;

    QImage pixels = Bitmap::allocatePixels(int(width), int(height), grey ? 8 : 24);
    if (pixels.isNull())
        return result::OutOfMemory;

    // Strips decode straight into the rows when they are packed like the
    // file's; otherwise through one strip buffer.
    const tmsize_t rowBytes = TIFFScanlineSize(tif.get());
    if (rowBytes != tmsize_t(width) * samples)
        return std::nullopt;
    const std::uint32_t rowsPerStrip = std::clamp<std::uint32_t>(field<std::uint32_t>(tif.get(), TIFFTAG_ROWSPERSTRIP), 1, height);
    const bool packed = pixels.bytesPerLine() == rowBytes;
    std::vector<std::uint8_t> strip;
    try {
        if (!packed)
            strip.resize(std::size_t(rowBytes) * rowsPerStrip);
    } catch (const std::bad_alloc&) {
        return result::OutOfMemory;
    }
    uchar* const bits0 = pixels.bits();
    const qsizetype stride = pixels.bytesPerLine();
    for (std::uint32_t y = 0; y < height; y += rowsPerStrip) {
        const std::uint32_t rows = std::min(rowsPerStrip, height - y);
        const tmsize_t want = rowBytes * tmsize_t(rows);
        uchar* target = packed ? bits0 + stride * qsizetype(y) : strip.data();
        if (TIFFReadEncodedStrip(tif.get(), TIFFComputeStrip(tif.get(), y, 0), target, want) != want || failed)
            return result::ReadError;
        if (!packed)
            for (std::uint32_t r = 0; r < rows; ++r)
                std::memcpy(bits0 + stride * qsizetype(y + r), strip.data() + rowBytes * tmsize_t(r), std::size_t(rowBytes));
    }

    Bitmap bitmap = Bitmap::fromImage(std::move(pixels), grey ? 8 : 24);
    if (bitmap.isNull())
        return result::ReadError;
    const auto unit = field<std::uint16_t>(tif.get(), TIFFTAG_RESOLUTIONUNIT);
    float xDensity = 0, yDensity = 0;
    const int xDpi = TIFFGetField(tif.get(), TIFFTAG_XRESOLUTION, &xDensity) ? dpiOf(xDensity, unit) : 0;
    const int yDpi = TIFFGetField(tif.get(), TIFFTAG_YRESOLUTION, &yDensity) ? dpiOf(yDensity, unit) : 0;
    if (xDpi > 0 && yDpi > 0)
        bitmap.setResolution(xDpi, yDpi);
    out = std::move(bitmap);
    return result::Ok;
}

std::optional<Result> encode(const Bitmap& bitmap, Bytes& out)
{
    if (bitmap.bitsPerPixel() != 24)
        return std::nullopt;
    const QImage& image = bitmap.image();
    const auto width = std::uint32_t(image.width());
    const auto height = std::uint32_t(image.height());
    const std::size_t rowBytes = std::size_t(width) * 3;
    // Strips of about a megabyte: small enough to decode piece by piece,
    // large enough that the strip tables stay short.
    const std::uint32_t rowsPerStrip = std::clamp<std::uint32_t>(std::uint32_t((std::size_t(1) << 20) / rowBytes), 1, height);

    Bytes encoded;
    std::vector<std::uint8_t> strip;
    try {
        encoded.reserve(rowBytes * height / 2);
        strip.resize(rowBytes * rowsPerStrip);
    } catch (const std::bad_alloc&) {
        return result::OutOfMemory;
    }
    MemoryFile file;
    file.sink = &encoded;
    bool failed = false;
    {
        const TiffPtr tif = open(file, "w", failed);
        if (!tif)
            return result::WriteError;
        TIFFSetField(tif.get(), TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tif.get(), TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(tif.get(), TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif.get(), TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
        TIFFSetField(tif.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif.get(), TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(tif.get(), TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        TIFFSetField(tif.get(), TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
        TIFFSetField(tif.get(), TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(tif.get(), TIFFTAG_XRESOLUTION, float(std::max(bitmap.xResolution(), 1)));
        TIFFSetField(tif.get(), TIFFTAG_YRESOLUTION, float(std::max(bitmap.yResolution(), 1)));
        for (std::uint32_t y = 0; y < height && !failed; y += rowsPerStrip) {
            const std::uint32_t rows = std::min(rowsPerStrip, height - y);
            for (std::uint32_t r = 0; r < rows; ++r)
                std::memcpy(strip.data() + rowBytes * r, image.constScanLine(int(y + r)), rowBytes);
            if (TIFFWriteEncodedStrip(tif.get(), TIFFComputeStrip(tif.get(), y, 0), strip.data(), tmsize_t(rowBytes * rows)) < 0)
                failed = true;
        }
        if (!failed && !TIFFWriteDirectory(tif.get()))
            failed = true;
    } // closing flushes what is left
    if (failed || encoded.empty())
        return result::WriteError;
    out = std::move(encoded);
    return result::Ok;
}

} // namespace ardane::imaging::codecs::tiff
