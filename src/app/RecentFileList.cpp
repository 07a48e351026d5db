#include "app/RecentFileList.h"

#include <QFileInfo>
#include <QSettings>

namespace ardane {

namespace {
const QString kSection = QStringLiteral("Recent File List");
}

void RecentFileList::add(const QString& path)
{
    const QString full = QFileInfo(path).absoluteFilePath();
    m_files.removeAll(full);
    m_files.prepend(full);
    while (m_files.size() > kSize)
        m_files.removeLast();
}

void RecentFileList::remove(const QString& path)
{
    m_files.removeAll(QFileInfo(path).absoluteFilePath());
}

void RecentFileList::read(QSettings& profile)
{
    m_files.clear();
    profile.beginGroup(kSection);
    for (int i = 1; i <= kSize; ++i) {
        const QString file = profile.value(QStringLiteral("File%1").arg(i)).toString();
        if (!file.isEmpty() && !m_files.contains(file))
            m_files.append(file);
    }
    profile.endGroup();
}

void RecentFileList::write(QSettings& profile) const
{
    profile.beginGroup(kSection);
    for (int i = 1; i <= kSize; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (i <= m_files.size())
            profile.setValue(key, m_files[i - 1]);
        else
            profile.remove(key);
    }
    profile.endGroup();
}

} // namespace ardane
