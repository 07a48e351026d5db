#include "app/CursorTable.h"

#include <QPixmap>

#include <array>

namespace ardane {

namespace {
struct CursorResource {
    const char* name;
    int hotX;
    int hotY;
};
// Indexes 1..18; the hot spot is where the cursor acts.
constexpr std::array<CursorResource, 18> kResources{{
    {"CURSORNE", 15, 15}, {"CURSORNW", 15, 15}, {"CURSOREW", 15, 15}, {"CURSORNS", 15, 15},
    {"CURSORNSEW", 15, 15}, {"CURSORCROSS", 15, 15}, {"CURSORPC", 2, 29}, {"CURSORSPRAY", 5, 5},
    {"CURSORPEN", 1, 30}, {"CURSORFILL", 2, 24}, {"CURSORHAND", 15, 15}, {"FINGER", 14, 1},
    {"CURSORSC1", 15, 15}, {"CURSORSC2", 15, 15}, {"CURSORSC3", 15, 15},
    {"CURSORSM1", 15, 15}, {"CURSORSM2", 15, 15}, {"CURSORSM3", 15, 15},
}};
} // namespace

bool CursorTable::load()
{
    std::vector<QCursor> cursors;
    cursors.reserve(kCount);
    cursors.emplace_back(Qt::ArrowCursor);
    for (const auto& r : kResources) {
        const QPixmap pixmap(QStringLiteral(":/cursors/%1.png").arg(QLatin1String(r.name)));
        if (pixmap.isNull())
            return false;
        cursors.emplace_back(pixmap, r.hotX, r.hotY);
    }
    m_cursors = std::move(cursors);
    return true;
}

const QCursor& CursorTable::cursorNamed(std::string_view name) const
{
    for (std::size_t i = 0; i < kResources.size(); ++i)
        if (!name.empty() && name == kResources[i].name)
            return cursor(int(i) + 1);
    return cursor(0);
}

const QCursor& CursorTable::cursor(int index) const
{
    static const QCursor arrow(Qt::ArrowCursor);
    if (index < 0 || std::size_t(index) >= m_cursors.size())
        return arrow;
    return m_cursors[std::size_t(index)];
}

} // namespace ardane
