#include "imaging/Bitmap.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
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
constexpr std::int64_t kLargeImageBytes = std::int64_t(8) << 20;

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
// marked for huge pages; zero-filled by the system. Null when the mapping
// fails. Nothing here throws past a mapping that is not owned yet.
QImage mapLargeImage(int width, int height, qsizetype bytesPerLine, QImage::Format format, std::size_t bytes)
{
    auto mapping = std::make_unique<PixelMapping>(PixelMapping{nullptr, 0});
    const std::size_t length = (bytes + kHugePage - 1) / kHugePage * kHugePage + kHugePage;
    void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        return {};
    mapping->base = base;
    mapping->length = length;
    const auto start = reinterpret_cast<std::uintptr_t>(base);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~std::uintptr_t(kHugePage - 1);
    madvise(reinterpret_cast<void*>(aligned), length - (aligned - start), MADV_HUGEPAGE); // a hint only
    QImage image;
    try {
        image = QImage(reinterpret_cast<uchar*>(aligned), width, height, bytesPerLine, format, &unmapPixels, mapping.get());
    } catch (const std::bad_alloc&) {
        munmap(base, length);
        return {};
    }
    if (image.isNull()) {
        munmap(base, length);
        return {};
    }
    mapping.release(); // unmapPixels owns it now
    return image;
}
#endif

// Pixel memory as allocateImage() describes it; `zeroed` tells whether the
// memory is known to start out zero.
QImage allocate(int width, int height, QImage::Format format, bool& zeroed)
{
    zeroed = false;
    const std::int64_t bytes = Bitmap::storedBytes(width, height, format);
    if (bytes < 0 || std::uint64_t(bytes) > std::uint64_t(std::numeric_limits<qsizetype>::max() / 2))
        return {};
    try {
#ifdef __linux__
        if (bytes >= kLargeImageBytes) {
            QImage image = mapLargeImage(width, height, qsizetype(Bitmap::storedRowBytes(width, format)), format,
                                         std::size_t(bytes));
            zeroed = !image.isNull();
            return image;
        }
#endif
        return QImage(width, height, format); // null when malloc fails
    } catch (const std::bad_alloc&) {
        return {};
    }
}

} // namespace

std::int64_t Bitmap::storedRowBytes(std::int64_t width, QImage::Format format)
{
    if (width <= 0 || width > kMaxSide || format == QImage::Format_Invalid)
        return -1;
    // The bits a pixel takes in memory (QPixelFormat counts the 15 used
    // bits of RGB555, not the 16 stored).
    std::int64_t depth = 0;
    switch (format) {
    case QImage::Format_Indexed8: depth = 8; break;
    case QImage::Format_RGB555: depth = 16; break;
    case QImage::Format_RGB888: depth = 24; break;
    case QImage::Format_ARGB32: depth = 32; break;
    default: depth = QImage(1, 1, format).depth(); break;
    }
    if (depth <= 0)
        return -1;
    return (width * depth + 31) / 32 * 4;
}

std::int64_t Bitmap::storedBytes(std::int64_t width, std::int64_t height, QImage::Format format)
{
    if (!isValidSize(width, height))
        return -1;
    const std::int64_t row = storedRowBytes(width, format);
    return row < 0 ? -1 : row * height; // at most 2^30 pixels of 4 bytes
}

QImage Bitmap::allocateImage(int width, int height, QImage::Format format)
{
    bool zeroed = false;
    return allocate(width, height, format, zeroed);
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
    bool zeroed = false;
    b.m_image = allocate(width, height, storageFormat(bitsPerPixel), zeroed);
    if (b.m_image.isNull())
        return {};
    b.m_bits = bitsPerPixel;
    if (bitsPerPixel <= 8) {
        const int maxEntries = 1 << bitsPerPixel;
        try {
            QList<QRgb> table;
            if (palette.empty()) {
                table = greyRamp(bitsPerPixel);
            } else {
                const int n = std::min<int>(int(palette.size()), maxEntries);
                table = QList<QRgb>(palette.begin(), palette.begin() + n);
            }
            b.m_image.setColorTable(table);
        } catch (const std::bad_alloc&) {
            return {};
        }
    }
    if (bitsPerPixel == 32 || !zeroed)
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

bool Bitmap::detach()
{
    if (isNull() || m_image.isDetached())
        return true;
    QImage copy = allocateImage(width(), height(), m_image.format());
    if (copy.isNull())
        return false;
    const QImage& source = m_image; // read through the const interface: no detaching there
    const std::size_t rowBytes = std::size_t(std::min(copy.bytesPerLine(), source.bytesPerLine()));
    uchar* const target = copy.bits();
    const qsizetype stride = copy.bytesPerLine();
    for (int y = 0; y < source.height(); ++y)
        std::memcpy(target + stride * y, source.constScanLine(y), rowBytes);
    if (source.format() == QImage::Format_Indexed8)
        copy.setColorTable(source.colorTable());
    m_image = std::move(copy);
    return true;
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
