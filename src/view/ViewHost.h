#pragma once
// What a view needs from the program around it. The application provides it.

#include "view/Adjusters.h"
#include "view/DisplayPrefs.h"
#include "view/UiServices.h"
#include "core/PaintSettings.h"
#include "doc/LayeredFormat.h"

#include <QCursor>
#include <QPoint>

#include <string_view>

namespace ardane {

class CArdaneView;
class ClipboardBuffer;
class CTextEditWnd;
struct FontState;

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

    // The painting settings the tools read and the pick-colour tool writes.
    [[nodiscard]] virtual PaintSettings& paintSettings() = 0;
    // The tool palette's current tool index (0..21), brush style (0..19) and
    // spray style (0..11).
    [[nodiscard]] virtual int currentTool() const = 0;
    [[nodiscard]] virtual int currentBrushStyle() const = 0;
    [[nodiscard]] virtual int currentSprayStyle() const = 0;
    // The cursor loaded under a resource name; the arrow for an empty or unknown name.
    [[nodiscard]] virtual QCursor cursorNamed(std::string_view name) const = 0;
    // Painting begins: the pen colour is snapped to what the screen can show.
    virtual void snapPenColor() = 0;
    // A fill begins: the background colour is snapped the same way and its
    // colour well repainted.
    virtual void snapBackgroundColor() = 0;
    // The pen colour changed (pick colour): repaint its colour well.
    virtual void penColorChanged() = 0;
    // The edit state changed: the toolbar buttons' enabled states follow.
    virtual void refreshCommandStates() = 0;
    // The context menu of a kind (0 the image, 2 a text object, 3 another object).
    virtual void showContextMenu(int kind, const QPoint& globalPos) = 0;
    // The program-wide clipboard buffer.
    [[nodiscard]] virtual ClipboardBuffer& clipboard() = 0;
    // The program's one text entry box.
    [[nodiscard]] virtual CTextEditWnd& textEntry() = 0;
    // The font the main toolbar shows (face, size, style), for new text
    // objects; and showing a text object's font there when it becomes current.
    [[nodiscard]] virtual FontState toolbarFont() const = 0;
    virtual void showToolbarFont(const FontState& font) = 0;
    // The integer in the rotation-angle field (-360..360, 0 when empty).
    [[nodiscard]] virtual int rotationAngle() const = 0;

    // The modeless adjustment dialogs the program keeps for the whole run.
    [[nodiscard]] virtual AdjustDialogs adjustDialogs() = 0;
    // Opens the colour planes dialog for the view's separation just made
    // (the view's separationType() and planeControl() hold it); null when
    // it cannot be created.
    [[nodiscard]] virtual PlanesPanel* openPlanesDialog(CArdaneView& view) = 0;
};

// Shows the message for an imaging result code.
void showImagingError(UiServices& ui, imaging::Result code);

} // namespace ardane
