#pragma once
// One QAction per command id. Triggering an action routes its id; the update
// rules run when a menu opens and on an idle timer (for toolbar buttons).

#include "core/CommandMap.h"

#include <QIcon>
#include <QObject>
#include <QTimer>

#include <functional>
#include <map>

class QAction;
class QMenu;

namespace ardane {

class CommandRegistry : public QObject {
    Q_OBJECT
public:
    explicit CommandRegistry(CommandRouter::Chain chain, QObject* parent = nullptr);

    // The action of an id, created on demand; palettes and toolbars build
    // their buttons from it.
    [[nodiscard]] QAction* action(int id);
    // Adds an action for `id` labelled `text` ("&Save\tCtrl+S": the part after
    // the tab is the shortcut) to a menu, which updates its items when it opens.
    QAction* addTo(QMenu* menu, int id, const QString& text);
    void watch(QMenu* menu);
    // Gives every action, made before or after, the image of its command
    // unless it has one already.
    void setIconSource(std::function<QIcon(int id)> source);

    bool execute(int id) const { return m_router.execute(id); }
    [[nodiscard]] CommandState state(int id) const { return m_router.state(id); }

    // Runs the update rule of every action (the idle pass).
    void updateAll();
    void updateMenu(QMenu* menu);

private:
    void apply(int id, QAction* action) const;
    void giveIcon(int id, QAction* action) const;

    CommandRouter m_router;
    std::map<int, QAction*> m_actions;
    std::function<QIcon(int)> m_icons;
    QTimer m_idle;
};

} // namespace ardane
