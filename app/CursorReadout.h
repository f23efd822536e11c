// The status bar's read-out: which picture pixel lies under the cursor, and its colour.
#pragma once

#include "codec/MapRaster.h"

#include <QPoint>
#include <QString>

#include <cstdint>

struct CursorReadout {
    int x = 0;
    int y = 0;
    uint32_t colour = 0;  // red | green << 8 | blue << 16; 0 outside the picture

    QString XText() const;
    QString YText() const;
    QString RgbText() const;
};

// client: the cursor in the view's client coordinates (anywhere, also outside
// the view); scroll: the view's scroll position; zoom: screen pixels per
// picture pixel. x and y are (client + scroll) / zoom truncated toward zero.
CursorReadout ReadPixelUnderCursor(QPoint client, QPoint scroll, double zoom, const CMapRaster& raster);

// The zoom as a percentage for the status bar: whole percents from 10 %,
// below that with the digits that matter ("2000%", "100%", "12%", "0.5%").
QString ZoomPercentText(double zoom);
