// A document window inside the main frame: holds one view, always shown
// maximised when the document template activates it.
#pragma once

#include <QMdiSubWindow>

class CKarvexView;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CChildFrame(CKarvexView* view, QWidget* parent = nullptr);

    CKarvexView* GetActiveView() const { return m_pView; }

    // Shows the frame maximised and makes it the active child, whatever show state is asked for.
    void ActivateFrame(int nCmdShow = -1);

private:
    CKarvexView* m_pView;
};
