#include "view/KarvexView.h"

#include "doc/qt/KarvexDoc.h"

#include <QScrollBar>

int g_bTimerRepaint = 1;

CKarvexView::CKarvexView(CKarvexDoc* doc, QWidget* parent) : QAbstractScrollArea(parent), m_pDocument(doc)
{
    connect(doc, &CKarvexDoc::viewsNeedUpdate, this, &CKarvexView::OnUpdate);
}

CKarvexView::~CKarvexView() = default;

void CKarvexView::OnInitialUpdate() { OnUpdate(); }

void CKarvexView::OnUpdate() { viewport()->update(); }

QPoint CKarvexView::GetScrollPosition() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CKarvexView::paintEvent(QPaintEvent*) {}
