#pragma once
// The image view: one document's image shown by its display control at the
// margin, scrolled, zoomed from 100 to 800 percent; it loads the image when
// first shown and saves it for its document. It coordinates the mouse tools
// (ViewMouse.cpp), the edit commands (ViewEditCommands.cpp) and the zoom and
// display commands (ViewDisplayCommands.cpp).

#include "view/Adjusters.h"
#include "view/CImagingCtrl.h"
#include "view/ImageEditor.h"
#include "view/Selection.h"
#include "view/ViewHost.h"
#include "core/CommandMap.h"
#include "core/TextFont.h"
#include "doc/CArdaneDoc.h"
#include "objects/CGeneralObj.h"

#include <QAbstractScrollArea>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace ardane {

namespace paint {
class CPaintGesture;
}
class CPastedImageWnd;
class CPatchWnd;
class SelectionTracker;
class ViewObjects;
class FeedbackOverlay;
class RubberBand;
class ObjectDrag;
namespace objects {
class CTextObj;
}

class CArdaneView : public QAbstractScrollArea, public doc::DocumentImage {
    Q_OBJECT
public:
    static constexpr int kDisplayId = 100;
    static constexpr int kWorkId = 101;
    static constexpr int kMinZoom = 100;
    static constexpr int kMaxZoom = 800;

    CArdaneView(ViewHost& host, doc::CArdaneDoc& document, QWidget* parent = nullptr);
    ~CArdaneView() override;

    // Creates the controls and reads or creates the image.
    void OnInitialUpdate();

    [[nodiscard]] doc::CArdaneDoc& document() const { return m_doc; }
    [[nodiscard]] CommandMap& commands() { return m_commands; }
    [[nodiscard]] bool hasNoImage() const { return m_noImage; }
    [[nodiscard]] CImagingCtrl* displayControl() const { return m_display; }
    [[nodiscard]] imaging::ImagingControl& image() { return m_display->control(); }
    [[nodiscard]] const imaging::ImagingControl& image() const { return m_display->control(); }
    // The hidden work control of selection-limited operations.
    [[nodiscard]] imaging::ImagingControl& workControl() { return m_work; }
    [[nodiscard]] ImageEditor& editor() { return *m_editor; }
    [[nodiscard]] bool isLayered() const { return m_layered; }

    [[nodiscard]] int zoom() const { return m_zoom; }
    [[nodiscard]] int zoomFactor() const { return m_zoom / 100; }
    void SetZoom(int zoom);
    [[nodiscard]] QRect zoomRect() const { return m_zoomRect; }
    // The zoom rectangle's top-left while one is in force, else (0, 0).
    [[nodiscard]] QPoint zoomOrigin() const;
    // Total scroll size: the shown image and the margin on both sides.
    [[nodiscard]] QSize totalSize() const;
    [[nodiscard]] QSize sizeHint() const override { return totalSize(); }
    void UpdateScrollSizes();
    void toggleMargin();
    // The margin was switched on (delta > 0) or off: move the image.
    void applyMarginChange(int delta);

    // The selection, in image coordinates: it stays over the same pixels
    // when the view scrolls or the margin changes.
    [[nodiscard]] const Selection& selection() const { return m_selection; }
    void setSelection(Selection selection);
    // Removes the outline from the screen; `clear` also forgets the points.
    void eraseSelection(bool clear);

    // From the view's client coordinates to image coordinates, through the
    // display control's position, the zoom and the zoom rectangle.
    [[nodiscard]] QPoint viewToImage(const QPoint& viewPoint) const;

    // Shows the whole image (or the zoom rectangle) again at the current zoom,
    // after the image itself changed size.
    void refitDisplay();

    // Steps the edit commands share, and the later commands call.
    void afterEdit();
    void refreshToolbarStates();

    // Pasted images over the view, in the order they were pasted.
    [[nodiscard]] std::vector<CPastedImageWnd*> pastedWindows() const;
    [[nodiscard]] bool hasSelectedWindow() const;

