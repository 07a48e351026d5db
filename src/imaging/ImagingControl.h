#pragma once
// The imaging control: one bitmap and the operations the program performs on
// it as a whole. Every operation returns a 16-bit result code (0 success), and
// every code it returns has a text in the message table (ResultCodes.h); on
// failure the bitmap is left exactly as it was. Memory that cannot be had,
// wherever inside an operation (our allocations, Qt's, GraphicsMagick's,
// libjpeg's), is reported as OutOfMemory; no allocation failure ends the
// process.
//
// Method and property names follow the control's established interface
// (ProbeFile, LoadFile, ImageWidth, ...), which the rest of the program uses.

#include "imaging/Bitmap.h"
#include "imaging/FileFormat.h"
#include "imaging/ResultCodes.h"

#include <QString>

#include <array>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ardane::imaging {

class ImagingControl {
public:
    ImagingControl() = default;

    // --- image properties -------------------------------------------------
    // ImageHandle has value semantics: reading names this control's bitmap,
    // setting makes this control hold a copy (shared until either is written),
    // setting an empty bitmap (handle 0) empties the control.
    [[nodiscard]] const Bitmap& ImageHandle() const { return m_bitmap; }
    // Emptying the control also drops its planes.
    void SetImageHandle(const Bitmap& bitmap)
    {
        m_bitmap = bitmap;
        if (bitmap.isNull())
            m_planes.clear();
    }
    // The bitmap itself, for drawing on its pixels (the painting tools'
    // canvases). Writing detaches the pixels from other copies.
    [[nodiscard]] Bitmap& bitmapForDrawing() { return m_bitmap; }
    [[nodiscard]] bool HasImage() const { return !m_bitmap.isNull(); }
    [[nodiscard]] float ImageWidth() const { return float(m_bitmap.width()); }
    [[nodiscard]] float ImageHeight() const { return float(m_bitmap.height()); }
    [[nodiscard]] std::int16_t BitsPerPixel() const { return std::int16_t(m_bitmap.bitsPerPixel()); }
    [[nodiscard]] std::int16_t XResolution() const { return std::int16_t(m_bitmap.xResolution()); }
    [[nodiscard]] std::int16_t YResolution() const { return std::int16_t(m_bitmap.yResolution()); }
    void SetXResolution(std::int16_t dpi);
    void SetYResolution(std::int16_t dpi);

    // --- what the last successful ProbeFile found --------------------------
    [[nodiscard]] std::int16_t ProbedBitsPerPixel() const { return m_probedBits; }
    [[nodiscard]] std::int16_t ProbedFormat() const { return m_probedFormat; }
    [[nodiscard]] std::int32_t ProbedMemorySize() const { return m_probedMemory; }
    [[nodiscard]] const std::string& ProbedCompression() const { return m_probedCompression; }
    [[nodiscard]] int ProbedWidth() const { return m_probedWidth; }
    [[nodiscard]] int ProbedHeight() const { return m_probedHeight; }

    // --- files and blocks ---------------------------------------------------
    // Reads a file's description without changing the bitmap.
    [[nodiscard]] Result ProbeFile(const QString& path, int page);
    // Loads page `page` of a file and converts it to `bits` (0: the file's own depth).
    [[nodiscard]] Result LoadFile(const QString& path, int bits, int page);
    // Writes the bitmap as `format` at `bits`, converted with the fixed palette
    // where the depth is lower. `bits` 0 writes the bitmap's own depth, or when
    // the format cannot hold it the nearest depth it can (the next higher one,
    // else the next lower one, reached with a palette made for the picture). `quality` for JPEG:
    // 5..100 is the quality in percent, 1..4 are the levels best (95), good (90),
    // normal (75) and small (50); anything else is the default, 90. `multipage`
    // appends a page to an existing TIFF or GIF. The file is written beside the
    // target and renamed over it, so a failure never harms an existing file.
    [[nodiscard]] Result SaveFile(const QString& path, int format, int bits, int quality, bool multipage);
    // The file image SaveFile would write, in memory.
    [[nodiscard]] Result SaveToBlock(std::vector<std::uint8_t>& block, int format, int bits, int quality) const;
    [[nodiscard]] Result LoadFromBlock(std::span<const std::uint8_t> block, int bits, int page);

    // --- whole image -------------------------------------------------------
    [[nodiscard]] Result CreateImage(int width, int height, int bits); // always 24 bits
    [[nodiscard]] Result FillImage(ColorRef colour);
    [[nodiscard]] Result ResizeImage(int width, int height, int flags); // 0 nearest, 1 resampling
    [[nodiscard]] Result CropImage(int left, int top, int width, int height);
    [[nodiscard]] Result RotateImage(int hundredthsOfDegree, bool resize, ColorRef fill);
    [[nodiscard]] Result FlipVertical();
    [[nodiscard]] Result FlipHorizontal();
    [[nodiscard]] Result ConvertColorDepth(int bits, int paletteOption, int ditherOption, int reserved);

