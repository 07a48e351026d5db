#pragma once
// The button layouts of the main toolbar and the quick command bar, the
// quick command bar itself and the two popup menus. Every button and menu
// item is an action that the main frame's command registry supplies; these
// pieces only arrange them.

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

inline constexpr int kMainToolBarId = 59392;
inline constexpr int kQuickCommandBarId = 32982;

inline constexpr std::array<int, 23> kMainToolBarLayout{
    kSlotFontName, kSeparator, kSlotFontSize, kSeparator,
    32837, 32838, 32839, kSeparator,              // bold, italic, underline
    57600, 57601, 57603, 57607, kSeparator,       // new, open, save, print
    57634, 57637, kSeparator,                     // copy, paste
    kSlotPenWell, 32948, kSlotBackgroundWell, 32947, kSeparator,
    kSlotAngleEdit, 32840,                        // rotate by the angle typed
};

inline constexpr std::array<int, 27> kQuickCommandBarLayout{
    32841, 32842, 32843, kSeparator,              // zoom normal, in, out
    32951, 32973, kSeparator,                     // delete, merge
    32807, 32808, 32964, kSeparator,              // scanner, capture, capture option
    32783, 32784, 32785, kSeparator,              // rotate 90, 180, 270
    32812, 35999, kSeparator,                     // enhance, draw mode
    32959, 32960, 32961, kSeparator,              // fill entirely, inside, outside
    151, kSeparator,                              // visual patching
    33045, 33043, 33044,                          // detailed, curve, flat adjustment
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
