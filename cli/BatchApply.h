#pragma once
// `ardane-batch apply`: reads a picture, runs effects and transformations on
// it in the order given, and writes it as `convert` does.

#include <QStringList>
#include <QTextStream>

namespace ardane::batch {

// The command's part of the --help text, operations and ranges included.
[[nodiscard]] QString applyUsage();
// The exit status: 0 success, 1 a file or an operation failed, 2 bad usage
// (OUT is then never written).
[[nodiscard]] int runApply(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace ardane::batch
