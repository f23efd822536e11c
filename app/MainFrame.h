// The main window: the child windows of the open documents, the two menu
// sets (no document / a document window active), and the status bar with the
// cursor read-out that a 100 ms timer refreshes.
#pragma once

#include "app/Commands.h"
#include "app/LockKeys.h"

#include <QMainWindow>
#include <QStringList>
#include <QTimer>

class CChildFrame;
class CKarvexDoc;
class CMultiDocTemplate;
class CRecentFileList;
class QLabel;
class QMdiArea;
class QMenu;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame(CMultiDocTemplate* docTemplate, const CRecentFileList* recentFiles, QWidget* parent = nullptr);
    ~CMainFrame() override;

    QMdiArea* MdiArea() const { return m_pMdiArea; }
    const CCommands& Commands() const { return m_commands; }
    // The active child window and its document, or nullptr.
    CChildFrame* ActiveChildFrame() const;
    CKarvexDoc* ActiveDocument() const;
    // True while the menus for a document window (menu 129) are shown.
    bool ShowsDocumentMenus() const { return m_bDocumentMenus; }

    // One timer tick for a cursor at globalPos (screen coordinates): repaints
    // the active view and writes x, y and the colour under the cursor.
    void Tick(QPoint globalPos);
    // The texts of status-bar panes 0 to 8 (8: map coordinates under the cursor).
    QString PaneText(int pane) const;
    // The status-bar pane itself (for its look: enabled, tool tip).
    const QLabel* Pane(int pane) const { return pane >= 0 && pane < m_panes.size() ? m_panes[pane] : nullptr; }
    // Lights the lock-key panes whose key is on; unknown ones are greyed with a tool tip.
    void ShowLockKeys(const LockKeyState& state);
    // Window → Cascade: the document windows almost as large as the client
    // area, each one title bar below and right of the previous one.
    void CascadeChildFrames();

    // Rebuilds the recent-file entries of the File menus.
    void UpdateRecentFileMenus();

signals:
    void openFileRequested(const QString& path);   // a dropped file
    void recentFileChosen(const QString& path);
    void closing();                                 // before the main window closes

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateStatusBar();
    void CreateMenus();
    void ConnectCommands();
    void FillFileMenu(QMenu* menu, bool withSave);
    void FillWindowMenu();
    void OnActiveChildChanged();
    void UpdateTitle();

    CMultiDocTemplate* m_pDocTemplate;
    const CRecentFileList* m_pRecentFiles;
    QMdiArea* m_pMdiArea;
    CCommands m_commands;
    QMenu* m_pFileMenuEmpty = nullptr;   // menu 128's
    QMenu* m_pFileMenuDoc = nullptr;     // menu 129's
    QMenu* m_pViewMenuEmpty = nullptr;
    QMenu* m_pViewMenuDoc = nullptr;
    QMenu* m_pWindowMenu = nullptr;
    QMenu* m_pHelpMenu = nullptr;
    bool m_bDocumentMenus = false;
    bool m_bSettingTitle = false;
    QList<QLabel*> m_panes;
    QTimer m_timer;
};
