// The application: start-up, settings, the document template, the main frame
// and the application-level commands (new, open, recent files, About).
#pragma once

#include "app/RecentFileList.h"

#include <QObject>
#include <QStringList>

#include <memory>

class CKarvexDoc;
class CMainFrame;
class CMultiDocTemplate;
class QSettings;
class QTranslator;

class CKarvexApp : public QObject {
    Q_OBJECT
public:
    CKarvexApp();
    ~CKarvexApp() override;

    // Starts the program: settings, template, main frame, shown. A file name
    // among arguments opens nothing and no document is made, except the files
    // after "--open", each opened as File > Open would. False ends the program.
    bool InitInstance(const QStringList& arguments);

    CMainFrame* MainFrame() const { return m_pMainFrame.get(); }
    CMultiDocTemplate* DocTemplate() const { return m_pDocTemplate.get(); }
    const CRecentFileList& RecentFiles() const { return m_recentFiles; }
    int PreviewPages() const { return m_nPreviewPages; }

    // The settings store, standing in for the registry key.
    static std::unique_ptr<QSettings> OpenSettings();
    // Writes the recent-file list and the main window's size, position and
    // maximised state back.
    void SaveStdProfileSettings();

public slots:
    void OnFileNew();
    void OnFileOpen();
    void OnAppAbout();
    // Opens path as a document (or activates it when already open); nullptr on failure.
    CKarvexDoc* OpenDocumentFile(const QString& path);
    // Like OpenDocumentFile, but a file that fails to open leaves the list.
    void OpenRecentFile(const QString& path);

private:
    void LoadQtTranslations();
    void LoadStdProfileSettings();
    void RestoreWindowPlacement();
    void OnMainFrameClosing();
    void AddToRecentFileList(const QString& path);

    CRecentFileList m_recentFiles;
    int m_nPreviewPages = 0;
    std::unique_ptr<QTranslator> m_pQtTranslator;
    std::unique_ptr<QTranslator> m_pQtGapsTranslator;
    std::unique_ptr<CMultiDocTemplate> m_pDocTemplate;
    std::unique_ptr<CMainFrame> m_pMainFrame;  // destroyed before the template
};
