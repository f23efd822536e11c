// The rubber band a view's user drags with the left button to zoom. Shows a
// QRubberBand over the viewport and keeps the raw band (inversion allowed).
// While a band is tracked g_bTimerRepaint is 0, so the main frame's timer
// does not repaint the view under it.
#pragma once

#include <QPoint>
#include <QRect>

class QRubberBand;
class QWidget;

class CZoomBand {
public:
    explicit CZoomBand(QWidget* viewport);
    ~CZoomBand();
    CZoomBand(const CZoomBand&) = delete;
    CZoomBand& operator=(const CZoomBand&) = delete;

    bool IsTracking() const { return m_bTracking; }

    void Start(const QPoint& point);
    void MoveTo(const QPoint& point);
    // Ends the band; returns false if no band was tracked.
    bool Finish(QPoint& origin, QPoint& end);
    // Drops the band (Escape, right button, losing focus).
    void Cancel();

private:
    void Stop();

    QWidget* m_pViewport;
    QRubberBand* m_pBand = nullptr;  // made on first use, child of the viewport
    bool m_bTracking = false;
    QPoint m_origin;
    QPoint m_end;
};
