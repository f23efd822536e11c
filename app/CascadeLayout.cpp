#include "app/CascadeLayout.h"

#include <algorithm>

QList<QRect> CascadeGeometries(QSize area, int count, int step)
{
    QList<QRect> rects;
    if (count <= 0 || area.isEmpty())
        return rects;
    step = std::max(step, 1);
    // How many windows one run of the cascade holds before it starts again.
    const int room = std::min(area.width(), area.height()) / 3;
    const int perRun = std::clamp(room / step + 1, 1, count);
    const QSize size(area.width() - (perRun - 1) * step, area.height() - (perRun - 1) * step);
    for (int i = 0; i < count; ++i) {
        const int offset = (i % perRun) * step;
        rects.append(QRect(QPoint(offset, offset), size));
    }
    return rects;
}
