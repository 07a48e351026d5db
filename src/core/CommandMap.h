#pragma once
// One command target's table of handlers: what a command id does and, when it
// has one, its update rule (enabled, checked). Views, documents, frames and the
// application each own one; the router asks them in order.

#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

namespace ardane {

struct CommandState {
    bool enabled = true;
    std::optional<bool> checked; // empty: the item is not a check item
    friend bool operator==(const CommandState&, const CommandState&) = default;
};

class CommandMap {
public:
    using Handler = std::function<void()>;
    using Updater = std::function<void(CommandState&)>;

    struct Entry {
        Handler run;
        Updater update; // may be empty: the item is then only ever enabled
    };

    void on(int id, Handler run, Updater update = {})
    {
        m_entries[id] = Entry{std::move(run), std::move(update)};
    }

    // A contiguous range of ids sharing one handler that receives the id.
    void onRange(int first, int last, std::function<void(int)> run,
                 std::function<void(int, CommandState&)> update = {})
    {
        for (int id = first; id <= last; ++id) {
            Updater u;
            if (update)
                u = [update, id](CommandState& s) { update(id, s); };
            m_entries[id] = Entry{[run, id] { run(id); }, std::move(u)};
        }
    }

    void remove(int id) { m_entries.erase(id); }

    [[nodiscard]] const Entry* find(int id) const
    {
        const auto it = m_entries.find(id);
        return it == m_entries.end() ? nullptr : &it->second;
    }

private:
    std::unordered_map<int, Entry> m_entries;
};

// Asks a chain of command maps, first to last; the first map that knows the id
// handles it. An id that nobody handles is disabled.
class CommandRouter {
public:
    using Chain = std::function<std::vector<const CommandMap*>()>;

    explicit CommandRouter(Chain chain) : m_chain(std::move(chain)) {}

    bool execute(int id) const
    {
        for (const CommandMap* map : m_chain()) {
            if (!map)
                continue;
            if (const auto* entry = map->find(id)) {
                // Copy: the handler may close the window that owns the map.
                const CommandMap::Handler run = entry->run;
                if (run)
                    run();
                return true;
            }
        }
        return false;
    }

    [[nodiscard]] CommandState state(int id) const
    {
        for (const CommandMap* map : m_chain()) {
            if (!map)
                continue;
            if (const auto* entry = map->find(id)) {
                CommandState s;
                if (entry->update)
                    entry->update(s);
                return s;
            }
        }
        return CommandState{false, std::nullopt};
    }

private:
    Chain m_chain;
};

} // namespace ardane
