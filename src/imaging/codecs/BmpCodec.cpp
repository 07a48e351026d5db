// Windows and OS/2 bitmap files: a 14-byte file header ('BM', file size, two
// reserved words, offset of the pixels) followed by an information header,
// a colour table and the pixels.
//
// Both codecs read through the same parser, which tells the header variants
// apart by their size exactly as detectFormat() does, so either opens a file
// of the other kind correctly. They differ in what they write:
//   BMP   40-byte header, uncompressed, 1, 4, 8, 16 (5-5-5), 24 and 32 bits
//   OS/2  64-byte OS/2 2.x header, uncompressed, 1, 4, 8 and 24 bits;
//         resolution in pixels per metre, rows bottom-up, RGB colour encoding

#include "imaging/codecs/Codec.h"
#include "imaging/codecs/DibInternal.h"

#include <new>

namespace ardane::imaging::codecs {

namespace {

using dibfmt::rd32;

constexpr std::size_t kFileHeaderSize = 14;

Result parseFile(ByteView data, dibfmt::Layout& layout)
{
    if (data.size() < 2 || data[0] != 'B' || data[1] != 'M')
        return result::InvalidFormat;
    if (data.size() < kFileHeaderSize + 4)
        return result::ReadError;
    const std::uint32_t offBits = rd32(data, 10);
    if (offBits > data.size())
        return result::ReadError;
    const ByteView dib = data.subspan(kFileHeaderSize);
    // An offset inside the headers (0 from some writers) is ignored: the
    // pixels then follow the colour table.
    std::optional<std::uint64_t> pixelOffset;
    if (std::uint64_t(offBits) >= kFileHeaderSize + std::uint64_t(rd32(dib, 0)))
        pixelOffset = offBits - kFileHeaderSize;
    return dibfmt::parseHeader(dib, pixelOffset, layout);
}

FileFormat formatOf(const dibfmt::Layout& layout)
{
    return layout.kind == dibfmt::HeaderKind::Os2 ? FileFormat::Os2Bmp : FileFormat::Bmp;
}

Result probeBitmapFile(ByteView data, int /*single page*/, ProbeInfo& info)
{
    dibfmt::Layout layout;
    if (const Result r = parseFile(data, layout); r != result::Ok)
        return r;
    ProbeInfo probed;
    probed.format = formatOf(layout);
    dibfmt::describe(layout, probed);
    info = std::move(probed);
    return result::Ok;
}

Result readBitmapFile(ByteView data, int /*single page*/, Bitmap& out)
{
    dibfmt::Layout layout;
    if (const Result r = parseFile(data, layout); r != result::Ok)
        return r;
    try {
        return dibfmt::decodePixels(data.subspan(kFileHeaderSize), layout, out);
    } catch (const std::bad_alloc&) {
        return result::OutOfMemory;
    } catch (const std::length_error&) {
        return result::OutOfMemory;
    }
}

Result writeBitmapFile(const Bitmap& bitmap, std::uint32_t infoSize, Bytes& out)
{
    if (bitmap.isNull())
        return result::WriteError;
    if (!dibfmt::fitsSizeFields(bitmap, infoSize, kFileHeaderSize))
        return result::NotAvailable; // the file size would not fit its 32-bit field
    Bytes file;
    try {
        file = dibfmt::encode(bitmap, infoSize, kFileHeaderSize);
    } catch (const std::bad_alloc&) {
        return result::OutOfMemory;
    } catch (const std::length_error&) {
        return result::OutOfMemory;
    }
    if (file.empty())
        return result::OutOfMemory;
    const std::size_t offBits = kFileHeaderSize + infoSize + 4 * std::size_t(dibfmt::paletteCountForWrite(bitmap));
    file[0] = 'B';
    file[1] = 'M';
    dibfmt::put32(file.data() + 2, std::uint32_t(file.size()));
    dibfmt::put32(file.data() + 10, std::uint32_t(offBits));
    out = std::move(file);
    return result::Ok;
}

Result writeBmp(const Bitmap& bitmap, int /*quality*/, Bytes& out)
{
    if (!bitmap.isNull() && !Bitmap::isValidDepth(bitmap.bitsPerPixel()))
        return result::UnsupportedDepth;
    return writeBitmapFile(bitmap, 40, out);
}

Result writeOs2Bmp(const Bitmap& bitmap, int /*quality*/, Bytes& out)
{
    const int bits = bitmap.bitsPerPixel();
    if (!bitmap.isNull() && bits != 1 && bits != 4 && bits != 8 && bits != 24)
        return result::UnsupportedDepth;
    return writeBitmapFile(bitmap, 64, out);
}

} // namespace

const Codec kBmpCodec{FileFormat::Bmp, probeBitmapFile, readBitmapFile, writeBmp};
const Codec kOs2BmpCodec{FileFormat::Os2Bmp, probeBitmapFile, readBitmapFile, writeOs2Bmp};

} // namespace ardane::imaging::codecs
