#pragma once
// The profile's file format: a plain INI file whose section and key names are
// written exactly as the program spells them ("GENERAL", "Recent File List"),
// which Qt's own INI format would rename or escape.

#include <QSettings>

#include <memory>

namespace ardane {

[[nodiscard]] QSettings::Format profileFormat();

// The profile: $XDG_CONFIG_HOME/Ardane/Ardane.ini.
[[nodiscard]] std::unique_ptr<QSettings> openProfile();

} // namespace ardane
