#include "imaging/codecs/JpegDirect.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <cmath>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <cstdlib>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace ardane::imaging::codecs::jpeg {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return.
// It jumps back to the setjmp of the phase that called into the library; the
// phases below keep only trivially destructible locals, so the jump skips no
// destructor.
struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    bool endedEarly; // the data stopped before the image was complete
};

extern "C" void trapError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1);
}

extern "C" void noteWarning(j_common_ptr info, int level)
{
    // Level -1 is a warning about the data. Damaged entropy-coded data is
    // decoded as well as it can be; a file or segment that ends early, which
    // libjpeg would paint grey, counts as a failed read.
    if (level < 0 && (info->err->msg_code == JWRN_JPEG_EOF || info->err->msg_code == JWRN_HIT_MARKER))
        reinterpret_cast<ErrorTrap*>(info->err)->endedEarly = true;
}

ErrorTrap* installTrap(ErrorTrap& trap)
{
    jpeg_std_error(&trap.manager);
    trap.manager.error_exit = trapError;
    trap.manager.emit_message = noteWarning;
    trap.endedEarly = false;
    return &trap;
}

struct Decoder {
    jpeg_decompress_struct info;
    ErrorTrap trap;
};

enum class Phase { Done, Failed, NotOurs };

Phase readHeader(Decoder& d, ByteView data)
{
    if (setjmp(d.trap.jump))
        return Phase::Failed;
    jpeg_mem_src(&d.info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&d.info, TRUE);
    switch (d.info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        d.info.out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_YCbCr:
    case JCS_RGB:
        d.info.out_color_space = JCS_RGB;
        break;
    default:
        return Phase::NotOurs; // CMYK, YCCK, unknown
    }
    d.info.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&d.info);
    return Phase::Done;
}

Phase readRows(Decoder& d, uchar* first, qsizetype stride)
{
    if (setjmp(d.trap.jump))
        return Phase::Failed;
    JSAMPROW rows[16];
    while (d.info.output_scanline < d.info.output_height) {
        const JDIMENSION y = d.info.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(16, d.info.output_height - y);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = first + stride * qsizetype(y + i);
        if (jpeg_read_scanlines(&d.info, rows, count) == 0)
            return Phase::Failed;
    }
    jpeg_finish_decompress(&d.info);
    return Phase::Done;
}

// The compressed data goes into a buffer we own, grown with realloc as
// libjpeg fills it.
struct MemoryDestination {
    jpeg_destination_mgr manager;
    unsigned char* data;
    std::size_t capacity;
};

extern "C" void startDestination(j_compress_ptr info)
{
    auto* d = reinterpret_cast<MemoryDestination*>(info->dest);
    d->manager.next_output_byte = d->data;
    d->manager.free_in_buffer = d->capacity;
}

extern "C" boolean growDestination(j_compress_ptr info)
{
    // Called when the buffer is full.
    auto* d = reinterpret_cast<MemoryDestination*>(info->dest);
    const std::size_t grown = d->capacity * 2;
    auto* data = static_cast<unsigned char*>(std::realloc(d->data, grown));
    if (!data)
        ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
    d->data = data;
    d->manager.next_output_byte = data + d->capacity;
    d->manager.free_in_buffer = grown - d->capacity;
    d->capacity = grown;
    return TRUE;
}

extern "C" void endDestination(j_compress_ptr) {}

struct Encoder {
    jpeg_compress_struct info;
    ErrorTrap trap;
    MemoryDestination destination;
};

struct EncodeSettings {
    int quality;
    int xDpi;
    int yDpi;
    bool grey;
};

// How the rows of a bitmap become the rows libjpeg wants: 24-bit rows as they
// are; indexed rows through the colour table, either to one grey sample per
// pixel or to three colour samples.
struct RowSource {
    const QImage& image;
    bool indexed;
    std::array<unsigned char, 256> levels{};   // grey of each index
    std::array<unsigned char, 768> colours{};  // R, G, B of each index
    unsigned char* row;                        // one converted row
};

