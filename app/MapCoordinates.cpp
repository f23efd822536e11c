#include "app/MapCoordinates.h"

#include "app/Strings.h"

#include <algorithm>
#include <cmath>

QString MapCoordinateText(const std::optional<GeoReference>& geo, int x, int y)
{
    if (!geo)
        return {};
    const GeoTransform& t = geo->transform;
    const double col = x + 0.5, row = y + 0.5;
    const double mapX = t[0] + col * t[1] + row * t[2];
    const double mapY = t[3] + col * t[4] + row * t[5];
    // Two decimals more than the pixel's size needs: 2.5 m pixels give 0.01 m.
    const double step = std::max(std::hypot(t[1], t[4]), std::hypot(t[2], t[5]));
    const int decimals = step > 0 ? std::clamp(int(std::ceil(-std::log10(step))) + 2, 0, 9) : 2;
    return ui::ReadoutMap.arg(mapX, 0, 'f', decimals).arg(mapY, 0, 'f', decimals);
}
