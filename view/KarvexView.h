// The map view: draws the document's picture at a zoom and lets the user zoom
// with a rubber band. (Contract shared by the view and the shell.)
#pragma once

#include <QAbstractScrollArea>
#include <QPoint>

class CKarvexDoc;

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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CKarvexDoc* m_pDocument;
};
