// Windows metafiles.
//
// Writing: an Aldus placeable header (bounding box in the image's pixels,
// units per inch = the image's horizontal resolution), the standard metafile
// header, then SetWindowOrg, SetWindowExt, one StretchDIB record copying the
// image as a packed DIB at its own depth, and the end record. Every size is
// counted in 16-bit words.
//
// Reading: the records are walked; the largest bitmap any of StretchDIB,
// DIBStretchBlt, DIBBitBlt, SetDIBitsToDevice (DIBs) or StretchBlt / BitBlt
// (monochrome device-dependent bitmaps) carries is decoded at its own depth,
// which makes our own metafiles round trip exactly. A metafile without such
// a record is a drawing: GraphicsMagick renders it (through libwmf), and we
// take that as 24 bits. A malformed record list never reaches the renderer.
//
// A drawing's size is its frame at 72 dots per inch, rounded up, as other
// programs show metafiles: the placeable header's bounding box over its units per inch, or
// without that header the window extent in twips (1440 units per inch).
// Frames that come out larger than kMaxRenderSide or kMaxRenderPixels are
// refused before anything is rendered: damaged headers claim such frames, and
// the renderer's time and memory grow with the size.

#include "imaging/codecs/Codec.h"
#include "imaging/codecs/DibInternal.h"
#include "imaging/codecs/Magick.h"

#include <Magick++.h>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace ardane::imaging::codecs {

