#pragma once
// The tool cursors, loaded once at start-up in the order the views index them:
// 0 the arrow, then the program's own cursors.

#include <QCursor>

#include <string_view>
#include <vector>

namespace ardane {

class CursorTable {
public:
    static constexpr int kCount = 19;
    // Loads every cursor; false (and an empty table) when one is missing.
    bool load();
    [[nodiscard]] bool isLoaded() const { return !m_cursors.empty(); }
    [[nodiscard]] const QCursor& cursor(int index) const;
    // The cursor loaded from a resource name; the arrow for other names.
    [[nodiscard]] const QCursor& cursorNamed(std::string_view name) const;
    void clear() { m_cursors.clear(); }

private:
    std::vector<QCursor> m_cursors;
};

} // namespace ardane
