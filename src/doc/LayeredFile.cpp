#include "doc/LayeredFile.h"

#include <QFileInfo>
#include <QSaveFile>

namespace ardane::doc {

namespace {
// The smallest object record: its rectangle, a one-byte name length, and
// the 64 bytes every object writes.
constexpr std::size_t kMinimumRecord = 16 + 1 + objects::CGeneralObj::kRecordSize;

// A window the view can place: corners in order and within the range the
// objects keep their points in.
bool usableWindow(const LayeredObjectHeader& h)
{
    const auto inRange = [](std::int32_t v) {
        return v >= -objects::CGeneralObj::kCoordinateLimit && v <= objects::CGeneralObj::kCoordinateLimit;
    };
    return inRange(h.left) && inRange(h.top) && inRange(h.right) && inRange(h.bottom) && h.left <= h.right
        && h.top <= h.bottom;
}
} // namespace

imaging::Result LayeredFile::encode(const imaging::ImagingControl& image, const objects::ObjectList& objects,
                                    int imageFormat, int bits, int quality, Parts& parts) const
{
    if (image.SaveToBlock(parts.image, imageFormat, bits, quality) != imaging::result::Ok
        || parts.image.size() > 0xFFFFFFFFu)
        return imaging::result::OutOfMemory3;
    try {
        ArchiveWriter head(parts.head);
        head.u32(kLayeredSignature);
        head.u32(std::uint32_t(parts.image.size()));
        head.u16(std::uint16_t(bits));
        ArchiveWriter w(parts.tail);
        w.u32(std::uint32_t(objects.size()));
        for (const objects::ObjectPtr& object : objects) {
            const objects::Box& box = object->windowRect();
            w.i32(box.left);
            w.i32(box.top);
            w.i32(box.right);
            w.i32(box.bottom);
            w.string(std::string(object->className()));
            object->Serialize(w);
        }
    } catch (const std::bad_alloc&) {
        return imaging::result::OutOfMemory3;
    }
    return imaging::result::Ok;
}

imaging::Result LayeredFile::writeBytes(const imaging::ImagingControl& image, const objects::ObjectList& objects,
                                        int imageFormat, int bits, int quality, std::vector<std::uint8_t>& out) const
{
    out.clear();
    Parts parts;
    if (const auto r = encode(image, objects, imageFormat, bits, quality, parts); r != imaging::result::Ok)
        return r;
    try {
        out.reserve(parts.head.size() + parts.image.size() + parts.tail.size());
        out.insert(out.end(), parts.head.begin(), parts.head.end());
        out.insert(out.end(), parts.image.begin(), parts.image.end());
        out.insert(out.end(), parts.tail.begin(), parts.tail.end());
    } catch (const std::bad_alloc&) {
        out.clear();
        return imaging::result::OutOfMemory3;
    }
    return imaging::result::Ok;
}

imaging::Result LayeredFile::write(const QString& path, const imaging::ImagingControl& image,
                                   const objects::ObjectList& objects, int imageFormat, int bits, int quality)
{
    // The embedded image is most of the file: it goes out from the encoder's
    // own buffer, with the header and the object records around it.
    Parts parts;
    if (const auto r = encode(image, objects, imageFormat, bits, quality, parts); r != imaging::result::Ok)
        return r;
    if (QFileInfo(path).isDir())
        return imaging::result::CannotOpen;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return imaging::result::CannotOpen;
    for (const std::vector<std::uint8_t>* part : {&parts.head, &parts.image, &parts.tail}) {
        const qint64 n = qint64(part->size());
        if (file.write(reinterpret_cast<const char*>(part->data()), n) != n) {
            file.cancelWriting();
            return imaging::result::WriteError;
        }
    }
    return file.commit() ? imaging::result::Ok : imaging::result::WriteError;
}

bool LayeredFile::readBytes(std::span<const std::uint8_t> data, imaging::ImagingControl& image,
                            objects::ObjectList& objects)
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
    if (!count || *count > r.remaining() / kMinimumRecord)
        return false;
    objects::ObjectList loadedObjects;
    loadedObjects.reserve(*count);
    for (std::uint32_t i = 0; i < *count; ++i) {
        if (r.remaining() < kMinimumRecord)
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
        if (m_readObject) {
            if (!m_readObject(header, r) || r.failed())
                return false;
            continue;
        }
        if (!usableWindow(header))
            return false;
        objects::ObjectPtr object = objects::CreateObjectByName(header.className);
        if (!object)
            return false;
        object->setWindowRect({header.left, header.top, header.right, header.bottom});
        if (!object->Serialize(r) || r.failed())
            return false;
        loadedObjects.push_back(std::move(object));
    }
    image.SetImageHandle(loaded.ImageHandle());
    for (objects::ObjectPtr& object : loadedObjects)
        objects.push_back(std::move(object));
    return true;
}

bool LayeredFile::read(const QString& path, imaging::ImagingControl& image, objects::ObjectList& objects)
{
    std::vector<std::uint8_t> bytes;
    if (imaging::readWholeFile(path, bytes) != imaging::result::Ok)
        return false;
    return readBytes(bytes, image, objects);
}

} // namespace ardane::doc