    // The drawing objects over the image (ViewObjectCommands.cpp). Their
    // points are in view coordinates: client coordinates plus the scroll
    // position, the margin included.
    [[nodiscard]] ViewObjects& drawingObjects() { return *m_objects; }
    [[nodiscard]] const objects::ObjectList& objectList() const;
    [[nodiscard]] QPoint scrollOffset() const;
    // The display control's top-left in view coordinates.
    [[nodiscard]] QPoint controlOrigin() const;
    // The parameters the text and object commands edit while an object of
    // the kind is selected (the first one in list order); null otherwise.
    [[nodiscard]] TextParams* currentTextParams() const;
    [[nodiscard]] ObjectParams* currentObjectParams() const;
    // A text or object command changed the parameters of the selected
    // objects (or the pen colour, which recolours them): redraw them.
    void objectSettingsChanged(int commandId);
    // The toolbar's font reaches the selected text object.
    void applyToolbarFont(const FontState& font);
    // Merge: stamps the selected pasted images and paints the selected
    // objects into the image, and drops them (one undo step).
    void mergeCommand();
    // Turns the first selected object that can turn; false when there is none.
    bool rotateSelectedObject(int degrees);
    // Ends a running text edit (as a loss of focus would).
    void endTextEdit();

    // --- whole-image commands (ViewImageCommands.cpp) ----------------------
    // The hidden controls of a colour separation: the image as it was when
    // the separation began (or as last merged), and the bitmap whose planes
    // are split and merged.
    [[nodiscard]] imaging::ImagingControl& backupControl() { return m_backup; }
    [[nodiscard]] imaging::ImagingControl& planeControl() { return m_planeControl; }
    // 0 RGB, 1 CMYK, 2 HSV, 3 HLS, 4 CMY: the model of the last separation.
    [[nodiscard]] int separationType() const { return m_separationType; }
    [[nodiscard]] PlanesPanel* planesDialog() const { return m_planesDialog; }
    // The planes dialog is gone: the separation commands are enabled again.
    void planesDialogClosed();
    // Puts a bitmap into the view's image control in place of what it shows
    // (a plane, or the whole image back) and repaints; the display follows a
    // change of size.
    void showBitmap(const imaging::Bitmap& bitmap);
    // A dialog changed the image in the image control (an intensity map, a
    // restored snapshot): the result goes to a selected plane, the document
    // is modified, the display follows and the objects are redrawn over it.
    void imageAdjusted();
    // The Enhance Image dialog's Apply: the operation on the whole image or
    // inside the selection.
    void applyEnhancement(const EnhanceRequest& request);
    // Gives every shown modeless dialog this view and the document's title.
    void bindDialogs();
    // The view goes away: its planes dialog closes, the dialogs bound to it
    // let go, its object and pasted-image windows close.
    void unbindDialogs();

    // DocumentImage
    [[nodiscard]] bool hasImage() const override { return !m_noImage && image().HasImage(); }
    [[nodiscard]] int bitsPerPixel() const override { return m_noImage ? 0 : image().BitsPerPixel(); }
    [[nodiscard]] bool saveImage(bool withDialog) override;
    [[nodiscard]] bool convertColorDepth(int bits, int paletteOption, int ditherOption) override;

    // Status figures.
    [[nodiscard]] std::int64_t memorySize() const;
    [[nodiscard]] QString compression() const;

    // The visual patching run in progress, if any (its offset and preview).
    [[nodiscard]] bool isPatching() const { return m_patch.has_value(); }
    [[nodiscard]] QPoint patchOffset() const { return m_patch ? m_patch->offset : QPoint(); }
    [[nodiscard]] CPatchWnd* patchWindow() const;

