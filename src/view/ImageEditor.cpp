#include "view/ImageEditor.h"

#include "core/StringTable.h"
#include "raster/Canvas.h"

#include <new>
#include <stdexcept>
#include <utility>

namespace ardane {

using imaging::Bitmap;
using imaging::ImagingControl;

namespace {

// Runs `draw` on a control's bitmap taken out of the control: the control
// lets go of its reference first, so its pixels are shared only if someone
// else holds them too, and only then does making them private cost a copy.
// The bitmap goes back into the control whatever happens.
template <typename Draw>
bool drawInto(ImagingControl& control, Draw&& draw)
{
    Bitmap bitmap = control.ImageHandle();
    control.SetImageHandle(Bitmap());
    bool done = false;
    try {
        done = bitmap.detach() && draw(bitmap);
    } catch (const std::bad_alloc&) {
        done = false;
    } catch (const std::length_error&) {
        done = false;
    }
    control.SetImageHandle(bitmap);
    return done;
}

} // namespace

ImageEditor::ImageEditor(ImagingControl& display, ImagingControl& work, UiServices& ui)
    : m_display(display), m_work(work), m_ui(ui)
{
}

void ImageEditor::reportNoMemory()
{
    m_ui.showStringMessage(IDS_INSUFFICIENT_MEMORY);
}

bool ImageEditor::keepUndo(bool ownPixels)
{
    // Letting go of the previous undo image first may free the memory the
    // private copy below needs.
    m_undo = m_display.ImageHandle();
    if (m_undo.isNull())
        return false;
    if (ownPixels && !drawInto(m_display, [](Bitmap&) { return true; })) {
        m_undo = Bitmap();
        reportNoMemory();
        return false;
    }
    return true;
}

bool ImageEditor::prepareUndo()
{
    return keepUndo(true);
}

bool ImageEditor::undo()
{
    if (m_undo.isNull())
        return false;
    m_display.SetImageHandle(m_undo);
    m_undo = Bitmap();
    return true;
}

bool ImageEditor::abandon(const Bitmap& before)
{
    m_display.SetImageHandle(before);
    m_undo = Bitmap();
    return false;
}

std::optional<QPoint> ImageEditor::cutOut(const Selection& selection)
{
    const Bitmap& image = m_display.ImageHandle();
    const QRect box = selection.bounds().intersected(QRect(0, 0, image.width(), image.height()));
    if (image.isNull() || box.isEmpty()) {
        reportNoMemory();
        return std::nullopt;
    }
    // The work control shares the display's pixels until the crop gives it
    // pixels of its own: the box is the only thing copied.
    m_work.SetImageHandle(image);
    if (m_work.CropImage(box.x(), box.y(), box.width(), box.height()) != imaging::result::Ok) {
        m_work.SetImageHandle(Bitmap());
        reportNoMemory();
        return std::nullopt;
    }
    return box.topLeft();
}

bool ImageEditor::blitThrough(raster::Region region, int x, int y, int mode, const Bitmap& source,
                              ImagingControl& target)
{
    Bitmap from = source; // shared; the canvas over it only reads
    return drawInto(target, [&](Bitmap& to) {
        raster::Canvas sourceCanvas(from);
        raster::Canvas targetCanvas(to);
        targetCanvas.setClip(std::move(region));
        targetCanvas.bitBlt(x, y, from.width(), from.height(), sourceCanvas, 0, 0,
                            raster::copyBackOperation(mode));
        return true;
    });
}

QRect ImageEditor::copyBack(const Selection& selection, int x, int y, int mode, const ImagingControl& source,
                            ImagingControl& target)
{
    const Bitmap& from = source.ImageHandle();
    if (from.isNull() || !target.HasImage())
        return {};
    bool done = false;
    try {
        done = blitThrough(selection.region(), x, y, mode, from, target);
    } catch (const std::bad_alloc&) {
        done = false;
    }
    if (!done) {
        reportNoMemory();
        return {};
    }
    return QRect(x - 2, y - 2, from.width() + 4, from.height() + 4);
}

QRect ImageEditor::copyBackPixelByPixel(const Selection& selection, int x, int y, const ImagingControl& source,
                                        ImagingControl& target)
{
    Bitmap from = source.ImageHandle();
    if (from.isNull() || !target.HasImage())
        return {};
    bool done = false;
    try {
        raster::Region region = selection.region();
        done = drawInto(target, [&](Bitmap& to) {
            const raster::Canvas sourceCanvas(from);
            raster::Canvas targetCanvas(to);
            targetCanvas.setClip(std::move(region));
            for (int sy = 0; sy < from.height(); ++sy)
                for (int sx = 0; sx < from.width(); ++sx)
                    targetCanvas.setPixel(x + sx, y + sy, sourceCanvas.pixel(sx, sy));
            return true;
        });
    } catch (const std::bad_alloc&) {
        done = false;
    }
    if (!done) {
        reportNoMemory();
        return {};
    }
    return QRect(x - 2, y - 2, from.width() + 4, from.height() + 4);
}

bool ImageEditor::copy(const Selection& selection, ClipboardBuffer& buffer)
{
    // Without a selection the whole image is copied, as a rectangle; the
    // caller's selection stays as it is.
    Selection whole;
    if (!selection.exists())
        whole = Selection::wholeImage(m_display.ImageHandle().width(), m_display.ImageHandle().height());
    const Selection& taken = selection.exists() ? selection : whole;

    const std::optional<QPoint> corner = cutOut(taken);
    if (!corner)
        return false;
    ClipboardBuffer::Outline outline;
    try {
        outline.reserve(taken.points.size());
        for (const std::uint32_t p : taken.points) {
            const QPoint q = Selection::unpack(p);
            outline.emplace_back(q.x() - corner->x(), q.y() - corner->y());
        }
    } catch (const std::bad_alloc&) {
        reportNoMemory();
        return false;
    }
    buffer.control().SetImageHandle(m_work.ImageHandle());
    buffer.setOutline(std::move(outline));
    buffer.setShape(taken.shape);
    buffer.setHasImage(true);
    return true;
}

bool ImageEditor::cut(const Selection& selection, ClipboardBuffer& buffer, ColorRef background)
{
    if (!selection.exists())
        return false;
    // What the buffer held, to put back if the fill fails after the copy.
    const Bitmap heldImage = buffer.control().ImageHandle();
    ClipboardBuffer::Outline heldOutline;
    try {
        heldOutline = buffer.outline();
    } catch (const std::bad_alloc&) {
        reportNoMemory();
        return false;
    }
    const int heldShape = buffer.shape();
    const bool held = buffer.hasImage();

    if (!copy(selection, buffer))
        return false;
    if (!fillInside(selection, background)) {
        buffer.control().SetImageHandle(heldImage);
        buffer.setOutline(std::move(heldOutline));
        buffer.setShape(heldShape);
        buffer.setHasImage(held);
        return false;
    }
    return true;
}

bool ImageEditor::fillInside(const Selection& selection, ColorRef colour)
{
    if (!selection.exists() || !m_display.HasImage())
        return false;
    const Bitmap before = m_display.ImageHandle();
    if (!prepareUndo())
        return abandon(before);
    const std::optional<QPoint> corner = cutOut(selection);
    if (!corner)
        return abandon(before);
    if (m_work.FillImage(colour) != imaging::result::Ok) {
        reportNoMemory();
        return abandon(before);
    }
    if (copyBack(selection, corner->x(), corner->y(), raster::R2_COPYPEN, m_work, m_display).isEmpty())
        return abandon(before);
    return true;
}

bool ImageEditor::trim(const Selection& selection, ColorRef background)
{
    if (!selection.exists() || !m_display.HasImage())
        return false;
    const Bitmap before = m_display.ImageHandle();
    // The display is replaced by its crop below, so its pixels need not be
    // made private first: the undo image keeps the old ones.
    if (!keepUndo(false))
        return abandon(before);
    const std::optional<QPoint> corner = cutOut(selection);
    if (!corner)
        return abandon(before);
    const int width = m_work.ImageHandle().width(), height = m_work.ImageHandle().height();
    if (m_display.CropImage(corner->x(), corner->y(), width, height) != imaging::result::Ok
        || m_display.FillImage(background) != imaging::result::Ok) {
        reportNoMemory();
        return abandon(before);
    }
    Selection moved = selection;
    moved.translate(-corner->x(), -corner->y());
    if (copyBack(moved, 0, 0, raster::R2_COPYPEN, m_work, m_display).isEmpty())
        return abandon(before);
    return true;
}

bool ImageEditor::flip(bool horizontal, const Selection& selection, int drawMode)
{
    if (!m_display.HasImage())
        return false;
    const Bitmap before = m_display.ImageHandle();
    if (!selection.exists()) {
        // The flip makes the display's pixels its own: the one copy.
        if (!keepUndo(false))
            return abandon(before);
        const imaging::Result r = horizontal ? m_display.FlipHorizontal() : m_display.FlipVertical();
        if (r != imaging::result::Ok) {
            reportNoMemory();
            return abandon(before);
        }
        return true;
    }
    if (!prepareUndo())
        return abandon(before);
    const std::optional<QPoint> corner = cutOut(selection);
    if (!corner)
        return abandon(before);
    const imaging::Result r = horizontal ? m_work.FlipHorizontal() : m_work.FlipVertical();
    if (r != imaging::result::Ok) {
        reportNoMemory();
        return abandon(before);
    }
    if (copyBack(selection, corner->x(), corner->y(), drawMode, m_work, m_display).isEmpty())
        return abandon(before);
    return true;
}

} // namespace ardane
