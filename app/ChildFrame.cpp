#include "app/ChildFrame.h"

#include "app/AppIcons.h"
#include "view/KarvexView.h"

#include <QMdiArea>

CChildFrame::CChildFrame(CKarvexView* view, QWidget* parent) : QMdiSubWindow(parent), m_pView(view)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(DocumentIcon());
    setWidget(view);
}

void CChildFrame::ActivateFrame(int /*nCmdShow*/)
{
    showMaximized();
    if (QMdiArea* area = mdiArea())
        area->setActiveSubWindow(this);
    if (m_pView)
        m_pView->setFocus();
}
