#include "core/StringTable.h"

#include "core/CommandIds.h"

#include <array>

namespace ardane {

namespace {

struct Entry {
    int id;
    std::string_view text;
};

constexpr std::array kEntries{
    Entry{IDS_OLE_INIT_FAILED, "OLE initialization failed.  Make sure that the OLE libraries are the correct version."},
    Entry{IDS_INVALID_FONT_SIZE, "Invalid font size"},
    Entry{IDS_TOOLS_CAPTION, "Tools"},
    Entry{IDS_SPRAY_STYLE_CAPTION, "Spray Style"},
    Entry{IDS_BRUSH_STYLE_CAPTION, "Brush Style"},
    Entry{IDS_INSUFFICIENT_MEMORY, "Insufficient memory!"},
    Entry{IDS_NO_ASSOCIATED_IMAGE, "No associated image"},
    Entry{IDS_NO_SCANNER, "\nNo scanner detected"},
    Entry{IDS_SCAN_FAILED, "Unable to acquire image from scanner"},

    Entry{ID_INDICATOR_MEMORY, "Memory Size"},
    Entry{ID_INDICATOR_PRINT_SIZE, "Print Size"},
    Entry{ID_INDICATOR_VIEW_SCALE, "View Scale - Compression"},
    Entry{ID_INDICATOR_NUM_COLOR, "NumColor"},
    Entry{ID_INDICATOR_SIZE_PIXELS, "Size in pixels"},

    // Tool buttons.
    Entry{ID_TOOL_SELECT_RECT, "\nSelect an area of rectangle"},
    Entry{ID_TOOL_SELECT_ELLIPSE, "\nSelect an area of Ellipse/Circle"},
    Entry{ID_TOOL_SELECT_FREEHAND, "\nFree hand selection of an area"},
    Entry{ID_TOOL_TEXT, "\nCreate text object"},
    Entry{ID_TOOL_ELLIPSE, "\nCircle/Ellipse"},
    Entry{ID_TOOL_LINE, "\nLine object"},
    Entry{ID_TOOL_RECT, "\nDraw a rectangle/square"},
    Entry{ID_TOOL_PEN, "\nPen"},
    Entry{ID_TOOL_BRUSH, "\nBrush"},
    Entry{ID_TOOL_SPRAY, "\nSprayer"},
    Entry{ID_TOOL_PICK_COLOR, "\nPick a color"},
    Entry{ID_TOOL_FILL, "\nFill color"},
    Entry{ID_TOOL_SCROLL, "\nScroll image"},
    Entry{ID_TOOL_BLUR_SMALL, "\nBlur/Smooth small area"},
    Entry{ID_TOOL_BLUR_MEDIUM, "\nBlur/Smooth medium area"},
    Entry{ID_TOOL_BLUR_LARGE, "\nBlur/Smooth large area"},
    Entry{ID_TOOL_COPYPASTE_SMALL, "\nCopy/Paste small area"},
    Entry{ID_TOOL_COPYPASTE_MEDIUM, "\nCopy/Paste medium area"},
    Entry{ID_TOOL_COPYPASTE_LARGE, "\nCopy/Paste large area"},
    Entry{ID_TOOL_SHUFFLE_SMALL, "\nShuffle bits in small area"},
    Entry{ID_TOOL_SHUFFLE_MEDIUM, "\nShuffle bits in medium area"},
    Entry{ID_TOOL_SHUFFLE_LARGE, "\nShuffle bits in large area"},

    // Whole-image, capture, scanner and printing commands.
    Entry{ID_ROTATE_90, "\nRotate image 90 degree"},
    Entry{ID_ROTATE_180, "\nRotate image 180 degree"},
    Entry{ID_ROTATE_270, "\nRotate image 270 degree"},
    Entry{ID_ROTATE_SPECIFIED, "\nRotate object or image"},
    Entry{ID_ENHANCE, "\nEnhancements/effects"},
    Entry{ID_MERGE, "\nMerge objects onto image"},
    Entry{ID_FILL_ENTIRELY, "\nFill entire image with background color"},
    Entry{ID_FILL_INSIDE, "\nFill inside of selection"},
    Entry{ID_FILL_OUTSIDE, "\nFill outside of selection"},
    Entry{ID_CURVE_ADJUSTMENT, "\nAdjust by curve"},
    Entry{ID_FLAT_ADJUSTMENT, "\nAdjust by flat value"},
    Entry{ID_DETAILED_ADJUSTMENT, "\nAdjust by detailed intensity"},
    Entry{ID_CAPTURE_SCREEN, "\nCapture screen"},
    Entry{ID_ACQUIRE_SCANNER, "\nAcquire image from scanner"},
    Entry{ID_PRINT_OPTION, "How the single-image is printed on the page"},
};

QString toQString(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

} // namespace

std::string_view stringTableEntry(int id)
{
    for (const auto& e : kEntries)
        if (e.id == id)
            return e.text;
    return {};
}

QString stringTableText(int id) { return toQString(stringTableEntry(id)); }

QString promptStatusText(int id) { return stringTableText(id).section(QLatin1Char('\n'), 0, 0); }

QString promptToolTip(int id) { return stringTableText(id).section(QLatin1Char('\n'), 1); }

} // namespace ardane
