#include "app/RecentFileList.h"

#include "app/Strings.h"

#include <QSettings>

#include <algorithm>

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

QString AbbreviatePath(const QString& path, int maxChars)
{
    if (path.size() <= maxChars)
        return path;
    const QString ellipsis = QStringLiteral("…");
    const qsizetype lastSeparator = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const QString fileName = path.mid(lastSeparator + 1);
    const QString folders = path.left(lastSeparator + 1);  // with its trailing separator

    // The first folder with its root ("/home/", "C:\\"), kept when it fits.
    qsizetype headEnd = 0;
    while (headEnd < folders.size() && (folders[headEnd] == QLatin1Char('/') || folders[headEnd] == QLatin1Char('\\')))
        ++headEnd;
    while (headEnd < folders.size() && folders[headEnd] != QLatin1Char('/') && folders[headEnd] != QLatin1Char('\\'))
        ++headEnd;
    const QString head = folders.left(std::min(headEnd + 1, folders.size()));
    const QChar separator = lastSeparator >= 0 ? path[lastSeparator] : QLatin1Char('/');

    QString tail = fileName;
    if (head.size() + ellipsis.size() + 1 + tail.size() <= maxChars) {
        // Add the last folders, one at a time, while they fit.
        qsizetype end = lastSeparator;
        while (end > head.size()) {
            const qsizetype start = std::max(folders.lastIndexOf(QLatin1Char('/'), end - 1),
                                             folders.lastIndexOf(QLatin1Char('\\'), end - 1));
            const QString longer = path.mid(start + 1, lastSeparator - start) + fileName;
            if (start < head.size() - 1 || head.size() + ellipsis.size() + 1 + longer.size() > maxChars)
                break;
            tail = longer;
            end = start;
        }
        return head + ellipsis + separator + tail;
    }
    if (ellipsis.size() + 1 + fileName.size() <= maxChars)
        return ellipsis + separator + fileName;
    // The file name alone is too long: keep its start and its end.
    const qsizetype keep = std::max<qsizetype>(maxChars - ellipsis.size(), 2);
    return fileName.left(keep - keep / 2) + ellipsis + fileName.right(keep / 2);
}
