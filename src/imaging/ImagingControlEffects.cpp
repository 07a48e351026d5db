// The imaging control's effects, intensity maps, histograms and drawing into
// another bitmap. Each checks its values against the range the program's
// dialogs offer, runs the effect in place, and leaves the image as it was on
// any failure.

#include "imaging/ImagingControl.h"

#include "imaging/ControlGuard.h"
#include "imaging/ops/AreaEffects.h"
#include "imaging/ops/Geometry.h"
#include "imaging/ops/IntensityMap.h"
#include "imaging/ops/NearestColor.h"
#include "imaging/ops/PointEffects.h"

#include <algorithm>
#include <numeric>
#include <optional>

namespace ardane::imaging {

using detail::memoryGuarded;

namespace {

constexpr bool within(int value, int low, int high)
{
    return value >= low && value <= high;
}

} // namespace

std::array<std::uint8_t, 256> ImagingControl::identityMap()
{
    std::array<std::uint8_t, 256> map{};
    std::iota(map.begin(), map.end(), std::uint8_t(0));
    return map;
}

template <typename Effect>
Result ImagingControl::inPlace(Effect&& effect)
{
    if (!HasImage())
        return result::OutOfMemory;
    return memoryGuarded([&] { return effect(m_bitmap) ? result::Ok : result::OutOfMemory; });
}

// --- intensity maps and histograms -----------------------------------------

void ImagingControl::SetIntensityMapEntry(int index, int value)
{
    if (within(index, 0, 255))
        m_intensityMap[std::size_t(index)] = std::uint8_t(std::clamp(value, 0, 255));
}

int ImagingControl::IntensityMapEntry(int index) const
{
    return within(index, 0, 255) ? m_intensityMap[std::size_t(index)] : 0;
}

Result ImagingControl::ApplyIntensityMap(int channel)
{
    if (!within(channel, 0, 3))
        return result::NotAvailable;
    const ops::IntensityMap map{m_intensityMap};
    return inPlace([&](Bitmap& b) { return ops::applyIntensityMap(b, ops::IntensityChannel(channel), map); });
}

Result ImagingControl::ComputeHistogram(int channel)
{
    if (!within(channel, 0, 3))
        return result::NotAvailable;
    if (!HasImage())
        return result::OutOfMemory;
    m_histogram = ops::computeHistogram(m_bitmap, ops::IntensityChannel(channel));
    return result::Ok;
}

std::uint32_t ImagingControl::HistogramEntry(int index) const
{
    return within(index, 0, 255) ? m_histogram[std::size_t(index)] : 0;
}

// --- effects ----------------------------------------------------------------

Result ImagingControl::AddNoise(int amount, int channel)
{
    if (!within(amount, 0, 1000) || !within(channel, 0, 3))
        return result::NotAvailable;
    return inPlace([&](Bitmap& b) { return ops::addNoise(b, amount, channel); });
}

Result ImagingControl::Average(int size)
{
    if (size < 0)
        return result::NotAvailable;
    return inPlace([&](Bitmap& b) { return ops::average(b, size); });
}

Result ImagingControl::Contrast(int amount)
{
    if (!within(amount, -1000, 1000))
        return result::NotAvailable;
    return inPlace([&](Bitmap& b) { return ops::contrast(b, amount); });
}

Result ImagingControl::Emboss(int direction, int depth)
{
    if (!within(direction, 0, 7) || !within(depth, 0, 1000))
        return result::NotAvailable;
    return inPlace([&](Bitmap& b) { return ops::emboss(b, direction, depth); });
}

Result ImagingControl::GammaCorrect(int amount)
{
    if (!within(amount, 220, 250))
        return result::NotAvailable;
    return inPlace([&](Bitmap& b) { return ops::gammaCorrect(b, amount); });
}

Result ImagingControl::Grayscale()
{
    return inPlace([](Bitmap& b) { return ops::grayscale(b); });
}

Result ImagingControl::HistogramContrast(int amount)
{
    if (!within(amount, -1000, 1000))
        return result::NotAvailable;
    return inPlace([&](Bitmap& b) { return ops::histogramContrast(b, amount); });
}

Result ImagingControl::Hue(int amount)
{
    if (!within(amount, 0, 360))
        return result::NotAvailable;
    return inPlace([&](Bitmap& b) { return ops::hue(b, amount); });
}

Result ImagingControl::Intensity(int amount)
{
    if (!within(amount, -1000, 1000))
        return result::NotAvailable;
    return inPlace([&](Bitmap& b) { return ops::intensity(b, amount); });
}

Result ImagingControl::Invert()
{
    return inPlace([](Bitmap& b) { return ops::invert(b); });
}

Result ImagingControl::Median(int size)
{
    if (size < 0)
        return result::NotAvailable;
    return inPlace([&](Bitmap& b) { return ops::medianFilter(b, size); });
}

Result ImagingControl::Mosaic(int size)
{
    if (size < 0)
        return result::NotAvailable;
    return inPlace([&](Bitmap& b) { return ops::mosaic(b, size); });
}

Result ImagingControl::Posterize(int levels)
{
    if (!within(levels, 2, 64))
        return result::NotAvailable;
    return inPlace([&](Bitmap& b) { return ops::posterize(b, levels); });
}

Result ImagingControl::Saturation(int amount)
{
    if (!within(amount, -1000, 1000))
        return result::NotAvailable;
    return inPlace([&](Bitmap& b) { return ops::saturation(b, amount); });
}

Result ImagingControl::Sharpen(int amount)
{
    if (!within(amount, -1000, 1000))
        return result::NotAvailable;
    return inPlace([&](Bitmap& b) { return ops::sharpen(b, amount); });
}

Result ImagingControl::Shear(int degrees, bool horizontal, ColorRef fill)
{
    if (!within(degrees, 0, 45))
        return result::NotAvailable;
    if (!HasImage())
        return result::OutOfMemory;
    return memoryGuarded([&] {
        Bitmap out;
        if (const Result r = ops::shear(m_bitmap, degrees, horizontal, fill, out); r != result::Ok)
            return r;
        m_bitmap = std::move(out);
        return result::Ok;
    });
}

// --- drawing ------------------------------------------------------------------

Result ImagingControl::DrawInto(Bitmap& target, int left, int top, int width, int height) const
{
    if (!HasImage() || target.isNull() || width <= 0 || height <= 0)
        return result::OutOfMemory;
    return memoryGuarded([&] {
        Bitmap scaled;
        const ops::ResizeMode mode = (width < m_bitmap.width() || height < m_bitmap.height())
                                         ? ops::ResizeMode::Resample
                                         : ops::ResizeMode::Nearest;
        if (const Result r = ops::resize(m_bitmap, width, height, mode, scaled); r != result::Ok)
            return r;
        const QRect area = QRect(left, top, width, height) & QRect(0, 0, target.width(), target.height());
        if (area.isEmpty())
            return result::Ok;
        if (!target.detach())
            return result::OutOfMemory;
        // Through true colour, then back into the target's own depth.
        const QImage source = scaled.image().convertToFormat(QImage::Format_RGB32);
        QImage& out = target.image();
        const bool indexed = target.isIndexed();
        const std::vector<QRgb> palette = indexed ? target.palette() : std::vector<QRgb>{};
        const std::optional<ops::detail::NearestColor> nearest =
            indexed ? std::optional<ops::detail::NearestColor>(palette) : std::nullopt;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y - top));
            for (int x = area.left(); x <= area.right(); ++x) {
                const QRgb c = in[x - left];
                if (indexed)
                    out.setPixel(x, y, uint((*nearest)(qRed(c), qGreen(c), qBlue(c))));
                else
                    out.setPixel(x, y, c | 0xff000000u);
            }
        }
        return result::Ok;
    });
}

} // namespace ardane::imaging
