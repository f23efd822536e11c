// The view's mouse and keyboard: rubber-band zoom on the left button,
// double-click back to zoom 1.0, Ctrl + wheel zoom about the cursor, pan by
// dragging with the middle button.
#include "view/KarvexView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace {
constexpr int kWheelNotch = 120;  // angle delta of one wheel notch, in eighths of a degree
}  // namespace

void CKarvexView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !m_band.IsTracking() && !m_bPanning)
        m_band.Start(event->position().toPoint());
    else if (event->button() == Qt::RightButton)
        m_band.Cancel();
    else if (event->button() == Qt::MiddleButton && !m_band.IsTracking() && !m_bPanning) {
        m_bPanning = true;
        m_panOrigin = event->position().toPoint();
        m_panStartScroll = GetScrollPosition();
        viewport()->setCursor(Qt::ClosedHandCursor);
    }
}

void CKarvexView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_bPanning) {
        // The picture follows the mouse; the scroll bars keep it within range.
        const QPoint scroll = m_panStartScroll - (event->position().toPoint() - m_panOrigin);
        horizontalScrollBar()->setValue(scroll.x());
        verticalScrollBar()->setValue(scroll.y());
        return;
    }
    m_band.MoveTo(event->position().toPoint());
}

void CKarvexView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton)
        StopPanning();
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

void CKarvexView::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);  // plain wheel scrolls
        return;
    }
    event->accept();
    if (m_band.IsTracking())
        return;  // the band is in client pixels of the current zoom
    m_nWheelRemainder += event->angleDelta().y();
    const int notches = m_nWheelRemainder / kWheelNotch;
    m_nWheelRemainder -= notches * kWheelNotch;
    if (notches == 0)
        return;
    const double zoom = WheelZoom(m_dZoom, notches);
    if (zoom != m_dZoom)
        ZoomAbout(zoom, event->position().toPoint());
}

void CKarvexView::StopPanning()
{
    if (!m_bPanning)
        return;
    m_bPanning = false;
    viewport()->unsetCursor();
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
    StopPanning();
    QAbstractScrollArea::focusOutEvent(event);
}

void CKarvexView::hideEvent(QHideEvent* event)
{
    m_band.Cancel();
    StopPanning();
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
