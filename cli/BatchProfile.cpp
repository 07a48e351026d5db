#include "BatchProfile.h"

#include <QFile>
#include <QHash>
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
    // The lines as the program parses them: trimmed, ';' and '#' comments,
    // "[section]" headers, "key=value" settings, anything else ignored;
    // a key given twice keeps its last value.
    QHash<QString, QString> values;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        QString section;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
                continue;
            if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
                section = line.mid(1, line.size() - 2);
                continue;
            }
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq <= 0)
                continue;
            values.insert(section + QLatin1Char('/') + line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
        }
    }
    const auto number = [&values](const char* key, qint64 fallback) {
        bool ok = false;
        const qint64 v = values.value(QLatin1String(key)).toLongLong(&ok);
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
