#pragma once
// The recent-file list: the last four files opened or saved, newest first,
// kept in the profile's "Recent File List" section as File1..File4.

#include <QString>
#include <QStringList>

class QSettings;

namespace ardane {

class RecentFileList {
public:
    static constexpr int kSize = 4;

    void add(const QString& path);
    void remove(const QString& path);
    [[nodiscard]] const QStringList& files() const { return m_files; }

    void read(QSettings& profile);
    void write(QSettings& profile) const;

private:
    QStringList m_files;
};

} // namespace ardane
