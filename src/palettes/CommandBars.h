#pragma once
// The button layouts of the main toolbar and the quick command bar, the
// quick command bar itself and the two popup menus. Every button and menu
// item is an action that the main frame's command registry supplies; these
// pieces only arrange them.

#include "core/CommandIds.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>

#include <array>
#include <functional>
#include <span>

namespace ardane {

// The frame's action for a command id (null when it has none).
using ActionProvider = std::function<QAction*(int id)>;

inline constexpr int kSeparator = 0;

// Places in the main toolbar that hold a control instead of a button.
enum ToolBarSlot : int {
    kSlotFontName = -1,
    kSlotFontSize = -2,
    kSlotPenWell = -3,
    kSlotBackgroundWell = -4,
    kSlotAngleEdit = -5,
};

inline constexpr int kMainToolBarId = ID_VIEW_TOOLBAR;
inline constexpr int kQuickCommandBarId = ID_VIEW_QUICK_BAR;

inline constexpr std::array<int, 23> kMainToolBarLayout{
    kSlotFontName, kSeparator, kSlotFontSize, kSeparator,
    ID_FONT_BOLD, ID_FONT_ITALIC, ID_FONT_UNDERLINE, kSeparator,
    ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_PRINT, kSeparator,
    ID_EDIT_COPY, ID_EDIT_PASTE, kSeparator,
    kSlotPenWell, ID_PEN_COLOR, kSlotBackgroundWell, ID_BACKGROUND_COLOR, kSeparator,
    kSlotAngleEdit, ID_ROTATE_SPECIFIED,
};

inline constexpr std::array<int, 27> kQuickCommandBarLayout{
    ID_VIEW_NORMAL, ID_VIEW_ZOOM_IN, ID_VIEW_ZOOM_OUT, kSeparator,
    ID_EDIT_DELETE, ID_MERGE, kSeparator,
    ID_ACQUIRE_SCANNER, ID_CAPTURE_SCREEN, ID_CAPTURE_POPUP, kSeparator,
    ID_ROTATE_90, ID_ROTATE_180, ID_ROTATE_270, kSeparator,
    ID_ENHANCE, ID_DRAW_MODE_POPUP, kSeparator,
    ID_FILL_ENTIRELY, ID_FILL_INSIDE, ID_FILL_OUTSIDE, kSeparator,
    ID_VISUAL_PATCH, kSeparator,
    ID_DETAILED_ADJUSTMENT, ID_CURVE_ADJUSTMENT, ID_FLAT_ADJUSTMENT,
};

// Adds the layout's buttons and separators to a bar; control(slot) gives
// the widget for each negative entry. Actions without an image get the
// program's image of their command.
void addCommandButtons(QToolBar& bar, std::span<const int> layout, const ActionProvider& actions,
                       const std::function<QWidget*(int slot)>& control = {});

// The quick command bar, dockable on every side.
[[nodiscard]] QToolBar* createQuickCommandBar(const ActionProvider& actions, QWidget* parent);

// "DrawMode": the twelve draw-mode items; "Capture &Screen": the three capture scales.
[[nodiscard]] QMenu* createDrawModeMenu(const ActionProvider& actions, QWidget* parent);
[[nodiscard]] QMenu* createCaptureScaleMenu(const ActionProvider& actions, QWidget* parent);

// Where a popup menu of the given width opens: centred horizontally on the cursor.
[[nodiscard]] QPoint popupPosition(QPoint cursor, int menuWidth);
// Shows a popup menu at the cursor and runs it until it closes.
void popUpAtCursor(QMenu& menu);

} // namespace ardane
