#include "BatchProfile.h"

#include "core/ProfileFormat.h"

#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace ardane::batch {

namespace {

// Object coordinates are kept within 2^20 of the origin; a margin beyond
// that places every object outside the image anyway.
constexpr qint64 kMarginLimit = 1 << 20;

} // namespace

QString profilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
         + QStringLiteral("/Ardane/Ardane.ini");
}

MergeSettings readMergeSettings(const QString& path)
{
    // Read with the program's own profile format: its section and key
    // names as written, comments and stray lines ignored.
    const QSettings profile(path, profileFormat());
    const auto number = [&profile](const char* key, qint64 fallback) {
        bool ok = false;
        const qint64 v = profile.value(QLatin1String(key)).toLongLong(&ok);
        return ok ? v : fallback;
    };
    MergeSettings s;
    // The program keeps these in 32-bit fields.
    const int shown = int(number("GENERAL/VIEW_MARGIN", 1));
    const qint64 width = qint64(int(number("GENERAL/MARGIN_OFFSET", 20)));
    s.margin = shown ? int(std::clamp(width, -kMarginLimit, kMarginLimit)) : 0;
    s.drawMode = int(number("Preference/Draw_ROP2_Mode", 13));
    return s;
}

} // namespace ardane::batch
