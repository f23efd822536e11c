// Where Window → Cascade puts the document windows: each almost as large as
// the client area, each offset by one title bar from the one below it.
#pragma once

#include <QList>
#include <QRect>
#include <QSize>

// Rectangles for `count` windows in an area of `area`, the bottom window
// first. The offsets use at most a third of the area; beyond that the
// cascade starts again at the top-left corner.
QList<QRect> CascadeGeometries(QSize area, int count, int step);
