#include "core/ProfileFormat.h"

#include <QIODevice>

#include <map>

namespace ardane {

namespace {

bool readProfile(QIODevice& device, QSettings::SettingsMap& map)
{
    QString section;
    while (!device.atEnd()) {
        const QString line = QString::fromUtf8(device.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue; // not a setting: ignored
        const QString key = line.left(eq).trimmed();
        map.insert(section.isEmpty() ? key : section + QLatin1Char('/') + key, line.mid(eq + 1).trimmed());
    }
    return true;
}

bool writeProfile(QIODevice& device, const QSettings::SettingsMap& map)
{
    // Sections in the order of their names; keys as Qt sorts them.
    std::map<QString, std::vector<std::pair<QString, QString>>> sections;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const qsizetype slash = it.key().indexOf(QLatin1Char('/'));
        const QString section = slash < 0 ? QString() : it.key().left(slash);
        const QString key = slash < 0 ? it.key() : it.key().mid(slash + 1);
        sections[section].emplace_back(key, it.value().toString());
    }
    QByteArray out;
    for (const auto& [section, entries] : sections) {
        if (!section.isEmpty())
            out += '[' + section.toUtf8() + "]\n";
        for (const auto& [key, value] : entries)
            out += key.toUtf8() + '=' + value.toUtf8() + '\n';
        out += '\n';
    }
    return device.write(out) == out.size();
}

} // namespace

QSettings::Format profileFormat()
{
    static const QSettings::Format format = QSettings::registerFormat(QStringLiteral("ini"), readProfile, writeProfile);
    return format;
}

std::unique_ptr<QSettings> openProfile()
{
    return std::make_unique<QSettings>(profileFormat(), QSettings::UserScope, QStringLiteral("Ardane"),
                                       QStringLiteral("Ardane"));
}

} // namespace ardane
