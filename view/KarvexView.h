// The map view: draws the document's picture at a zoom and lets the user zoom
// with a rubber band or Ctrl + wheel and pan with the middle button.
// (Contract shared by the view and the shell.)
#pragma once

#include "view/StripRenderer.h"
#include "view/ZoomBand.h"
#include "view/ZoomMath.h"

#include <QAbstractScrollArea>
#include <QList>
#include <QPoint>
#include <QRgb>
#include <QSize>

class CKarvexDoc;
class QPainter;

// 1 from start-up; 0 only while a rubber band is tracked (the main frame's
// timer does not repaint then).
extern int g_bTimerRepaint;

class CKarvexView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CKarvexView(CKarvexDoc* doc, QWidget* parent = nullptr);
    ~CKarvexView() override;

    CKarvexDoc* GetDocument() const { return m_pDocument; }

    // Screen pixels per picture pixel; 1.0 at construction, at most 20.0.
    double m_dZoom = 1.0;

    // The view's first update after its document is filled: sets scroll sizes.
    void OnInitialUpdate();
    // Any later update of the document: scroll sizes and a repaint.
    void OnUpdate();

    // Scroll position in screen pixels on the zoomed picture.
    QPoint GetScrollPosition() const;
    // Scroll sizes for the current picture and zoom.
    const ScrollSizes& GetScrollSizes() const { return m_scrollSizes; }

    // Converts a client (viewport) point to picture coordinates in place;
    // no rounding, no bounds.
    void ClientToImage(double& x, double& y) const;
    // Scrolls so that picture point (x, y) is at the client centre, as far
    // as the scroll range allows.
    void CenterOnImagePoint(double x, double y);
    // Sets the zoom to newZoom keeping the picture point under client point
    // `anchor` where it is, as far as the scroll range allows.
    void ZoomAbout(double newZoom, QPoint anchor);
    // The largest zoom (up to 20) at which the whole picture fits the client
    // area without scroll bars, scrolled to the origin.
    void FitToWindow();

    // Paints the visible part of the picture at the painter's top-left; the
    // painter covers the client area.
    void OnDraw(QPainter& painter);
    // Draws the part `source` of the picture zoomed by z at the top-left and
    // returns the size drawn.
    QSize DrawAtZoom(QPainter& painter, const SourceRect& source, double z);
    // The shared colour table, filled from the document's palette.
    const QList<QRgb>& BuildBitmapInfo() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void SetScrollSizes();
    void ApplyScrollRanges();
    void ZoomByBand(const QPoint& origin, const QPoint& end);
    void ResetZoom();
    void StopPanning();

    CKarvexDoc* m_pDocument;
    ScrollSizes m_scrollSizes;
    CZoomBand m_band;
    // Middle-button pan: where the drag started and the scroll position then.
    bool m_bPanning = false;
    QPoint m_panOrigin;
    QPoint m_panStartScroll;
    int m_nWheelRemainder = 0;  // wheel angle not yet a whole notch (high-resolution wheels)
};
