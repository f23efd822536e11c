// The recent-file list: at most a few paths, newest first, kept in the settings.
#pragma once

#include <QString>
#include <QStringList>

class QSettings;

class CRecentFileList {
public:
    explicit CRecentFileList(int maxSize) : m_nMaxSize(maxSize) {}

    // Puts path first, dropping an older entry for the same path and the oldest beyond the limit.
    void Add(const QString& path);
    void Remove(const QString& path);
    const QStringList& Files() const { return m_files; }
    int MaxSize() const { return m_nMaxSize; }

    // Values "File1" (newest) to "File<max>" in the group "Recent File List".
    void ReadList(QSettings& settings);
    void WriteList(QSettings& settings) const;

private:
    int m_nMaxSize;
    QStringList m_files;
};

// path shortened in the middle to at most maxChars characters, as a menu
// shows it: the first folder, "…", as many of the last folders as fit and the
// file name ("/home/…/maps/plan.rgm"); a file name too long by itself loses
// its middle too.
QString AbbreviatePath(const QString& path, int maxChars);
