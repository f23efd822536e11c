#include "app/KarvexApp.h"

#include "app/AboutBox.h"
#include "app/DocTemplate.h"
#include "app/MainFrame.h"
#include "app/Strings.h"
#include "doc/qt/UserPrompts.h"

#include <QAction>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QSettings>
#include <QTranslator>

namespace {
constexpr int kRecentFileCount = 4;
}  // namespace

CKarvexApp::CKarvexApp() : m_recentFiles(kRecentFileCount) {}

CKarvexApp::~CKarvexApp()
{
    m_pMainFrame.reset();
    m_pDocTemplate.reset();
}

std::unique_ptr<QSettings> CKarvexApp::OpenSettings()
{
    return std::make_unique<QSettings>(ui::SettingsOrganisation, ui::SettingsApplication);
}

bool CKarvexApp::InitInstance(const QStringList& /*arguments: a file name opens nothing*/)
{
    QCoreApplication::setApplicationName(ui::AppName);
    QCoreApplication::setApplicationVersion(QStringLiteral(KARVEX_VERSION));
    LoadQtTranslations();
    LoadStdProfileSettings();

    m_pDocTemplate = std::make_unique<CMultiDocTemplate>();
    connect(m_pDocTemplate.get(), &CMultiDocTemplate::documentOpened, this, &CKarvexApp::AddToRecentFileList);

    m_pMainFrame = std::make_unique<CMainFrame>(m_pDocTemplate.get(), &m_recentFiles);
    const CCommands& commands = m_pMainFrame->Commands();
    connect(commands.fileNew, &QAction::triggered, this, &CKarvexApp::OnFileNew);
    connect(commands.fileOpen, &QAction::triggered, this, &CKarvexApp::OnFileOpen);
    connect(commands.appAbout, &QAction::triggered, this, &CKarvexApp::OnAppAbout);
    connect(m_pMainFrame.get(), &CMainFrame::recentFileChosen, this, &CKarvexApp::OpenRecentFile);
    connect(m_pMainFrame.get(), &CMainFrame::openFileRequested, this, &CKarvexApp::OpenDocumentFile);
    connect(m_pMainFrame.get(), &CMainFrame::closing, this, &CKarvexApp::OnMainFrameClosing);

    m_pMainFrame->resize(900, 640);
    m_pMainFrame->show();
    return true;
}

void CKarvexApp::LoadQtTranslations()
{
    // The interface is Chinese whatever the locale: Qt's own dialogs (file
    // dialogs, message box buttons) follow when its translations are installed.
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator.get());
        m_pQtTranslator = std::move(translator);
    }
}

void CKarvexApp::LoadStdProfileSettings()
{
    std::unique_ptr<QSettings> settings = OpenSettings();
    m_recentFiles.ReadList(*settings);
    m_nPreviewPages = settings->value(ui::SettingsGroup + QLatin1Char('/') + ui::PreviewPagesEntry, 0).toInt();
}

void CKarvexApp::SaveStdProfileSettings()
{
    std::unique_ptr<QSettings> settings = OpenSettings();
    m_recentFiles.WriteList(*settings);
    settings->sync();
}

void CKarvexApp::OnMainFrameClosing()
{
    // Documents are never modified, so nothing is asked.
    m_pDocTemplate->CloseAllDocuments();
    SaveStdProfileSettings();
}

void CKarvexApp::AddToRecentFileList(const QString& path)
{
    m_recentFiles.Add(path);
    if (m_pMainFrame)
        m_pMainFrame->UpdateRecentFileMenus();
}

void CKarvexApp::OnFileNew() { m_pDocTemplate->OpenNewDocument(); }

void CKarvexApp::OnFileOpen()
{
    const QString path =
        Prompts().OpenFileName({ui::OpenDialogCaption, QString(), {ui::ReadableFilter(), ui::AllFilesFilter}, QString()});
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

void CKarvexApp::OnAppAbout()
{
    CAboutBox about(m_pMainFrame.get());
    about.exec();
}

CKarvexDoc* CKarvexApp::OpenDocumentFile(const QString& path) { return m_pDocTemplate->OpenDocumentFile(path); }

void CKarvexApp::OpenRecentFile(const QString& path)
{
    if (OpenDocumentFile(path))
        return;
    m_recentFiles.Remove(path);
    m_pMainFrame->UpdateRecentFileMenus();
}