namespace {

using dibfmt::put16;
using dibfmt::put32;
using dibfmt::rd16;
using dibfmt::rd32;

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kMetaHeaderSize = 18;
constexpr std::uint32_t kSrcCopy = 0x00CC0020;

constexpr std::uint16_t kEof = 0x0000;
constexpr std::uint16_t kSetWindowOrg = 0x020B;
constexpr std::uint16_t kSetWindowExt = 0x020C;
constexpr std::uint16_t kBitBlt = 0x0922;
constexpr std::uint16_t kStretchBlt = 0x0B23;
constexpr std::uint16_t kDibBitBlt = 0x0940;
constexpr std::uint16_t kDibStretchBlt = 0x0B41;
constexpr std::uint16_t kSetDibToDev = 0x0D33;
constexpr std::uint16_t kStretchDib = 0x0F43;

constexpr int kRenderDpi = 72;
constexpr int kTwipsPerInch = 1440;
constexpr int kMaxRenderSide = 16384;
constexpr std::int64_t kMaxRenderPixels = std::int64_t(1) << 25; // 32 megapixels

struct Placeable {
    bool present = false;
    int left = 0;   // of the bounding box, in logical units
    int top = 0;
    int width = 0;
    int height = 0;
    int inch = 0;   // logical units per inch
};

// A bitmap found in a record: a packed DIB, or a monochrome Bitmap16.
struct Candidate {
    bool found = false;
    bool mono = false;
    ByteView data;         // the DIB, or the Bitmap16 bits
    dibfmt::Layout layout; // DIB only
    int width = 0;
    int height = 0;
    int widthBytes = 0;    // Bitmap16 only
};

struct Scan {
    Placeable placeable;
    Candidate best;
    Result bitmapError = result::Ok; // of the first bitmap record we could not use
    int windowX = 0;
    int windowY = 0;
    int windowWidth = 0;
    int windowHeight = 0;
    bool windowExtent = false;
};

// A Bitmap16 object (type, width, height, bytes per row, planes, bits per
// pixel, bits); we take the monochrome kind, which needs no colour table.
// Some writers keep the old 32-bit bits pointer before the bits.
bool monoBitmap16(ByteView obj, Candidate& c)
{
    if (obj.size() < 10)
        return false;
    const int width = std::int16_t(rd16(obj, 2));
    const int height = std::int16_t(rd16(obj, 4));
    const int widthBytes = std::int16_t(rd16(obj, 6));
    if (obj[8] != 1 || obj[9] != 1 || width <= 0 || height <= 0 || widthBytes < (width + 7) / 8)
        return false;
    const std::uint64_t bits = std::uint64_t(widthBytes) * std::uint64_t(height);
    const std::uint64_t rest = obj.size() - 10;
    if (rest < bits)
        return false;
    const std::size_t skip = rest >= bits + 4 ? 4 : 0;
    c.mono = true;
    c.data = obj.subspan(10 + skip, std::size_t(bits));
    c.width = width;
    c.height = height;
    c.widthBytes = widthBytes;
    return true;
}

bool dibCandidate(ByteView dib, Candidate& c, Scan& scan)
{
    dibfmt::Layout layout;
    if (const Result r = dibfmt::parseHeader(dib, std::nullopt, layout); r != result::Ok) {
        if (scan.bitmapError == result::Ok)
            scan.bitmapError = r;
        return false;
    }
    c.mono = false;
    c.data = dib;
    c.layout = layout;
    c.width = layout.width;
    c.height = layout.height;
    return true;
}

// Walks the placeable header, the metafile header and the records. Answers
// Ok when the records end with the end record, or when the data ends (or a
// record is cut short) after a usable bitmap record.
Result scanMetafile(ByteView data, Scan& scan)
{
    std::size_t pos = 0;
    if (data.size() >= 4 && rd32(data, 0) == kPlaceableKey) {
        if (data.size() < kPlaceableSize)
            return result::ReadError;
        Placeable& p = scan.placeable;
        p.present = true;
        const int left = std::int16_t(rd16(data, 6));
        const int top = std::int16_t(rd16(data, 8));
        const int right = std::int16_t(rd16(data, 10));
        const int bottom = std::int16_t(rd16(data, 12));
        p.left = std::min(left, right);
        p.top = std::min(top, bottom);
        p.width = std::abs(right - left);
        p.height = std::abs(bottom - top);
        p.inch = rd16(data, 14);
        pos = kPlaceableSize;
    }
    if (data.size() < pos + kMetaHeaderSize)
        return data.size() < 2 ? result::InvalidFormat : result::ReadError;
    const std::uint16_t type = rd16(data, pos);
    const std::uint16_t headerWords = rd16(data, pos + 2);
    const std::uint16_t version = rd16(data, pos + 4);
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300))
        return result::InvalidFormat;
    pos += kMetaHeaderSize;

    while (true) {
        if (data.size() - pos < 6)
            return scan.best.found ? result::Ok : result::ReadError;
        const std::uint64_t words = rd32(data, pos);
        const std::uint16_t function = rd16(data, pos + 4);
        if (words < 3)
            return result::InvalidFormat;
        if (words * 2 > data.size() - pos)
            return scan.best.found ? result::Ok : result::ReadError;
        const ByteView record = data.subspan(pos, std::size_t(words * 2));
        pos += std::size_t(words * 2);
        if (function == kEof)
            return result::Ok;

        // The bitmap forms of the blits are longer than their plain forms.
        const bool hasBitmap = words != std::uint64_t(function >> 8) + 3;
        Candidate c;
        bool got = false;
        switch (function) {
        case kSetWindowOrg:
            if (record.size() >= 10 && !scan.windowExtent) {
                scan.windowY = std::int16_t(rd16(record, 6));
                scan.windowX = std::int16_t(rd16(record, 8));
            }
            break;
        case kSetWindowExt:
            // The first extent is the picture's frame; later ones draw parts.
            if (record.size() >= 10 && !scan.windowExtent) {
                scan.windowHeight = std::abs(int(std::int16_t(rd16(record, 6))));
                scan.windowWidth = std::abs(int(std::int16_t(rd16(record, 8))));
                scan.windowExtent = true;
            }
            break;
        case kStretchDib:
            // Palette-index colour tables refer to a palette we do not track.
            if (record.size() > 28 && rd16(record, 10) == 0)
                got = dibCandidate(record.subspan(28), c, scan);
            break;
        case kSetDibToDev:
            if (record.size() > 24 && rd16(record, 6) == 0)
                got = dibCandidate(record.subspan(24), c, scan);
            break;
        case kDibStretchBlt:
            if (hasBitmap && record.size() > 26)
                got = dibCandidate(record.subspan(26), c, scan);
            break;
        case kDibBitBlt:
            if (hasBitmap && record.size() > 22)
                got = dibCandidate(record.subspan(22), c, scan);
            break;
        case kStretchBlt:
            if (hasBitmap && record.size() > 26)
                got = monoBitmap16(record.subspan(26), c);
            break;
        case kBitBlt:
            if (hasBitmap && record.size() > 22)
                got = monoBitmap16(record.subspan(22), c);
            break;
        default: break;
        }
        if (got) {
            const std::int64_t area = std::int64_t(c.width) * c.height;
            if (!scan.best.found || area > std::int64_t(scan.best.width) * scan.best.height) {
                c.found = true;
                scan.best = c;
            }
        }
    }
}

