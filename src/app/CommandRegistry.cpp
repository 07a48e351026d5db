#include "app/CommandRegistry.h"

#include "core/StringTable.h"

#include <QAction>
#include <QMenu>

namespace ardane {

CommandRegistry::CommandRegistry(CommandRouter::Chain chain, QObject* parent)
    : QObject(parent), m_router(std::move(chain))
{
    m_idle.setInterval(250);
    connect(&m_idle, &QTimer::timeout, this, &CommandRegistry::updateAll);
    m_idle.start();
}

QAction* CommandRegistry::action(int id)
{
    if (const auto it = m_actions.find(id); it != m_actions.end())
        return it->second;
    auto* a = new QAction(this); // owned by the registry
    a->setData(id);
    connect(a, &QAction::triggered, this, [this, id, a] {
        execute(id);
        if (m_actions.count(id))
            apply(id, a); // a check item shows its new state at once
    });
    m_actions.emplace(id, a);
    giveIcon(id, a);
    // A command with a prompt in the string table shows it in the status bar
    // and as its button's tooltip.
    if (const QString status = promptStatusText(id); !status.isEmpty())
        a->setStatusTip(status);
    if (const QString tip = promptToolTip(id); !tip.isEmpty())
        a->setToolTip(tip);
    return a;
}

void CommandRegistry::setIconSource(std::function<QIcon(int)> source)
{
    m_icons = std::move(source);
    for (const auto& [id, a] : m_actions)
        giveIcon(id, a);
}

void CommandRegistry::giveIcon(int id, QAction* a) const
{
    if (m_icons && a->icon().isNull())
        a->setIcon(m_icons(id));
}

QAction* CommandRegistry::addTo(QMenu* menu, int id, const QString& text)
{
    QAction* a = action(id);
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    if (tab >= 0) {
        a->setText(text.left(tab));
        a->setShortcut(QKeySequence(text.mid(tab + 1)));
    } else {
        a->setText(text);
    }
    menu->addAction(a);
    watch(menu);
    return a;
}

void CommandRegistry::watch(QMenu* menu)
{
    if (menu->property("ardaneWatched").toBool())
        return;
    menu->setProperty("ardaneWatched", true);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { updateMenu(menu); });
}

void CommandRegistry::apply(int id, QAction* a) const
{
    const CommandState s = m_router.state(id);
    a->setEnabled(s.enabled);
    if (s.checked) {
        a->setCheckable(true);
        a->setChecked(*s.checked);
    } else if (a->isCheckable()) {
        a->setChecked(false);
    }
}

void CommandRegistry::updateAll()
{
    for (const auto& [id, a] : m_actions)
        apply(id, a);
}

void CommandRegistry::updateMenu(QMenu* menu)
{
    for (QAction* a : menu->actions()) {
        bool ok = false;
        const int id = a->data().toInt(&ok);
        if (ok && !a->menu() && m_actions.count(id))
            apply(id, a);
    }
}

} // namespace ardane
