// The view's mouse and keyboard: rubber-band zoom on the left button,
// double-click back to zoom 1.0.
#include "view/KarvexView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

void CKarvexView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !m_band.IsTracking())
        m_band.Start(event->position().toPoint());
    else if (event->button() == Qt::RightButton)
        m_band.Cancel();
}

void CKarvexView::mouseMoveEvent(QMouseEvent* event)
{
    m_band.MoveTo(event->position().toPoint());
}

void CKarvexView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_band.MoveTo(event->position().toPoint());
    QPoint origin, end;
    if (m_band.Finish(origin, end))
        ZoomByBand(origin, end);
}

void CKarvexView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        ResetZoom();
}

void CKarvexView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && m_band.IsTracking()) {
        m_band.Cancel();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void CKarvexView::focusOutEvent(QFocusEvent* event)
{
    // The release may go to another window now; do not leave a band behind.
    m_band.Cancel();
    QAbstractScrollArea::focusOutEvent(event);
}

void CKarvexView::hideEvent(QHideEvent* event)
{
    m_band.Cancel();
    QAbstractScrollArea::hideEvent(event);
}

void CKarvexView::ZoomByBand(const QPoint& origin, const QPoint& end)
{
    const double ratio = BandZoomRatio(origin.x(), origin.y(), end.x(), end.y(), viewport()->width());
    if (ratio == 0)
        return;
    // The band's centre, as a picture point under the old zoom.
    double cx = (origin.x() + end.x()) * 0.5, cy = (origin.y() + end.y()) * 0.5;
    ClientToImage(cx, cy);
    m_dZoom = ZoomedBy(m_dZoom, ratio);
    OnInitialUpdate();
    CenterOnImagePoint(cx, cy);
}

void CKarvexView::ResetZoom()
{
    m_band.Cancel();
    m_dZoom = 1.0;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    OnInitialUpdate();
}