// A drawing goes to the renderer with its bitmap records, and the renderer
// scales each bitmap to its destination before clipping it to the picture: a
// record of a few bytes asking for a destination tens of thousands of units
// square keeps it busy for minutes. A destination larger than the largest
// picture we render, in pixels at the rendering resolution, is refused
// before rendering.
bool drawsOversizedBitmap(ByteView data, const Scan& scan)
{
    const Placeable& p = scan.placeable;
    const int logicalW = scan.windowWidth > 0 ? scan.windowWidth : (p.width > 0 ? p.width : 1);
    const int logicalH = scan.windowHeight > 0 ? scan.windowHeight : (p.height > 0 ? p.height : 1);
    // Logical units to frame units, then to pixels at the rendering resolution.
    const double toPixels = double(kRenderDpi) / (p.present && p.inch > 0 ? p.inch : kTwipsPerInch);
    const double sx = (p.present && p.width > 0 ? double(p.width) / logicalW : 1.0) * toPixels;
    const double sy = (p.present && p.height > 0 ? double(p.height) / logicalH : 1.0) * toPixels;
    std::size_t pos = (p.present ? kPlaceableSize : 0) + kMetaHeaderSize;
    while (data.size() - pos >= 6) {
        const std::uint64_t words = rd32(data, pos);
        const std::uint16_t function = rd16(data, pos + 4);
        if (words < 3 || words * 2 > data.size() - pos || function == kEof)
            break;
        const ByteView record = data.subspan(pos, std::size_t(words * 2));
        pos += std::size_t(words * 2);
        const bool hasBitmap = words != std::uint64_t(function >> 8) + 3;
        std::size_t heightAt = 0; // of the destination height; the width follows it
        switch (function) {
        case kStretchDib: heightAt = 20; break;
        case kSetDibToDev: heightAt = 16; break;
        case kDibStretchBlt:
        case kStretchBlt: heightAt = hasBitmap ? 18 : 0; break;
        case kDibBitBlt:
        case kBitBlt: heightAt = hasBitmap ? 14 : 0; break;
        default: break;
        }
        if (heightAt == 0 || record.size() < heightAt + 4)
            continue;
        const double h = std::abs(int(std::int16_t(rd16(record, heightAt)))) * sy;
        const double w = std::abs(int(std::int16_t(rd16(record, heightAt + 2)))) * sx;
        if (w > kMaxRenderSide || h > kMaxRenderSide || w * h > double(kMaxRenderPixels))
            return true;
    }
    return false;
}

