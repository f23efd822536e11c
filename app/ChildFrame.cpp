#include "app/ChildFrame.h"

#include "app/AppIcons.h"
#include "view/KarvexView.h"

#include <QAction>
#include <QKeySequence>
#include <QMdiArea>

CChildFrame::CChildFrame(CKarvexView* view, QWidget* parent) : QMdiSubWindow(parent), m_pView(view)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(DocumentIcon());
    setWidget(view);
    // Qt gives every sub-window's Close its own Ctrl+F4 (and Ctrl+W); several
    // windows claiming one key make it do nothing. The main window's Ctrl+F4
    // closes the active one; the menu still names the key.
    for (QAction* action : actions()) {
        if (action->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_F4))) {
            action->setShortcuts({});
            action->setText(action->text() + QStringLiteral("\tCtrl+F4"));
        }
    }
}

void CChildFrame::ActivateFrame(int /*nCmdShow*/)
{
    showMaximized();
    if (QMdiArea* area = mdiArea())
        area->setActiveSubWindow(this);
    if (m_pView)
        m_pView->setFocus();
}
