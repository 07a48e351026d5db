#pragma once
// What the commands that write a picture share: the output options
// (--format, --bits, --palette, --dither, --quality), the output format told
// from them or from the file's extension, and the writing itself.

#include "imaging/FileFormat.h"
#include "imaging/ImagingControl.h"
#include "imaging/ResultCodes.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>

namespace ardane::batch {

struct OutputOptions {
    std::optional<QString> formatText; // --format as given
    int bits = 0;                      // 0: the picture's own depth
    int palette = 1;                   // fixed
    int dither = 0;                    // none
    int quality = -1;                  // the codec's default
};

// Where and how a picture is written: an imaging format, or the layered one.
struct OutputTarget {
    const imaging::FormatInfo* format = nullptr;
    bool layered = false;
};

// The message text of a result code.
[[nodiscard]] QString message(imaging::Result code);

// Splits `args` into the arguments that are not options (in order) and the
// output options. False, with "COMMAND: ..." on `err`, for an unknown option,
// a missing value or a value out of range.
[[nodiscard]] bool parseOutputOptions(const QStringList& args, const char* command, QStringList& positional,
                                      OutputOptions& options, QTextStream& err);

// The format `path` is written in: --format, else the extension. Nothing,
// with "COMMAND: cannot tell the output format ..." on `err`, when neither
// names one.
[[nodiscard]] std::optional<OutputTarget> outputTarget(const QString& path, const OutputOptions& options,
                                                       const char* command, QTextStream& err);

// Converts the control's picture to --bits when given and writes it to
// `path`. 0 on success; 1, with the error on `err` (named by `source` for a
// failed conversion, by `path` for a failed write), otherwise.
[[nodiscard]] int writeOutput(imaging::ImagingControl& control, const QString& source, const QString& path,
                              const OutputTarget& target, const OutputOptions& options, QTextStream& err);

} // namespace ardane::batch