Result decodeMono(const Candidate& c, Bitmap& out)
{
    if (!Bitmap::isValidSize(c.width, c.height))
        return result::OutOfMemory;
    // Device-dependent monochrome: 0 is the text colour (black), 1 the background.
    Bitmap bmp = Bitmap::create(c.width, c.height, 1, {qRgb(0, 0, 0), qRgb(255, 255, 255)});
    if (bmp.isNull())
        return result::OutOfMemory;
    for (int y = 0; y < c.height; ++y) {
        const std::uint8_t* src = c.data.data() + std::size_t(y) * std::size_t(c.widthBytes);
        uchar* dst = bmp.image().scanLine(y);
        for (int x = 0; x < c.width; ++x)
            dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
    }
    out = std::move(bmp);
    return result::Ok;
}

// The frame of a drawing in logical units and how many of them make an inch.
struct Frame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int inch = 0;
};

Result drawingFrame(const Scan& scan, Frame& frame)
{
    Frame f;
    if (scan.placeable.present) {
        const Placeable& p = scan.placeable;
        f = {p.left, p.top, p.width, p.height, p.inch > 0 ? p.inch : kTwipsPerInch};
    } else if (scan.windowExtent) {
        f = {scan.windowX, scan.windowY, scan.windowWidth, scan.windowHeight, kTwipsPerInch};
    } else {
        return result::InvalidFormat; // no frame to size the picture by
    }
    // The frame is handed on in a placeable header of 16-bit coordinates.
    if (f.width <= 0 || f.height <= 0 || f.left + f.width > 32767 || f.top + f.height > 32767)
        return result::InvalidFormat;
    frame = f;
    return result::Ok;
}

// The size a drawing renders at, rounded up to whole pixels as other
// renderers do, checked against the limits.
Result drawingSize(const Frame& frame, int& width, int& height)
{
    const auto pixels = [&](int units) {
        return std::max<std::int64_t>(1, (std::int64_t(units) * kRenderDpi + frame.inch - 1) / frame.inch);
    };
    const std::int64_t w = pixels(frame.width);
    const std::int64_t h = pixels(frame.height);
    if (w > kMaxRenderSide || h > kMaxRenderSide || w * h > kMaxRenderPixels)
        return result::OutOfMemory;
    width = int(w);
    height = int(h);
    return result::Ok;
}

// The records behind a placeable header of our own making, so that the
// renderer maps exactly our frame onto the picture.
Bytes withPlaceableHeader(ByteView data, const Scan& scan, const Frame& frame)
{
    const ByteView records = scan.placeable.present ? data.subspan(kPlaceableSize) : data;
    Bytes file(kPlaceableSize + records.size(), 0);
    std::uint8_t* p = file.data();
    put32(p, kPlaceableKey);
    put16(p + 6, std::uint32_t(std::uint16_t(frame.left)));
    put16(p + 8, std::uint32_t(std::uint16_t(frame.top)));
    put16(p + 10, std::uint32_t(std::uint16_t(frame.left + frame.width)));
    put16(p + 12, std::uint32_t(std::uint16_t(frame.top + frame.height)));
    put16(p + 14, std::uint32_t(frame.inch));
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < 10; ++i)
        checksum ^= rd16(file, 2 * i);
    put16(p + 20, checksum);
    std::copy(records.begin(), records.end(), file.begin() + std::ptrdiff_t(kPlaceableSize));
    return file;
}

