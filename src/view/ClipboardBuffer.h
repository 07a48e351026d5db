#pragma once
// The program's own clipboard (not the system clipboard): the image of the
// last Copy or Cut, the outline of the selection it came from relative to the
// copied box's top-left corner, and that selection's shape, for pasting.
// The application object keeps the program's one buffer and lends it to
// every view; tests make their own.

#include "imaging/ImagingControl.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace ardane {

class ClipboardBuffer {
public:
    using Outline = std::vector<std::pair<std::int32_t, std::int32_t>>;

    ClipboardBuffer() = default;
    ClipboardBuffer(const ClipboardBuffer&) = delete;
    ClipboardBuffer& operator=(const ClipboardBuffer&) = delete;

    // The control that holds the last copied image (scanned images arrive here too).
    [[nodiscard]] imaging::ImagingControl& control();
    [[nodiscard]] const imaging::ImagingControl& control() const { return m_control; }
    [[nodiscard]] bool hasImage() const { return m_hasImage; }
    void setHasImage(bool has) { m_hasImage = has; }

    // Outline points relative to the copied box's top-left.
    [[nodiscard]] const Outline& outline() const { return m_outline; }
    void setOutline(Outline outline) { m_outline = std::move(outline); }
    // Selection shape at the time of copying.
    [[nodiscard]] int shape() const { return m_shape; }
    void setShape(int shape) { m_shape = shape; }

    // The buffer control's window id, taken from nextWindowId() on first use.
    [[nodiscard]] int controlId() const;

    // The program-wide counter of child-window ids: 1, 2, 3, ...
    [[nodiscard]] static int nextWindowId();

private:
    imaging::ImagingControl m_control;
    Outline m_outline;
    int m_shape = 2;
    bool m_hasImage = false;
    mutable int m_controlId = 0;
};

} // namespace ardane
