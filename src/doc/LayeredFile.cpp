#include "doc/LayeredFile.h"

namespace ardane::doc {

imaging::Result LayeredFile::writeBytes(const imaging::ImagingControl& image, int imageFormat, int bits,
                                        int quality, std::vector<std::uint8_t>& out) const
{
    std::vector<std::uint8_t> block;
    if (image.SaveToBlock(block, imageFormat, bits, quality) != imaging::result::Ok || block.size() > 0xFFFFFFFFu)
        return imaging::result::OutOfMemory3;
    try {
        out.clear();
        out.reserve(block.size() + 14);
        ArchiveWriter w(out);
        w.u32(kLayeredSignature);
        w.u32(std::uint32_t(block.size()));
        w.u16(std::uint16_t(bits));
        w.bytes(block);
        // The drawing objects over the image: none are kept with it yet.
        w.u32(0);
    } catch (const std::bad_alloc&) {
        out.clear();
        return imaging::result::OutOfMemory3;
    }
    return imaging::result::Ok;
}

imaging::Result LayeredFile::write(const QString& path, const imaging::ImagingControl& image, int imageFormat,
                                   int bits, int quality)
{
    std::vector<std::uint8_t> bytes;
    if (const auto r = writeBytes(image, imageFormat, bits, quality, bytes); r != imaging::result::Ok)
        return r;
    return imaging::writeWholeFile(path, bytes);
}

bool LayeredFile::readBytes(std::span<const std::uint8_t> data, imaging::ImagingControl& image)
{
    ArchiveReader r(data);
    const auto signature = r.u32();
    const auto size = r.u32();
    const auto bits = r.u16();
    if (!signature || *signature != kLayeredSignature || !size || !bits)
        return false;
    const auto block = r.bytes(*size);
    if (!block)
        return false;
    imaging::ImagingControl loaded;
    if (loaded.LoadFromBlock(*block, std::int16_t(*bits), 0) != imaging::result::Ok)
        return false;
    const auto count = r.u32();
    if (!count)
        return false;
    for (std::uint32_t i = 0; i < *count; ++i) {
        // Each record holds at least its rectangle and a one-byte name length.
        if (r.remaining() < 17)
            return false;
        LayeredObjectHeader header;
        const auto l = r.i32(), t = r.i32(), rt = r.i32(), b = r.i32();
        const auto name = r.string();
        if (!name)
            return false;
        header.left = *l;
        header.top = *t;
        header.right = *rt;
        header.bottom = *b;
        header.className = *name;
        if (!m_readObject || !m_readObject(header, r) || r.failed())
            return false;
    }
    image.SetImageHandle(loaded.ImageHandle());
    return true;
}

bool LayeredFile::read(const QString& path, imaging::ImagingControl& image)
{
    std::vector<std::uint8_t> bytes;
    if (imaging::readWholeFile(path, bytes) != imaging::result::Ok)
        return false;
    return readBytes(bytes, image);
}

} // namespace ardane::doc
