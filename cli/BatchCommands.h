#pragma once
// The commands of ardane-batch, kept apart from main() so that they read
// their arguments from a list and write to given streams.

#include <QStringList>
#include <QTextStream>

namespace ardane::batch {

[[nodiscard]] QString usage();
// True when an argument names a layered file: its text objects need fonts,
// and so an application object with a font database.
[[nodiscard]] bool needsFonts(const QStringList& args);
// Each returns the process exit status: 0 success, 1 a file failed, 2 bad usage.
[[nodiscard]] int runInfo(const QStringList& files, QTextStream& out, QTextStream& err);
[[nodiscard]] int runConvert(const QStringList& args, QTextStream& out, QTextStream& err);
[[nodiscard]] int run(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace ardane::batch
