#pragma once
// What a view needs from the program around it. The application provides it.

#include "view/DisplayPrefs.h"
#include "view/UiServices.h"
#include "doc/LayeredFormat.h"

namespace ardane {

class ViewHost {
public:
    virtual ~ViewHost() = default;
    [[nodiscard]] virtual UiServices& ui() = 0;
    [[nodiscard]] virtual DisplayPrefs& displayPrefs() = 0;
    // The current background colour, which fills new images.
    [[nodiscard]] virtual ColorRef backgroundColor() const = 0;
    [[nodiscard]] virtual doc::LayeredFormat& layeredFormat() = 0;
    // The active view's description changed: refresh the status panes.
    virtual void refreshStatus() = 0;
    // The margin was switched on or off: every view moves its image by `delta`.
    virtual void marginToggled(int delta) = 0;
    // The colour around the images changed.
    virtual void viewBackgroundChanged() = 0;
};

// Shows the message for an imaging result code.
void showImagingError(UiServices& ui, imaging::Result code);

} // namespace ardane