// Renders a drawing through GraphicsMagick at 72 dots per inch, flattened on
// white, as 24 bits of the size drawingSize() gives.
Result renderWithMagick(ByteView data, const Scan& scan, Bitmap& out)
{
    Frame frame;
    if (const Result r = drawingFrame(scan, frame); r != result::Ok)
        return r;
    int w = 0;
    int h = 0;
    if (const Result r = drawingSize(frame, w, h); r != result::Ok)
        return r;
    ensureMagickInitialised();
    try {
        const Bytes file = withPlaceableHeader(data, scan, frame);
        Magick::Image image;
        image.density(Magick::Geometry(unsigned(kRenderDpi), unsigned(kRenderDpi)));
        const Magick::Blob blob(file.data(), file.size());
        try {
            image.read(blob, Magick::Geometry(), "WMF");
        } catch (const Magick::Warning&) {
            // A warning still leaves an image behind; check it below.
        }
        if (!image.isValid() || image.columns() == 0 || image.rows() == 0)
            return result::InvalidFormat;
        // The renderer rounds the frame its own way: a pixel either side is
        // taken up by scaling to our size.
        if (int(image.columns()) != w || int(image.rows()) != h) {
            Magick::Geometry size{unsigned(w), unsigned(h)};
            size.aspect(true);
            image.scale(size);
        }
        if (int(image.columns()) != w || int(image.rows()) != h)
            return result::InvalidFormat;
        Bitmap bmp = Bitmap::create(w, h, 24);
        if (bmp.isNull())
            return result::OutOfMemory;
        std::vector<std::uint8_t> row(std::size_t(w) * 4);
        for (int y = 0; y < h; ++y) {
            image.write(0, y, unsigned(w), 1, "RGBA", Magick::CharPixel, row.data());
            uchar* dst = bmp.image().scanLine(y);
            for (int x = 0; x < w; ++x) {
                const std::uint8_t* s = row.data() + 4 * x;
                const int a = s[3];
                for (int k = 0; k < 3; ++k)
                    dst[3 * x + k] = uchar((s[k] * a + 255 * (255 - a) + 127) / 255);
            }
        }
        bmp.setResolution(kRenderDpi, kRenderDpi);
        out = std::move(bmp);
        return result::Ok;
    } catch (const std::bad_alloc&) {
        return result::OutOfMemory;
    } catch (const Magick::ErrorResourceLimit&) {
        return result::OutOfMemory; // the library could not get the memory
    } catch (const Magick::ErrorCache&) {
        return result::OutOfMemory;
    } catch (const std::exception&) {
        return result::InvalidFormat;
    }
}

Result probeWmf(ByteView data, int /*single page*/, ProbeInfo& info)
{
    Scan scan;
    if (const Result r = scanMetafile(data, scan); r != result::Ok)
        return r;
    if (!scan.best.found && scan.bitmapError != result::Ok)
        return scan.bitmapError;
    ProbeInfo probed;
    probed.format = FileFormat::Wmf;
    if (scan.best.found && !scan.best.mono) {
        dibfmt::describe(scan.best.layout, probed);
    } else if (scan.best.found) {
        probed.width = scan.best.width;
        probed.height = scan.best.height;
        probed.bitsPerPixel = 1;
    } else {
        Frame frame;
        if (const Result r = drawingFrame(scan, frame); r != result::Ok)
            return r;
        if (const Result r = drawingSize(frame, probed.width, probed.height); r != result::Ok)
            return r;
        probed.bitsPerPixel = 24;
    }
    probed.memorySize = dibfmt::rowStride(probed.width, probed.bitsPerPixel) * probed.height;
    probed.compression = "None";
    info = std::move(probed);
    return result::Ok;
}

Result readWmf(ByteView data, int /*single page*/, Bitmap& out)
{
    Scan scan;
    if (const Result r = scanMetafile(data, scan); r != result::Ok)
        return r;
    if (!scan.best.found && scan.bitmapError != result::Ok)
        return scan.bitmapError;
    if (!scan.best.found)
        return drawsOversizedBitmap(data, scan) ? result::InvalidFormat : renderWithMagick(data, scan, out);
    try {
        Bitmap bmp;
        if (scan.best.mono) {
            if (const Result r = decodeMono(scan.best, bmp); r != result::Ok)
                return r;
        } else {
            if (const Result r = dibfmt::decodePixels(scan.best.data, scan.best.layout, bmp); r != result::Ok)
                return r;
        }
        // A bitmap without its own resolution takes the placeable header's.
        const int fallback = scan.placeable.inch > 0 ? scan.placeable.inch : 96;
        const bool dibX = !scan.best.mono && scan.best.layout.xPelsPerMeter > 0;
        const bool dibY = !scan.best.mono && scan.best.layout.yPelsPerMeter > 0;
        bmp.setResolution(dibX ? bmp.xResolution() : fallback, dibY ? bmp.yResolution() : fallback);
        out = std::move(bmp);
        return result::Ok;
    } catch (const std::bad_alloc&) {
        return result::OutOfMemory;
    }
}

