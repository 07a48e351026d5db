#pragma once
// Registering the imaging control's server once: the command line of the
// system's registration tool, run where that tool exists.

#include <QString>

namespace ardane {

// "regsvr32 /s " and the control's path beside the executable, quoted when it
// holds a space. The directory is everything up to and including the last
// separator of `executablePath`, none when there is no separator.
[[nodiscard]] QString registrationCommandLine(const QString& executablePath);

// Starts the registration without waiting when the tool is installed; the
// caller marks the registration done either way.
void startServerRegistration(const QString& executablePath);

} // namespace ardane
