#pragma once
// The seam between our bitmaps and GraphicsMagick: decoding file images held
// in memory, encoding them back, moving pixels a scan line at a time, and
// turning GraphicsMagick's exception records into our result codes.
//
// Only the codec sources include this header; nothing outside the codec
// library sees GraphicsMagick.

#include "imaging/codecs/Codec.h"
#include "imaging/codecs/RasterFacts.h"

#include <Magick++/Include.h> // the C interface, inside namespace MagickLib

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ardane::imaging::codecs::gm {

struct ImageListDeleter {
    void operator()(MagickLib::Image* image) const
    {
        if (image)
            MagickLib::DestroyImageList(image);
    }
};
// One image or a list of frames, destroyed together.
using ImagePtr = std::unique_ptr<MagickLib::Image, ImageListDeleter>;

// Owns an ExceptionInfo record for one call into GraphicsMagick.
class ExceptionRecord {
public:
    ExceptionRecord() { MagickLib::GetExceptionInfo(&m_info); }
    ~ExceptionRecord() { MagickLib::DestroyExceptionInfo(&m_info); }
    ExceptionRecord(const ExceptionRecord&) = delete;
    ExceptionRecord& operator=(const ExceptionRecord&) = delete;
    MagickLib::ExceptionInfo* get() { return &m_info; }
    const MagickLib::ExceptionInfo& info() const { return m_info; }

private:
    MagickLib::ExceptionInfo m_info;
};

enum class Direction { Read, Write };

// The result code for an exception record. Warnings pass (Ok) except a
// corrupt-image warning on reading, which GraphicsMagick raises for data that
// ends early; for JPEG only the "premature end" family counts, because
// libjpeg also warns about harmless oddities (stray bytes between markers).
[[nodiscard]] Result mapException(const MagickLib::ExceptionInfo& info, Direction direction, bool jpeg = false);

// Decodes (or with `ping`, reads only the description of) page `page` of a
// file image with the named GraphicsMagick coder; content sniffing is off, so
// the coder we name is the one that runs.
[[nodiscard]] Result readBlob(ByteView data, const char* magick, int page, bool ping, ImagePtr& out);
// Every frame of a file image, in order.
[[nodiscard]] Result readAllFrames(ByteView data, const char* magick, ImagePtr& out);

// Settings for encoding one image or a list of frames.
struct EncodeOptions {
    explicit EncodeOptions(const char* coder, int q = 0) : magick(coder), quality(q) {}
    const char* magick;
    int quality;                                       // 0: the coder's default
    MagickLib::CompressionType compression = MagickLib::UndefinedCompression;
    std::string defines;                               // "key=value,key=value"
    std::string samplingFactor;                        // JPEG chroma sampling, empty: default
    bool adjoin = false;                               // write every frame of the list
};
[[nodiscard]] Result writeBlob(MagickLib::Image* image, const EncodeOptions& options, Bytes& out);

// Builds a GraphicsMagick image from a bitmap: indexed depths become
// colour-mapped images with the bitmap's table (padded with black to
// `paletteEntries` entries when that is larger), others true colour, with
// 8 bits per sample and the bitmap's resolution in dots per inch.
[[nodiscard]] Result fromBitmap(const Bitmap& bitmap, int paletteEntries, ImagePtr& out);

// The true-colour image of a bitmap (indexed depths expanded through their
// table), for coders that want no colour map.
[[nodiscard]] Result fromBitmapTrueColour(const Bitmap& bitmap, bool greyscale, ImagePtr& out);

// Moves a decoded image into a bitmap of `depth` bits; `kind` says how the
// file stored its pixels (grey samples without a table are mapped onto a
// grey ramp). The resolution is taken over when the file carries one.
[[nodiscard]] Result toBitmap(MagickLib::Image* image, int depth, StoredKind kind, Bitmap& out);

} // namespace ardane::imaging::codecs::gm
