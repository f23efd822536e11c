// Every command of the program as a QAction, with its text, shortcut and
// status-bar prompt, created in one place. Menus are built from these.
#pragma once

#include <QList>

class QAction;
class QObject;

struct CCommands {
    QAction* fileNew = nullptr;        // Ctrl+N, no menu item
    QAction* fileOpen = nullptr;
    QAction* fileSave = nullptr;
    QAction* recentPlaceholder = nullptr;  // greyed "最近文件" while the list is empty
    QAction* appExit = nullptr;
    QAction* viewStatusBar = nullptr;  // checkable
    QAction* viewColors = nullptr;
    QAction* viewFitToWindow = nullptr;  // Ctrl+0
    QAction* windowNew = nullptr;
    QAction* windowCascade = nullptr;
    QAction* windowTile = nullptr;
    QAction* windowArrange = nullptr;
    QAction* appAbout = nullptr;
    // The platform's keys of every multiple-document program, no menu item:
    // Ctrl+F4 closes the active document window, Ctrl+F6 and Ctrl+Shift+F6
    // go to the next and previous one.
    QAction* windowClose = nullptr;
    QAction* windowNext = nullptr;
    QAction* windowPrev = nullptr;
    // Edit and pane keys of the accelerator table: bound to nothing, so they do nothing.
    QList<QAction*> deadKeys;

    // Every action that carries a shortcut, to be added to the main window.
    QList<QAction*> WithShortcuts() const;
};

CCommands CreateCommands(QObject* owner);