Result writeWmf(const Bitmap& bitmap, int /*quality*/, Bytes& out)
{
    if (bitmap.isNull())
        return result::WriteError;
    const int w = bitmap.width();
    const int h = bitmap.height();
    // Coordinates are signed 16-bit.
    if (w > 32767 || h > 32767)
        return result::NotAvailable;
    try {
        if (!dibfmt::fitsSizeFields(bitmap, 40, 0))
            return result::NotAvailable;
        const Bytes dib = dibfmt::encode(bitmap, 40, 0); // always an even length
        if (dib.empty())
            return result::OutOfMemory;
        const std::uint64_t stretchWords = 14 + dib.size() / 2;
        const std::uint64_t recordWords = 5 + 5 + stretchWords + 3;
        const std::uint64_t metaWords = kMetaHeaderSize / 2 + recordWords;
        if (metaWords > 0xFFFFFFFFu)
            return result::NotAvailable;
        Bytes file(kPlaceableSize + std::size_t(metaWords) * 2, 0);
        std::uint8_t* p = file.data();

        const int inch = bitmap.xResolution() > 0 ? std::min(bitmap.xResolution(), 0xFFFF) : 96;
        put32(p, kPlaceableKey);
        put16(p + 4, 0);  // metafile handle
        put16(p + 6, 0);  // left
        put16(p + 8, 0);  // top
        put16(p + 10, std::uint32_t(w));
        put16(p + 12, std::uint32_t(h));
        put16(p + 14, std::uint32_t(inch));
        put32(p + 16, 0); // reserved
        std::uint16_t checksum = 0;
        for (std::size_t i = 0; i < 10; ++i)
            checksum ^= rd16(file, 2 * i);
        put16(p + 20, checksum);
        p += kPlaceableSize;

        put16(p, 1);                                 // in memory
        put16(p + 2, kMetaHeaderSize / 2);           // header words
        put16(p + 4, 0x0300);                        // version
        put32(p + 6, std::uint32_t(metaWords));      // whole metafile, in words
        put16(p + 10, 0);                            // objects
        put32(p + 12, std::uint32_t(stretchWords));  // largest record
        put16(p + 16, 0);
        p += kMetaHeaderSize;

        put32(p, 5);
        put16(p + 4, kSetWindowOrg);
        put16(p + 6, 0); // y
        put16(p + 8, 0); // x
        p += 10;
        put32(p, 5);
        put16(p + 4, kSetWindowExt);
        put16(p + 6, std::uint32_t(h));
        put16(p + 8, std::uint32_t(w));
        p += 10;

        put32(p, std::uint32_t(stretchWords));
        put16(p + 4, kStretchDib);
        put32(p + 6, kSrcCopy);
        put16(p + 10, 0); // colour table holds RGB values
        put16(p + 12, std::uint32_t(h)); // source height, width, y, x
        put16(p + 14, std::uint32_t(w));
        put16(p + 16, 0);
        put16(p + 18, 0);
        put16(p + 20, std::uint32_t(h)); // destination height, width, y, x
        put16(p + 22, std::uint32_t(w));
        put16(p + 24, 0);
        put16(p + 26, 0);
        std::copy(dib.begin(), dib.end(), p + 28);
        p += 28 + dib.size();

        put32(p, 3);
        put16(p + 4, kEof);
        out = std::move(file);
        return result::Ok;
    } catch (const std::bad_alloc&) {
        return result::OutOfMemory;
    }
}

} // namespace

const Codec kWmfCodec{FileFormat::Wmf, probeWmf, readWmf, writeWmf};

} // namespace ardane::imaging::codecs
