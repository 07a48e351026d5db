#pragma once
// What the commands that read one picture and write one share: the output
// options (--format, --bits, --palette, --dither, --quality), reading IN the
// way `convert` reads it (layered files merged) and writing OUT the way it
// writes it. Each prints its own errors, prefixed with the command's name.

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <cstdint>
#include <functional>
#include <optional>

namespace ardane::imaging {
class ImagingControl;
struct FormatInfo;
} // namespace ardane::imaging

namespace ardane::batch {

// The message text of a result code.
[[nodiscard]] QString message(std::uint16_t code);

struct OutputOptions {
    std::optional<QString> formatText;
    int bits = 0;    // 0: the picture's own depth, or the nearest the format holds
    int palette = 1; // fixed
    int dither = 0;  // none
    int quality = -1;
};

enum class OptionStatus { Taken, Unknown, Invalid };

// A command's own options beside the output ones: called with an option the
// output options do not know and its value; Invalid after printing an error.
using ExtraOption = std::function<OptionStatus(const QString& option, const QString& value)>;

// Splits `args` into words and `--option value` pairs. False, after printing
// the error, for an option without a value, a bad value or an unknown option.
[[nodiscard]] bool parseCommandLine(const QString& command, const QStringList& args, OutputOptions& options,
                                    QStringList& words, const ExtraOption& extra, QTextStream& err);

// Where and how OUT is written, decided before anything is read.
struct OutputTarget {
    bool layered = false;
    const imaging::FormatInfo* format = nullptr;
};
[[nodiscard]] std::optional<OutputTarget> outputTarget(const QString& command, const QString& outPath,
                                                       const OutputOptions& options, QTextStream& err);

// Reads IN into the control (a layered file with its objects merged); false
// after printing the error.
[[nodiscard]] bool readInput(const QString& in, imaging::ImagingControl& control, QTextStream& err);

// Converts the depth as asked and writes OUT; the exit status (0 or 1).
[[nodiscard]] int writeOutput(const QString& in, const QString& outPath, const OutputTarget& target,
                              const OutputOptions& options, imaging::ImagingControl& control, QTextStream& err);

} // namespace ardane::batch
