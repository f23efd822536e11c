#include "app/Commands.h"

#include "app/Strings.h"

#include <QAction>
#include <QKeySequence>

namespace {

QAction* MakeAction(QObject* owner, const QString& text, const QString& prompt, const QKeySequence& keys = {})
{
    auto* action = new QAction(text, owner);
    action->setStatusTip(prompt);
    if (!keys.isEmpty()) {
        action->setShortcut(keys);
        action->setShortcutVisibleInContextMenu(true);
    }
    return action;
}

}  // namespace

QList<QAction*> CCommands::WithShortcuts() const
{
    return QList<QAction*>{fileNew, fileOpen, fileSave, viewFitToWindow, windowClose, windowNext, windowPrev} +
           deadKeys;
}

CCommands CreateCommands(QObject* owner)
{
    CCommands c;
    c.fileNew = MakeAction(owner, QString(), ui::PromptNew, QKeySequence(Qt::CTRL | Qt::Key_N));
    c.fileOpen = MakeAction(owner, ui::ItemOpen, ui::PromptOpen, QKeySequence(Qt::CTRL | Qt::Key_O));
    c.fileSave = MakeAction(owner, ui::ItemSave, ui::PromptSave, QKeySequence(Qt::CTRL | Qt::Key_S));
    c.recentPlaceholder = MakeAction(owner, ui::ItemRecentPlaceholder, ui::PromptRecent);
    c.recentPlaceholder->setEnabled(false);
    c.appExit = MakeAction(owner, ui::ItemExit, ui::PromptExit);
    c.viewStatusBar = MakeAction(owner, ui::ItemStatusBar, ui::PromptStatusBar);
    c.viewStatusBar->setCheckable(true);
    c.viewStatusBar->setChecked(true);
    c.viewColors = MakeAction(owner, ui::ItemColors, ui::PromptColors);
    c.viewFitToWindow =
        MakeAction(owner, ui::ItemFitToWindow, ui::PromptFitToWindow, QKeySequence(Qt::CTRL | Qt::Key_0));
    c.windowClose = MakeAction(owner, QString(), ui::PromptCloseWindow, QKeySequence(Qt::CTRL | Qt::Key_F4));
    c.windowNext = MakeAction(owner, QString(), ui::PromptNextWindow, QKeySequence(Qt::CTRL | Qt::Key_F6));
    c.windowPrev =
        MakeAction(owner, QString(), ui::PromptPrevWindow, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F6));
    c.windowNew = MakeAction(owner, ui::ItemWindowNew, ui::PromptWindowNew);
    c.windowCascade = MakeAction(owner, ui::ItemCascade, ui::PromptCascade);
    c.windowTile = MakeAction(owner, ui::ItemTile, ui::PromptTile);
    c.windowArrange = MakeAction(owner, ui::ItemArrange, ui::PromptArrange);
    c.appAbout = MakeAction(owner, ui::ItemAbout, ui::PromptAbout);

    const QKeySequence deadKeys[] = {
        QKeySequence(Qt::CTRL | Qt::Key_Z),      QKeySequence(Qt::ALT | Qt::Key_Backspace),
        QKeySequence(Qt::CTRL | Qt::Key_X),      QKeySequence(Qt::SHIFT | Qt::Key_Delete),
        QKeySequence(Qt::CTRL | Qt::Key_C),      QKeySequence(Qt::CTRL | Qt::Key_Insert),
        QKeySequence(Qt::CTRL | Qt::Key_V),      QKeySequence(Qt::SHIFT | Qt::Key_Insert),
        QKeySequence(Qt::Key_F6),                QKeySequence(Qt::SHIFT | Qt::Key_F6),
    };
    for (const QKeySequence& keys : deadKeys)
        c.deadKeys.append(MakeAction(owner, QString(), QString(), keys));
    return c;
}
