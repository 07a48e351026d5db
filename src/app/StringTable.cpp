#include "StringTable.h"

#include "CommandIds.h"

#include <array>
#include <utility>

namespace ardane {

namespace {
struct Entry {
    int id;
    const char* text;
};
constexpr std::array kEntries{
    Entry{IDS_OLE_INIT_FAILED, "OLE initialization failed.  Make sure that the OLE libraries are the correct version."},
    Entry{ID_INDICATOR_MEMORY, "Memory Size"},
    Entry{ID_INDICATOR_PRINT_SIZE, "Print Size"},
    Entry{ID_INDICATOR_VIEW_SCALE, "View Scale - Compression"},
    Entry{ID_INDICATOR_NUM_COLOR, "NumColor"},
    Entry{ID_INDICATOR_SIZE_PIXELS, "Size in pixels"},
};
} // namespace

QString stringTableText(int id)
{
    for (const auto& e : kEntries)
        if (e.id == id)
            return QString::fromUtf8(e.text);
    return {};
}

} // namespace ardane
