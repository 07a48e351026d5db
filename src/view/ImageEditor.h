#pragma once
// One view's edit operations on its image and its one level of undo: the
// steps the selection commands share (keep the image for Undo, cut the
// selection out into the work control, copy a result back through the
// selection's region) and the commands built from them: Copy, Cut, Fill
// Inside, Trim, Flip and Undo. No widgets: the view wires these to its
// commands and repaints.
//
// All coordinates are image coordinates. Every memory failure shows
// "Insufficient memory!" once and leaves the image exactly as it was.
// Bitmaps are shared values copied on the first write, so the operations
// hand images between controls without copying pixels; the pixels are
// copied only where one copy has to be changed while the other is kept.

#include "core/Color.h"
#include "imaging/ImagingControl.h"
#include "raster/Region.h"
#include "view/ClipboardBuffer.h"
#include "view/Selection.h"
#include "view/UiServices.h"

#include <QPoint>
#include <QRect>

#include <optional>

namespace ardane {

class ImageEditor {
public:
    ImageEditor(imaging::ImagingControl& display, imaging::ImagingControl& work, UiServices& ui);
    ImageEditor(const ImageEditor&) = delete;
    ImageEditor& operator=(const ImageEditor&) = delete;

    // --- undo ---------------------------------------------------------------
    // Keeps the display's image for Undo, replacing (and first letting go of)
    // the image kept before. The kept image shares the pixels and the
    // display's pixels are made its own at once, so later drawing into the
    // display cannot fail half way. Without memory: "Insufficient memory!",
    // no undo kept, false. Without an image: nothing kept, false, no message.
    [[nodiscard]] bool prepareUndo();
    [[nodiscard]] bool hasUndo() const { return !m_undo.isNull(); }
    // The image Undo would put back (null without one).
    [[nodiscard]] const imaging::Bitmap& undoImage() const { return m_undo; }
    // Puts the kept image back into the display and forgets it; false without one.
    bool undo();
    void dropUndo() { m_undo = imaging::Bitmap(); }

    // --- the shared selection steps --------------------------------------------
    // The work control gets the display image cropped to the selection's
    // bounds, clipped to the image. Returns the top-left corner of the part
    // taken (the bounds' corner when they lie inside the image); nullopt after
    // "Insufficient memory!" (also when nothing of the image is inside).
    [[nodiscard]] std::optional<QPoint> cutOut(const Selection& selection);
    // Block-transfers the whole of `source`'s image to (x, y) of `target`'s,
    // clipped to the selection's region, with raster::copyBackOperation(mode).
    // Returns the image rectangle to repaint, (x - 2, y - 2) of size
    // (w + 4, h + 4); an empty rectangle when `source` holds no image, or
    // after "Insufficient memory!" with the target unchanged.
    QRect copyBack(const Selection& selection, int x, int y, int mode,
                   const imaging::ImagingControl& source, imaging::ImagingControl& target);

    // The same result as copyBack with a plain copy, reached one pixel at a
    // time: each pixel of `source` inside the region is read and set in
    // `target` at (x, y) + its offset. Same repaint rectangle.
    QRect copyBackPixelByPixel(const Selection& selection, int x, int y, const imaging::ImagingControl& source,
                               imaging::ImagingControl& target);

    // --- commands ----------------------------------------------------------------
    // Copy: the selection's box (without a selection, the whole image as a
    // rectangle; `selection` itself is not changed) goes into the buffer's
    // control with the outline relative to the box and the shape; the buffer
    // then holds an image. False after "Insufficient memory!", buffer unchanged.
    bool copy(const Selection& selection, ClipboardBuffer& buffer);
    // Cut (only with a selection): Copy, then fill inside the selection with
    // `background`, undo prepared. On failure neither the image nor the
    // buffer changes.
    bool cut(const Selection& selection, ClipboardBuffer& buffer, ColorRef background);
    // Fills the inside of the selection with a colour (undo prepared). False
    // without a selection or on failure.
    bool fillInside(const Selection& selection, ColorRef colour);
    // Trim: the image becomes the selection's bounding box (clipped to the
    // image); inside the selection's shape it keeps its pixels, outside it
    // becomes `background`. The caller clears the selection afterwards.
    bool trim(const Selection& selection, ColorRef background);
    // Mirrors the whole image, or with a selection the selection's box,
    // copied back through the selection's region under `drawMode`.
    bool flip(bool horizontal, const Selection& selection, int drawMode);

private:
    void reportNoMemory();
    // Keeps the display's image for Undo; with `ownPixels` the display's
    // pixels are made private (for edits that draw into them in place).
    [[nodiscard]] bool keepUndo(bool ownPixels);
    // Gives up an edit that failed: the image it started from goes back, and
    // the undo image taken for it is dropped.
    bool abandon(const imaging::Bitmap& before);
    // copyBack with a region already built; false when memory ran out.
    [[nodiscard]] bool blitThrough(raster::Region region, int x, int y, int mode,
                                   const imaging::Bitmap& source, imaging::ImagingControl& target);

    imaging::ImagingControl& m_display;
    imaging::ImagingControl& m_work;
    UiServices& m_ui;
    imaging::Bitmap m_undo;
};

} // namespace ardane
