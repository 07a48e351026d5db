#pragma once
// The few settings of the program's profile that ardane-batch follows when it
// merges drawing objects into an image, read the way the program reads them
// ($XDG_CONFIG_HOME/Ardane/Ardane.ini, an INI file with the program's own
// section and key names) without the program's settings layer.

#include <QString>

namespace ardane::batch {

struct MergeSettings {
    // The display margin the objects' view coordinates include:
    // "GENERAL"/"MARGIN_OFFSET" when "GENERAL"/"VIEW_MARGIN" is non-zero, else 0.
    int margin = 20;
    // "Preference"/"Draw_ROP2_Mode", the mix mode objects are merged with.
    int drawMode = 13;
};

// The profile's path as the program opens it.
[[nodiscard]] QString profilePath();
// The settings from the profile at `path`; defaults for a missing file or
// key, and for a value that is not a number.
[[nodiscard]] MergeSettings readMergeSettings(const QString& path);

} // namespace ardane::batch