    // Mouse handling (ViewMouse.cpp); positions in the view's client coordinates.
    void OnLButtonDown(const QPoint& viewPoint);
    void OnRButtonDown(const QPoint& viewPoint);
    // Whether a gesture, a selection tracking, a hand scroll, a visual
    // patching run or an outline drag is running.
    [[nodiscard]] bool isTracking() const;
    // The cursor the display control shows for the current tool, or, with
    // the pointer (client coordinates) over a selected object's tracker,
    // the tracker's cursor.
    void updateToolCursor(std::optional<QPoint> clientPoint = std::nullopt);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // ViewDisplayCommands.cpp
    void registerDisplayCommands();
    void setDisplayDither(int mode);
    void setDisplayPalette(int mode);
    void zoomCommand(int target);
    // ViewEditCommands.cpp
    void registerEditCommands();
    void editCopy();
    void editCut();
    void editPaste();
    void editDelete();
    void editTrim();
    void editFlip(bool horizontal);
    void editUndo();
    // ViewObjectCommands.cpp
    bool objectToolPress(int tool, const QPoint& clientPoint);
    void createObject(int tool, const RubberBand& band);
    void beginTextEdit(objects::CTextObj& text, bool fresh);
    void textEditEnded(objects::CTextObj* text, const QString& typed, const QRect& clientRect);
    void objectMoved(const QPoint& clientPoint);
    void finishObjectGesture();
    void adoptLoadedObjects();
    void drawSelectedObjectsIntoImage();
    [[nodiscard]] bool holdsObject(const objects::CGeneralObj* object) const;
    // ViewImageCommands.cpp
    using ImageOperation = std::function<imaging::Result(imaging::ImagingControl&)>;
    enum class FillArea { Entirely, Inside, Outside };
    void registerImageCommands();
    // The operation on the image control, or with a selection on the work
    // control holding the selection's box, copied back through the
    // selection's region (one block transfer, or pixel by pixel).
    imaging::Result applyToImageOrSelection(const ImageOperation& operation, bool pixelByPixel);
    // The image goes into the plane the planes dialog has selected, if any.
    void writeBackToPlane();
    void redrawOverObjects();
    // The display follows the image's size when it changed.
    void imageChangedSize();
    void separate(int model);
    void rotateCommand(int degrees);
    void fillCommand(FillArea area);
    void stampPastedWindow(CPastedImageWnd& window);
    void showAdjuster(ModelessAdjuster* dialog);
    // ViewPatchCommands.cpp: visual patching and dragging the selection outline.
    void registerPatchCommands();
    void beginVisualPatch();
    void visualPatchMoved(const QPoint& controlPoint);
    // `byClick`: the ending click; the patch is pasted when it was moved.
    void endVisualPatch(bool byClick);
    void pastePatch(const Selection& source, const Selection& destination);
    [[nodiscard]] bool beginOutlineDrag(const QPoint& viewPoint);
    void outlineDragMoved(const QPoint& controlPoint);
    void endOutlineDrag();
    // ViewMouse.cpp
    void runPaintGesture(int kind, const QPoint& viewPoint);
    void pickColor(const QPoint& viewPoint);
    void floodFill(const QPoint& viewPoint);
    void beginHandScroll(const QPoint& viewPoint);
    void beginSelectionTracking(int shape, const QPoint& viewPoint);
    void displayMoved(const QPoint& controlPoint);
    void displayReleased();
    void displayCaptureLost();
    void finishTracking();

    void loadFailure(imaging::Result code);
    void placeDisplay();
    void updateScrollBars();
    void showOutline();

    ViewHost& m_host;
    doc::CArdaneDoc& m_doc;
    CommandMap m_commands;
    CImagingCtrl* m_display = nullptr;     // owned by the viewport
    imaging::ImagingControl m_work;
    imaging::ImagingControl m_backup;
    imaging::ImagingControl m_planeControl;
    int m_separationType = 0;
    PlanesPanel* m_planesDialog = nullptr; // the dialog owns itself
    std::unique_ptr<ImageEditor> m_editor;
    bool m_noImage = false;
    bool m_layered = false;
    int m_zoom = 100;
    QRect m_zoomRect;
    Selection m_selection;
    Selection m_savedSelection;
    std::vector<QPointer<CPastedImageWnd>> m_pasted; // windows owned by the viewport
    std::unique_ptr<ViewObjects> m_objects;          // drawing objects, stacking order
    FeedbackOverlay* m_feedback = nullptr;           // owned by the viewport
    std::unique_ptr<RubberBand> m_band;
    int m_bandTool = -1;
    std::unique_ptr<ObjectDrag> m_drag;
    objects::CGeneralObj* m_dragObject = nullptr;

    // The gesture of the current press, if any.
    std::unique_ptr<paint::CPaintGesture> m_gesture;
    std::unique_ptr<SelectionTracker> m_tracker;
    bool m_handScrolling = false;
    QPoint m_handLast;

    // A visual patching run: the preview window, the outline as moved (image
    // coordinates), the last pointer position (image units), how far the
    // outline lies from the selection ((0, 0) after a move out of the area),
    // the area the pointer may move in (control pixels), the cursor before.
    struct PatchRun {
        QPointer<CPatchWnd> window;
        Selection working;
        QPoint last;
        QPoint offset;
        QRect area;
        QCursor previous;
    };
    std::optional<PatchRun> m_patch;
    // A drag of the selection outline: the last point and the area the
    // outline's box must stay in, image coordinates.
    struct OutlineDrag {
        QPoint last;
        QRect area;
    };
    std::optional<OutlineDrag> m_outlineDrag;
};

} // namespace ardane