Phase writeImage(Encoder& e, const RowSource& source, const EncodeSettings& s)
{
    if (setjmp(e.trap.jump))
        return Phase::Failed;
    const QImage& image = source.image;
    e.info.dest = &e.destination.manager;
    e.info.image_width = JDIMENSION(image.width());
    e.info.image_height = JDIMENSION(image.height());
    e.info.input_components = s.grey ? 1 : 3;
    e.info.in_color_space = s.grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&e.info);
    jpeg_set_quality(&e.info, s.quality, TRUE);
    if (s.quality >= 90)
        for (int c = 0; c < e.info.num_components; ++c)
            e.info.comp_info[c].h_samp_factor = e.info.comp_info[c].v_samp_factor = 1;
    e.info.density_unit = 1; // dots per inch
    e.info.X_density = UINT16(s.xDpi);
    e.info.Y_density = UINT16(s.yDpi);
    e.info.dct_method = JDCT_ISLOW;
    // Huffman tables fitted to the image: a second pass over the
    // coefficients buys files about a fifth smaller.
    e.info.optimize_coding = TRUE;
    jpeg_start_compress(&e.info, TRUE);
    const int width = image.width();
    while (e.info.next_scanline < e.info.image_height) {
        const uchar* src = image.constScanLine(int(e.info.next_scanline));
        JSAMPROW row;
        if (!source.indexed) {
            row = const_cast<JSAMPROW>(src); // libjpeg only reads input rows
        } else if (s.grey) {
            for (int x = 0; x < width; ++x)
                source.row[x] = source.levels[src[x]];
            row = source.row;
        } else {
            unsigned char* out = source.row;
            for (int x = 0; x < width; ++x, out += 3)
                std::memcpy(out, &source.colours[std::size_t(src[x]) * 3], 3);
            row = source.row;
        }
        jpeg_write_scanlines(&e.info, &row, 1);
    }
    jpeg_finish_compress(&e.info);
    return Phase::Done;
}

// Whether every colour-table entry an indexed image uses is a grey. Only
// when the table has colours are the pixels looked at.
bool usesOnlyGreys(const QImage& image, const std::array<unsigned char, 768>& colours)
{
    const auto isGrey = [&](int i) {
        const unsigned char* c = &colours[std::size_t(i) * 3];
        return c[0] == c[1] && c[1] == c[2];
    };
    bool allGrey = true;
    for (int i = 0; i < 256 && allGrey; ++i)
        allGrey = isGrey(i);
    if (allGrey)
        return true;
    std::array<bool, 256> used{};
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            used[line[x]] = true;
    }
    for (int i = 0; i < 256; ++i)
        if (used[std::size_t(i)] && !isGrey(i))
            return false;
    return true;
}

int dpiOf(const jpeg_decompress_struct& info, UINT16 density)
{
    if (density == 0)
        return 0;
    if (info.density_unit == 1)
        return density;
    if (info.density_unit == 2)
        return int(std::lround(density * 2.54));
    return 0; // an aspect ratio only
}

} // namespace

