#include "imaging/Bitmap.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace ardane::imaging {

QImage::Format Bitmap::storageFormat(int bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8: return QImage::Format_Indexed8;
    case 16: return QImage::Format_RGB555;
    case 24: return QImage::Format_RGB888;
    case 32: return QImage::Format_ARGB32;
    default: return QImage::Format_Invalid;
    }
}

namespace {

#ifdef __linux__
constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kLargeImageBytes = std::size_t(8) << 20;

struct PixelMapping {
    void* base;
    std::size_t length;
};

void unmapPixels(void* info)
{
    const std::unique_ptr<PixelMapping> mapping(static_cast<PixelMapping*>(info));
    munmap(mapping->base, mapping->length);
}

// Pixel memory mapped on its own, starting on a huge-page boundary and
// marked for huge pages; null when the mapping fails.
QImage mapLargeImage(int width, int height, qsizetype bytesPerLine, QImage::Format format, std::size_t bytes)
{
    const std::size_t length = (bytes + kHugePage - 1) / kHugePage * kHugePage + kHugePage;
    void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        return {};
    const auto start = reinterpret_cast<std::uintptr_t>(base);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~std::uintptr_t(kHugePage - 1);
    madvise(reinterpret_cast<void*>(aligned), length - (aligned - start), MADV_HUGEPAGE); // a hint only
    auto mapping = std::make_unique<PixelMapping>(PixelMapping{base, length});
    QImage image(reinterpret_cast<uchar*>(aligned), width, height, bytesPerLine, format, &unmapPixels, mapping.get());
    if (image.isNull()) {
        munmap(base, length);
        return {};
    }
    mapping.release(); // unmapPixels owns it now
    return image;
}
#endif

} // namespace

QImage Bitmap::allocateImage(int width, int height, QImage::Format format)
{
    if (width <= 0 || height <= 0 || format == QImage::Format_Invalid)
        return {};
#ifdef __linux__
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qsizetype bytesPerLine = (qsizetype(width) * depth + 31) / 32 * 4;
    const std::size_t bytes = std::size_t(bytesPerLine) * std::size_t(height);
    if (bytes >= kLargeImageBytes)
        return mapLargeImage(width, height, bytesPerLine, format, bytes);
#endif
    return QImage(width, height, format);
}

QList<QRgb> Bitmap::greyRamp(int bitsPerPixel)
{
    const int entries = 1 << std::clamp(bitsPerPixel, 1, 8);
    QList<QRgb> table;
    table.reserve(entries);
    for (int i = 0; i < entries; ++i) {
        const int v = i * 255 / (entries - 1);
        table.append(qRgb(v, v, v));
    }
    return table;
}

QImage Bitmap::allocatePixels(int width, int height, int bitsPerPixel)
{
    QImage image = allocateImage(width, height, storageFormat(bitsPerPixel));
    if (!image.isNull() && bitsPerPixel <= 8)
        image.setColorTable(greyRamp(bitsPerPixel));
    return image;
}

bool Bitmap::isValidDepth(int bitsPerPixel) { return storageFormat(bitsPerPixel) != QImage::Format_Invalid; }

bool Bitmap::isValidSize(std::int64_t width, std::int64_t height)
{
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide && width * height <= kMaxPixels;
}

Bitmap Bitmap::create(int width, int height, int bitsPerPixel, const std::vector<QRgb>& palette)
{
    if (!isValidDepth(bitsPerPixel) || !isValidSize(width, height))
        return {};
    Bitmap b;
    try {
        b.m_image = allocateImage(width, height, storageFormat(bitsPerPixel));
    } catch (const std::bad_alloc&) {
        return {};
    }
    if (b.m_image.isNull())
        return {};
    b.m_bits = bitsPerPixel;
    if (bitsPerPixel <= 8) {
        const int maxEntries = 1 << bitsPerPixel;
        QList<QRgb> table;
        if (palette.empty()) {
            table = greyRamp(bitsPerPixel);
        } else {
            const int n = std::min<int>(int(palette.size()), maxEntries);
            table = QList<QRgb>(palette.begin(), palette.begin() + n);
        }
        b.m_image.setColorTable(table);
    }
    b.m_image.fill(bitsPerPixel == 32 ? qRgba(0, 0, 0, 255) : 0u);
    return b;
}

Bitmap Bitmap::fromImage(QImage image, int bitsPerPixel)
{
    if (image.isNull() || image.format() != storageFormat(bitsPerPixel)
        || !isValidSize(image.width(), image.height()))
        return {};
    if (bitsPerPixel <= 8 && image.colorCount() > (1 << bitsPerPixel))
        return {};
    Bitmap b;
    b.m_image = std::move(image);
    b.m_bits = bitsPerPixel;
    return b;
}

std::vector<QRgb> Bitmap::palette() const
{
    if (!isIndexed())
        return {};
    const auto table = m_image.colorTable();
    return {table.begin(), table.end()};
}

QRgb Bitmap::pixelRgb(int x, int y) const
{
    if (isNull() || x < 0 || y < 0 || x >= width() || y >= height())
        return 0;
    if (isIndexed()) {
        const int index = m_image.constScanLine(y)[x];
        return index < m_image.colorCount() ? m_image.color(index) : qRgb(0, 0, 0);
    }
    return m_image.pixel(x, y);
}

std::int64_t Bitmap::memorySize() const
{
    if (isNull())
        return 0;
    const std::int64_t stride = ((std::int64_t(width()) * m_bits + 31) / 32) * 4;
    return stride * height();
}

bool operator==(const Bitmap& a, const Bitmap& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    if (a.m_bits != b.m_bits || a.m_xRes != b.m_xRes || a.m_yRes != b.m_yRes)
        return false;
    return a.m_image == b.m_image;
}

} // namespace ardane::imaging
