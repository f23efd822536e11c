// The document: one open picture. (Contract shared by the view and the shell;
// the shell fills in opening, saving and the colour-count command.)
#pragma once

#include "codec/MapRaster.h"

#include <QObject>
#include <QString>

class CKarvexView;

class CKarvexDoc : public QObject {
    Q_OBJECT
public:
    explicit CKarvexDoc(QObject* parent = nullptr) : QObject(parent) {}

    CMapRaster raster;

    // Asks every view of the document to refresh (the views listen to viewsNeedUpdate).
    void UpdateAllViews(CKarvexView* sender = nullptr, long hint = 0)
    {
        (void)sender;
        (void)hint;
        emit viewsNeedUpdate();
    }

signals:
    void viewsNeedUpdate();
};
