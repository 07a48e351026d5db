#pragma once
// ardane-batch split and merge: a picture taken apart into the grey planes
// of a colour model, one PNG file each, and planes put back together.

#include <QStringList>
#include <QTextStream>

#include <optional>

namespace ardane::batch {

// The model code of a name (rgb, cmyk, hsv, hls, cmy; any case).
[[nodiscard]] std::optional<int> planeModelByName(const QString& name);

// split IN MODEL PREFIX: writes PREFIX0.png, PREFIX1.png, ... (8-bit grey).
[[nodiscard]] int runSplit(const QStringList& args, QTextStream& out, QTextStream& err);
// merge MODEL OUT PLANE... [output options of convert]
[[nodiscard]] int runMerge(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace ardane::batch
