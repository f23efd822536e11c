#include "app/RecentFileList.h"

#include "app/Strings.h"

#include <QSettings>

void CRecentFileList::Add(const QString& path)
{
    m_files.removeAll(path);
    m_files.prepend(path);
    while (m_files.size() > m_nMaxSize)
        m_files.removeLast();
}

void CRecentFileList::Remove(const QString& path) { m_files.removeAll(path); }

void CRecentFileList::ReadList(QSettings& settings)
{
    m_files.clear();
    settings.beginGroup(ui::RecentFileGroup);
    for (int i = 1; i <= m_nMaxSize; ++i) {
        const QString path = settings.value(ui::RecentFileEntry.arg(i)).toString();
        if (!path.isEmpty() && !m_files.contains(path))
            m_files.append(path);
    }
    settings.endGroup();
}

void CRecentFileList::WriteList(QSettings& settings) const
{
    settings.beginGroup(ui::RecentFileGroup);
    for (int i = 1; i <= m_nMaxSize; ++i) {
        const QString key = ui::RecentFileEntry.arg(i);
        if (i <= m_files.size())
            settings.setValue(key, m_files[i - 1]);
        else
            settings.remove(key);
    }
    settings.endGroup();
}
