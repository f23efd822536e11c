#include "view/ZoomBand.h"

#include "view/KarvexView.h"

#include <QRubberBand>

CZoomBand::CZoomBand(QWidget* viewport) : m_pViewport(viewport) {}

CZoomBand::~CZoomBand()
{
    // A view closed in the middle of a band must not leave the timer stopped.
    if (m_bTracking)
        g_bTimerRepaint = 1;
}

void CZoomBand::Start(const QPoint& point)
{
    if (!m_pBand)
        m_pBand = new QRubberBand(QRubberBand::Rectangle, m_pViewport);
    g_bTimerRepaint = 0;
    m_bTracking = true;
    m_origin = m_end = point;
    m_pBand->setGeometry(QRect(point, QSize()));
    m_pBand->show();
}

void CZoomBand::MoveTo(const QPoint& point)
{
    if (!m_bTracking)
        return;
    m_end = point;
    m_pBand->setGeometry(QRect(m_origin, m_end).normalized());
}

bool CZoomBand::Finish(QPoint& origin, QPoint& end)
{
    if (!m_bTracking)
        return false;
    origin = m_origin;
    end = m_end;
    Stop();
    return true;
}

void CZoomBand::Cancel()
{
    if (m_bTracking)
        Stop();
}

void CZoomBand::Stop()
{
    m_bTracking = false;
    m_pBand->hide();
    g_bTimerRepaint = 1;
}
