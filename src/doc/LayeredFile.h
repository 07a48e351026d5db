#pragma once
// The layered file: the signature, the size and depth of the embedded image,
// the image as a Windows bitmap file, then the drawing objects, each a
// rectangle (left, top, right, bottom, signed 32-bit), its class name and the
// object's own data. All integers little-endian.
//
// The whole file is read into memory and every count and length is checked
// against what is left before anything is allocated for it; a short,
// damaged or unknown record ends the read as a failure with the image left
// as it was. A record's rectangle must have its corners in order and within
// the objects' coordinate range (the object reader hook sees it as stored).
// Writing encodes the whole file first and replaces the target only when
// all of it is on disk.

#include "core/Archive.h"
#include "doc/LayeredFormat.h"

#include <functional>
#include <string>

namespace ardane::doc {

// The header of one drawing-object record.
struct LayeredObjectHeader {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    std::string className;
};

class LayeredFile final : public LayeredFormat {
public:
    // Reads an object's own data after its header instead of the drawing
    // objects' own reader (for tools that only look at the records); false
    // for a class it does not know or data it cannot use.
    using ObjectReader = std::function<bool(const LayeredObjectHeader&, ArchiveReader&)>;
    void setObjectReader(ObjectReader reader) { m_readObject = std::move(reader); }

    [[nodiscard]] bool read(const QString& path, imaging::ImagingControl& image,
                            objects::ObjectList& objects) override;
    [[nodiscard]] imaging::Result write(const QString& path, const imaging::ImagingControl& image,
                                        const objects::ObjectList& objects, int imageFormat, int bits,
                                        int quality) override;

    // The same in memory.
    [[nodiscard]] bool readBytes(std::span<const std::uint8_t> data, imaging::ImagingControl& image,
                                 objects::ObjectList& objects);
    [[nodiscard]] imaging::Result writeBytes(const imaging::ImagingControl& image, const objects::ObjectList& objects,
                                             int imageFormat, int bits, int quality,
                                             std::vector<std::uint8_t>& out) const;

private:
    // The file in three parts: signature, size and bits; the embedded image;
    // the object count and records.
    struct Parts {
        std::vector<std::uint8_t> head, image, tail;
    };
    [[nodiscard]] imaging::Result encode(const imaging::ImagingControl& image, const objects::ObjectList& objects,
                                         int imageFormat, int bits, int quality, Parts& parts) const;

    ObjectReader m_readObject;
};

} // namespace ardane::doc
