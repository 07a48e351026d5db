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

// Largest image we accept, in pixels and per side: protects against absurd
// headers before any memory is reserved.
inline constexpr std::int64_t kMaxPixels = std::int64_t(1) << 28; // 268 megapixels
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

    // Storage format for a depth, or Format_Invalid for an unsupported depth.
    [[nodiscard]] static QImage::Format storageFormat(int bitsPerPixel);
    // Uninitialised pixel memory for an image of the given size and format;
    // a null image when memory cannot be had. Large images get memory of
    // their own, backed by huge pages where the system offers them, so that
    // first writes into tens of megabytes do not fault page by page.
    [[nodiscard]] static QImage allocateImage(int width, int height, QImage::Format format);
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
