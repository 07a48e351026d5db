#pragma once
// The program's own layered format: an image and the drawing objects over it.
// The document layer recognises it by its signature and hands reading and
// writing to a LayeredFormat implementation.

#include "imaging/ImagingControl.h"
#include "objects/CGeneralObj.h"

#include <QString>

#include <cstdint>

namespace ardane::doc {

inline constexpr std::uint32_t kLayeredSignature = 0x0004E325; // bytes 25 E3 04 00

// True when the file can be opened and its first four bytes are the signature.
[[nodiscard]] bool isLayeredFile(const QString& path);

class LayeredFormat {
public:
    virtual ~LayeredFormat() = default;
    // Reads the file into `image` and `objects` (the objects appended in
    // the file's order, placed at their stored rectangles, unselected);
    // false on any failure, with `image` and `objects` unchanged.
    [[nodiscard]] virtual bool read(const QString& path, imaging::ImagingControl& image,
                                    objects::ObjectList& objects) = 0;
    // Writes `image` embedded as `imageFormat` at `bits`, then `objects` in
    // their order, each at its window rectangle in view coordinates; an
    // imaging result code.
    [[nodiscard]] virtual imaging::Result write(const QString& path, const imaging::ImagingControl& image,
                                                const objects::ObjectList& objects, int imageFormat, int bits,
                                                int quality) = 0;
};

// Until the layered reader and writer are installed: files of the format
// cannot be read ("Error reading file") and cannot be written ("Not available
// for file format requested").
class NoLayeredFormat final : public LayeredFormat {
public:
    [[nodiscard]] bool read(const QString&, imaging::ImagingControl&, objects::ObjectList&) override { return false; }
    [[nodiscard]] imaging::Result write(const QString&, const imaging::ImagingControl&, const objects::ObjectList&,
                                        int, int, int) override
    {
        return imaging::result::NotAvailable;
    }
};

} // namespace ardane::doc
