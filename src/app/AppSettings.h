#pragma once
// Every integer setting of the application's profile, with its default, and
// reading and writing them in the profile's sections and keys.

#include "core/PaintSettings.h"
#include "palettes/PaletteLayout.h"
#include "doc/CArdaneDoc.h"
#include "view/DisplayPrefs.h"

#include <QString>

#include <functional>
#include <vector>

class QSettings;

namespace ardane {

struct AppSettings {
    DisplayPrefs display;          // VIEW_MARGIN, MARGIN_OFFSET, VIEW_BG, DITHER_MODE, PAINT_PALETTE
    int defaultDocX = 320;         // "GENERAL"/"DEFAULTDOC_X"
    int defaultDocY = 200;         // "GENERAL"/"DEFAULTDOC_Y"
    int registerOcx = 0;           // "GENERAL"/"Register_OCX"
    int unitMeasure = 2;           // "GENERAL"/"UNIT_MEASURE"
    PaletteLayout palettes;
    doc::ColorReduction reduction; // "Preference"/"CRP_FLAG", "CRD_FLAG"
    int pageOffsetX = 100;         // "Preference"/"PAGE_OFFSETCX"
    int pageOffsetY = 100;         // "Preference"/"PAGE_OFFSETCY"
    PaintSettings paint;
    int previewPages = 0;          // "Settings"/"PreviewPages"
};

// One profile entry bound to its field.
struct SettingBinding {
    QString section;
    QString key;
    std::function<qint64()> get;
    std::function<void(qint64)> set;
};

// Every entry, in the order they are read and written.
[[nodiscard]] std::vector<SettingBinding> settingBindings(AppSettings& settings);

// Reads every entry; a missing or unreadable value keeps the field's value.
void readSettings(QSettings& profile, AppSettings& settings);
// Writes every entry. Palette positions are written less the decoration
// offset between a palette's frame and its position (zero where both are the
// same, as with Qt's frame geometry).
void writeSettings(QSettings& profile, AppSettings settings, int edgeWidth = 0, int captionHeight = 0);

} // namespace ardane
