#include "palettes/CommandBars.h"

#include "core/CommandIds.h"
#include "palettes/PaletteIcons.h"

#include <QCursor>
#include <QLoggingCategory>

namespace ardane {

namespace {

Q_LOGGING_CATEGORY(lcBars, "ardane.palettes.bars")

QMenu* createMenu(const QString& title, int firstId, int lastId, const ActionProvider& actions, QWidget* parent)
{
    auto* menu = new QMenu(title, parent);
    for (int id = firstId; id <= lastId; ++id) {
        if (QAction* action = actions(id))
            menu->addAction(action);
        else
            qCWarning(lcBars) << "no action for command" << id;
    }
    return menu;
}

} // namespace

void addCommandButtons(QToolBar& bar, std::span<const int> layout, const ActionProvider& actions,
                       const std::function<QWidget*(int)>& control)
{
    for (int entry : layout) {
        if (entry == kSeparator) {
            bar.addSeparator();
        } else if (entry < 0) {
            if (QWidget* w = control ? control(entry) : nullptr)
                bar.addWidget(w);
        } else if (QAction* action = actions(entry)) {
            if (action->icon().isNull())
                action->setIcon(commandIcon(entry));
            bar.addAction(action);
        } else {
            qCWarning(lcBars) << "no action for command" << entry;
        }
    }
}

QToolBar* createQuickCommandBar(const ActionProvider& actions, QWidget* parent)
{
    auto* bar = new QToolBar(QStringLiteral("Quick Command Bar"), parent);
    bar->setObjectName(QStringLiteral("QuickCommandBar"));
    bar->setIconSize(kButtonImageSize);
    bar->setAllowedAreas(Qt::AllToolBarAreas);
    bar->setMovable(true);
    bar->setFloatable(true);
    addCommandButtons(*bar, kQuickCommandBarLayout, actions);
    return bar;
}

QMenu* createDrawModeMenu(const ActionProvider& actions, QWidget* parent)
{
    return createMenu(QStringLiteral("DrawMode"), ID_DRAW_COPY_PEN, ID_DRAW_INVERT_BITWISE_XOR, actions, parent);
}

QMenu* createCaptureScaleMenu(const ActionProvider& actions, QWidget* parent)
{
    return createMenu(QStringLiteral("Capture &Screen"), ID_CAPTURE_ACTUAL, ID_CAPTURE_QUARTER, actions, parent);
}

QPoint popupPosition(QPoint cursor, int menuWidth)
{
    return {cursor.x() - menuWidth / 2, cursor.y()};
}

void popUpAtCursor(QMenu& menu)
{
    menu.exec(popupPosition(QCursor::pos(), menu.sizeHint().width()));
}

} // namespace ardane
