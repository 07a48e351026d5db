#pragma once
// The modeless dialogs that work on a view's image, as the view sees them:
// the four adjustment dialogs the application keeps for the whole run, and
// the colour planes dialog a separation opens. The dialogs live in the
// dialogs layer; the view only knows these interfaces.

#include "core/Color.h"

#include <QString>

namespace ardane {

class CArdaneView;

// What the Enhance Image dialog's Apply asks the view to do: the list index
// of the operation (0..15) and the values of the dialog's inputs.
struct EnhanceRequest {
    int operation = 0;
    int value = 0;      // the slider
    int size = 0;       // the Size box
    int channel = 0;    // the Channel list: 0 master, 1 red, 2 green, 3 blue
    int direction = 0;  // the Direction list index (North, North East, North West, ...)
    bool horizontal = false;
};

// One of the modeless adjustment dialogs (Enhance Image, Precise, Curve, Flat).
class ModelessAdjuster {
public:
    virtual ~ModelessAdjuster() = default;
    // Whether the dialog is on the screen.
    [[nodiscard]] virtual bool isShown() const = 0;
    // Shows the dialog (it is never re-created).
    virtual void showAdjuster() = 0;
    virtual void setCaption(const QString& caption) = 0;
    // Works on this view from now on; null unbinds. Binding the view already
    // bound does nothing.
    virtual void bindView(CArdaneView* view) = 0;
    [[nodiscard]] virtual CArdaneView* boundView() const = 0;
};

class EnhanceAdjuster : public ModelessAdjuster {
public:
    // The view went away: no view, caption "No associated image", Apply off.
    virtual void reset() = 0;
    // The Size box's upper limit (half the bound image's width).
    virtual void setSizeMaximum(int maximum) = 0;
};

class PreciseAdjuster : public ModelessAdjuster {
public:
    // The user picked a colour from the image: mark its levels in the
    // active bar.
    virtual void markColor(ColorRef colour) = 0;
};

// The application's four dialogs; any may be null (a host without them).
struct AdjustDialogs {
    EnhanceAdjuster* enhance = nullptr;
    PreciseAdjuster* precise = nullptr;
    ModelessAdjuster* curve = nullptr;
    ModelessAdjuster* flat = nullptr;
};

// The colour planes dialog of one view's separation.
class PlanesPanel {
public:
    virtual ~PlanesPanel() = default;
    // 0 the "Planes" button (the whole image), 1..4 the planes; the button
    // count when none is selected.
    [[nodiscard]] virtual int selectedButton() const = 0;
    [[nodiscard]] virtual int buttonCount() const = 0;
    // The selected button's preview shows its plane again.
    virtual void repaintSelectedPreview() = 0;
    // As the dialog's Close: the whole image back into the view, the
    // separation ended, the dialog gone (it tells the view,
    // CArdaneView::planesDialogClosed).
    virtual void closePanel() = 0;
};

} // namespace ardane