std::optional<Result> decode(ByteView data, Bitmap& out)
{
    Decoder d{};
    d.info.err = &installTrap(d.trap)->manager;
    jpeg_create_decompress(&d.info);
    struct Destroy {
        Decoder& d;
        ~Destroy() { jpeg_destroy_decompress(&d.info); }
    } destroy{d};

    const auto failure = [&d] {
        return d.trap.manager.msg_code == JERR_OUT_OF_MEMORY ? result::OutOfMemory : result::ReadError;
    };
    switch (readHeader(d, data)) {
    case Phase::NotOurs: return std::nullopt;
    case Phase::Failed: return failure();
    case Phase::Done: break;
    }
    const bool grey = d.info.out_color_space == JCS_GRAYSCALE;
    const int width = int(d.info.output_width);
    const int height = int(d.info.output_height);
    if (!Bitmap::isValidSize(width, height))
        return result::OutOfMemory;
    QImage pixels = Bitmap::allocatePixels(width, height, grey ? 8 : 24);
    if (pixels.isNull())
        return result::OutOfMemory;
    if (readRows(d, pixels.bits(), pixels.bytesPerLine()) != Phase::Done)
        return failure();
    if (d.trap.endedEarly)
        return result::ReadError;

    Bitmap bitmap = Bitmap::fromImage(std::move(pixels), grey ? 8 : 24);
    if (bitmap.isNull())
        return result::ReadError;
    const int xDpi = dpiOf(d.info, d.info.X_density);
    const int yDpi = dpiOf(d.info, d.info.Y_density);
    if (xDpi > 0 && yDpi > 0)
        bitmap.setResolution(std::clamp(xDpi, 1, 32767), std::clamp(yDpi, 1, 32767));
    out = std::move(bitmap);
    return result::Ok;
}

Result encode(const Bitmap& bitmap, int quality, Bytes& out)
{
    const int bits = bitmap.bitsPerPixel();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        return result::UnsupportedDepth;
    if (bitmap.width() > JPEG_MAX_DIMENSION || bitmap.height() > JPEG_MAX_DIMENSION)
        return result::NotAvailable; // larger than a JPEG frame can be
    RowSource source{bitmap.image(), bitmap.isIndexed(), {}, {}, nullptr};
    bool grey = false;
    if (source.indexed) {
        // Indices past the table read black, as everywhere else.
        const QList<QRgb> table = bitmap.image().colorTable();
        for (int i = 0; i < int(table.size()) && i < 256; ++i) {
            const QRgb c = table[i];
            source.levels[std::size_t(i)] = luminance(qRed(c), qGreen(c), qBlue(c));
            source.colours[std::size_t(i) * 3] = std::uint8_t(qRed(c));
            source.colours[std::size_t(i) * 3 + 1] = std::uint8_t(qGreen(c));
            source.colours[std::size_t(i) * 3 + 2] = std::uint8_t(qBlue(c));
        }
        grey = usesOnlyGreys(bitmap.image(), source.colours);
    }
    const EncodeSettings settings{std::clamp(quality, 1, 100), std::clamp(bitmap.xResolution(), 1, 65535),
                                  std::clamp(bitmap.yResolution(), 1, 65535), grey};
    std::vector<unsigned char> row(source.indexed ? std::size_t(bitmap.width()) * (grey ? 1 : 3) : 0);
    source.row = row.data();

    Encoder e{};
    // A first guess at the size: a tenth of the raw pixels, at least 64 KiB.
    e.destination.capacity = std::max<std::size_t>(std::size_t(bitmap.width()) * std::size_t(bitmap.height()) * 3 / 10, 65536);
    e.destination.data = static_cast<unsigned char*>(std::malloc(e.destination.capacity));
    if (!e.destination.data)
        return result::OutOfMemory;
    e.destination.manager.init_destination = startDestination;
    e.destination.manager.empty_output_buffer = growDestination;
    e.destination.manager.term_destination = endDestination;
    e.info.err = &installTrap(e.trap)->manager;
    jpeg_create_compress(&e.info);
    struct Destroy {
        Encoder& e;
        ~Destroy()
        {
            jpeg_destroy_compress(&e.info);
            std::free(e.destination.data);
        }
    } destroy{e};

    if (writeImage(e, source, settings) != Phase::Done)
        return e.trap.manager.msg_code == JERR_OUT_OF_MEMORY ? result::OutOfMemory : result::WriteError;
    const std::size_t size = e.destination.capacity - e.destination.manager.free_in_buffer;
    out.assign(e.destination.data, e.destination.data + size);
    return result::Ok;
}

} // namespace ardane::imaging::codecs::jpeg