    // --- colour planes -----------------------------------------------------
    // Separates the image into the planes of a colour model (PlaneModel in
    // ops/ColorPlanes.h: 0 RGB, 1 CMYK, 2 HSV, 3 HLS, 4 CMY), each an 8-bit
    // grey bitmap of the image's size, kept beside the image, which stays.
    // Plane order: RGB blue, green, red; CMYK and CMY cyan, magenta, yellow
    // (and black); HSV hue, saturation, value; HLS hue, lightness, saturation.
    [[nodiscard]] Result SplitPlanes(int model);
    // Recombines the planes of the model into the image (24 bits); the planes
    // stay. Error, image unchanged, when no planes of that count are held.
    [[nodiscard]] Result MergePlanes(int model);
    // Plane i (0..3); a null bitmap outside the planes held. Setting replaces
    // the plane (ignored outside 0..3; the plane list grows as needed).
    [[nodiscard]] Bitmap PlaneImage(int index) const;
    void SetPlaneImage(int index, const Bitmap& plane);
    [[nodiscard]] int PlaneCount() const { return int(m_planes.size()); }

    // --- intensity maps and histograms ------------------------------------
    // Entry i (0..255) of the table ApplyIntensityMap uses, initially the
    // identity; values are clamped to 0..255, other indices ignored.
    void SetIntensityMapEntry(int index, int value);
    [[nodiscard]] int IntensityMapEntry(int index) const;
    // Maps the channel (0 master, 1 red, 2 green, 3 blue) through the table.
    [[nodiscard]] Result ApplyIntensityMap(int channel);
    // Counts the pixels per level of the channel (0 master: luminance).
    [[nodiscard]] Result ComputeHistogram(int channel);
    // Count of level i after the last ComputeHistogram; 0 outside 0..255.
    [[nodiscard]] std::uint32_t HistogramEntry(int index) const;

    // --- effects (value meanings in ops/PointEffects.h, ops/AreaEffects.h) --
    // Values outside an effect's range answer NotAvailable and change nothing.
    [[nodiscard]] Result AddNoise(int amount, int channel);
    [[nodiscard]] Result Average(int size);
    [[nodiscard]] Result Contrast(int amount);
    [[nodiscard]] Result Emboss(int direction, int depth);
    [[nodiscard]] Result GammaCorrect(int amount);
    [[nodiscard]] Result Grayscale();
    [[nodiscard]] Result HistogramContrast(int amount);
    [[nodiscard]] Result Hue(int amount);
    [[nodiscard]] Result Intensity(int amount);
    [[nodiscard]] Result Invert();
    [[nodiscard]] Result Median(int size);
    [[nodiscard]] Result Mosaic(int size);
    [[nodiscard]] Result Posterize(int levels);
    [[nodiscard]] Result Saturation(int amount);
    [[nodiscard]] Result Sharpen(int amount);
    [[nodiscard]] Result Shear(int degrees, bool horizontal, ColorRef fill);

    // --- drawing -----------------------------------------------------------
    // Draws the whole image scaled into the rectangle of `target` (area
    // averaging when it shrinks, nearest pixels when it grows), clipped to
    // the target; the target keeps its depth (nearest palette entries).
    [[nodiscard]] Result DrawInto(Bitmap& target, int left, int top, int width, int height) const;

    // --- transfer ----------------------------------------------------------
    // A packed device-independent bitmap of the image; empty when there is
    // none, when memory for the copy cannot be had, or when the image is too
    // large for the format's 32-bit size fields.
    [[nodiscard]] std::vector<std::uint8_t> CopyToDib() const;
    [[nodiscard]] Result ReplaceFromDib(std::span<const std::uint8_t> dib);

private:
    [[nodiscard]] static std::array<std::uint8_t, 256> identityMap();
    // Runs an in-place effect on the image, mapping a failure to OutOfMemory.
    template <typename Effect>
    [[nodiscard]] Result inPlace(Effect&& effect);
    [[nodiscard]] Result encode(int format, int bits, int quality, std::vector<std::uint8_t>& out) const;

    Bitmap m_bitmap;
    std::vector<Bitmap> m_planes;
    std::array<std::uint8_t, 256> m_intensityMap = identityMap();
    std::array<std::uint32_t, 256> m_histogram{};
    std::int16_t m_probedBits = 0;
    std::int16_t m_probedFormat = 0;
    std::int32_t m_probedMemory = 0;
    std::string m_probedCompression;
    int m_probedWidth = 0;
    int m_probedHeight = 0;
};

// Reads a whole file into memory, answering CannotOpen for a missing,
// unreadable or special file (a directory) and ReadError for a failed read.
[[nodiscard]] Result readWholeFile(const QString& path, std::vector<std::uint8_t>& out);
// Writes beside `path` and renames over it; the old file survives any failure.
[[nodiscard]] Result writeWholeFile(const QString& path, std::span<const std::uint8_t> data);

} // namespace ardane::imaging
