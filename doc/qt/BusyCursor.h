// Shows the busy cursor while long work (open, save, colour reduction) runs.
#pragma once

#include <QApplication>
#include <QCursor>

class CBusyCursor {
public:
    CBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CBusyCursor() { QApplication::restoreOverrideCursor(); }
    CBusyCursor(const CBusyCursor&) = delete;
    CBusyCursor& operator=(const CBusyCursor&) = delete;
};
