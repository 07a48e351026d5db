// The imaging control's colour planes: the image taken apart into the planes
// of a colour model, kept beside the image, and put back together.

#include "imaging/ImagingControl.h"

#include "imaging/ControlGuard.h"
#include "imaging/ops/ColorPlanes.h"

namespace ardane::imaging {

using detail::memoryGuarded;

Result ImagingControl::SplitPlanes(int model)
{
    if (!HasImage())
        return result::OutOfMemory;
    return memoryGuarded([&] {
        std::vector<Bitmap> planes;
        if (const Result r = ops::splitPlanes(m_bitmap, model, planes); r != result::Ok)
            return r;
        m_planes = std::move(planes);
        return result::Ok;
    });
}

Result ImagingControl::MergePlanes(int model)
{
    if (ops::planeCount(model) == 0)
        return result::NotAvailable;
    if (int(m_planes.size()) != ops::planeCount(model))
        return result::NotAvailable;
    return memoryGuarded([&] {
        Bitmap out;
        if (const Result r = ops::mergePlanes(m_planes, model, out); r != result::Ok)
            return r;
        out.setResolution(m_bitmap.xResolution(), m_bitmap.yResolution());
        m_bitmap = std::move(out);
        return result::Ok;
    });
}

Bitmap ImagingControl::PlaneImage(int index) const
{
    if (index < 0 || index >= int(m_planes.size()))
        return {};
    return m_planes[std::size_t(index)];
}

void ImagingControl::SetPlaneImage(int index, const Bitmap& plane)
{
    if (index < 0 || index > 3)
        return;
    if (index >= int(m_planes.size()))
        m_planes.resize(std::size_t(index) + 1);
    m_planes[std::size_t(index)] = plane;
}

} // namespace ardane::imaging
