#pragma once
// The bitmap an imaging control holds: pixels, a declared depth, a palette
// below 16 bits, and the resolution in dots per inch.
//
// Storage by depth (the QImage is shared and copied on the first write, so a
// Bitmap is a cheap value):
//   1, 4, 8 bits  QImage::Format_Indexed8, colour table of at most 2^bits entries,
//                 every index below the table size
//   16 bits       QImage::Format_RGB555 (5-5-5, as 16-bit device-independent bitmaps)
//   24 bits       QImage::Format_RGB888
//   32 bits       QImage::Format_ARGB32 (not premultiplied; alpha kept where a file has it)
// No widget code here: QtGui's QImage is only the pixel store.

#include "core/Color.h"

#include <QImage>
#include <cstdint>
#include <vector>

namespace ardane::imaging {

// Between the program's colour values and QImage's 0xAARRGGBB.
[[nodiscard]] constexpr QRgb colorRefToRgb(ColorRef c)
{
    return qRgb(colorRefRed(c), colorRefGreen(c), colorRefBlue(c));
}
[[nodiscard]] constexpr ColorRef rgbToColorRef(QRgb c) { return makeColorRef(qRed(c), qGreen(c), qBlue(c)); }

// Largest image we accept, in pixels and per side. Within these every size in
// bytes fits 64-bit arithmetic with a wide margin (at most 4 GiB of pixels at
// 32 bits), every coordinate fits an int, and a side fits the 16-bit fields of
// the formats that have them. Anything larger is refused before any memory is
// reserved; below the limits it is the memory actually available that decides.
inline constexpr std::int64_t kMaxPixels = std::int64_t(1) << 30; // 1073 megapixels, 32768 x 32768
inline constexpr int kMaxSide = 65535;

// The grey of a colour as the eye weighs it (ITU-R 601 weights in 8-bit
// fixed point).
[[nodiscard]] constexpr std::uint8_t luminance(int r, int g, int b)
{
    return static_cast<std::uint8_t>((r * 77 + g * 150 + b * 29 + 128) >> 8);
}

class Bitmap {
public:
    Bitmap() = default;

    // A new bitmap of the given depth, pixels zero (palette index 0 or black).
    // For 1, 4 and 8 bits `palette` becomes the colour table (a grey ramp of
    // 2^bits entries when empty). Returns a null bitmap when the size is out of
    // range or memory cannot be had.
    [[nodiscard]] static Bitmap create(int width, int height, int bitsPerPixel,
                                       const std::vector<QRgb>& palette = {});

    // Wraps an image already in the storage format of `bitsPerPixel`.
    // Returns a null bitmap if the format does not match.
    [[nodiscard]] static Bitmap fromImage(QImage image, int bitsPerPixel);

    [[nodiscard]] bool isNull() const { return m_image.isNull(); }
    [[nodiscard]] int width() const { return m_image.width(); }
    [[nodiscard]] int height() const { return m_image.height(); }
    [[nodiscard]] int bitsPerPixel() const { return isNull() ? 0 : m_bits; }
    [[nodiscard]] bool isIndexed() const { return !isNull() && m_bits <= 8; }

    [[nodiscard]] int xResolution() const { return m_xRes; }
    [[nodiscard]] int yResolution() const { return m_yRes; }
    void setResolution(int x, int y) { m_xRes = x; m_yRes = y; }

    // Colour table of an indexed bitmap (empty above 8 bits).
    [[nodiscard]] std::vector<QRgb> palette() const;

    [[nodiscard]] const QImage& image() const { return m_image; }
    // Writable access; detaches from other copies.
    [[nodiscard]] QImage& image() { return m_image; }

    // Colour of one pixel as 0xAARRGGBB whatever the depth. Not for hot loops.
    [[nodiscard]] QRgb pixelRgb(int x, int y) const;

    // Bytes the pixels take as a device-independent bitmap (rows padded to 4 bytes).
    [[nodiscard]] std::int64_t memorySize() const;

    // Makes the pixels this bitmap's own when they are shared with another
    // copy, so that writing into them cannot fail half way: false, with the
    // bitmap unchanged, when memory for the private copy cannot be had.
    [[nodiscard]] bool detach();

    // Storage format for a depth, or Format_Invalid for an unsupported depth.
    [[nodiscard]] static QImage::Format storageFormat(int bitsPerPixel);
    // Uninitialised pixel memory for an image of the given size and format;
    // a null image when the size is out of range or memory cannot be had
    // (never an exception). Large images get memory of their own, backed by
    // huge pages where the system offers them, so that first writes into tens
    // of megabytes do not fault page by page; that memory starts out zero.
    [[nodiscard]] static QImage allocateImage(int width, int height, QImage::Format format);
    // Bytes of one stored row and of the whole pixel store, computed in 64 bits;
    // -1 for a size or format out of range.
    [[nodiscard]] static std::int64_t storedRowBytes(std::int64_t width, QImage::Format format);
    [[nodiscard]] static std::int64_t storedBytes(std::int64_t width, std::int64_t height, QImage::Format format);
    // The same in the storage format of a depth; 1, 4 and 8 bits get a grey
    // ramp of 2^bits entries as their colour table.
    [[nodiscard]] static QImage allocatePixels(int width, int height, int bitsPerPixel);
    // 2^bits greys from black to white.
    [[nodiscard]] static QList<QRgb> greyRamp(int bitsPerPixel);
    [[nodiscard]] static bool isValidDepth(int bitsPerPixel);
    [[nodiscard]] static bool isValidSize(std::int64_t width, std::int64_t height);

    // Same pixels, same depth, same palette and resolution.
    friend bool operator==(const Bitmap& a, const Bitmap& b);

private:
    QImage m_image;
    int m_bits = 0;
    int m_xRes = 96;
    int m_yRes = 96;
};

} // namespace ardane::imaging
