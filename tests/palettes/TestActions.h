#pragma once
// Stands in for the main frame's command registry: one action per id, made
// on first request, named after its id.

#include <QAction>
#include <QObject>

#include <map>

class TestActions {
public:
    QAction* operator()(int id)
    {
        auto& action = m_actions[id];
        if (!action) {
            action = new QAction(QStringLiteral("cmd %1").arg(id), &m_owner);
            action->setData(id);
        }
        return action;
    }

private:
    QObject m_owner;
    std::map<int, QAction*> m_actions;
};
