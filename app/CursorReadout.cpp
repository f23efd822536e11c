#include "app/CursorReadout.h"

#include "app/Strings.h"

#include <cmath>
#include <limits>

namespace {

// Truncates toward zero; a quotient beyond the int range (only at extremely
// small zooms) is pinned to the range's end, which lies outside any picture.
int TruncToInt(double value, bool& fits)
{
    constexpr double lo = std::numeric_limits<int>::min();
    constexpr double hi = std::numeric_limits<int>::max();
    if (!(value >= lo && value <= hi)) {
        fits = false;
        return value < 0 ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
    }
    return static_cast<int>(std::trunc(value));
}

}  // namespace

QString CursorReadout::XText() const { return ui::ReadoutX.arg(x); }
QString CursorReadout::YText() const { return ui::ReadoutY.arg(y); }
QString CursorReadout::RgbText() const
{
    return ui::ReadoutRgb.arg(colour & 0xFF).arg((colour >> 8) & 0xFF).arg((colour >> 16) & 0xFF);
}

CursorReadout ReadPixelUnderCursor(QPoint client, QPoint scroll, double zoom, const CMapRaster& raster)
{
    CursorReadout out;
    bool fits = zoom > 0;
    const double divisor = zoom > 0 ? zoom : 1.0;
    out.x = TruncToInt((double(client.x()) + scroll.x()) / divisor, fits);
    out.y = TruncToInt((double(client.y()) + scroll.y()) / divisor, fits);
    if (fits && raster.HasPixels() && out.x >= 0 && out.y >= 0 && uint32_t(out.x) < raster.width &&
        uint32_t(out.y) < raster.height)
        out.colour = raster.palette[raster.indexRows[uint32_t(out.y)][out.x]];
    return out;
}

QString ZoomPercentText(double zoom)
{
    const double percent = zoom * 100;
    if (percent >= 9.95)
        return ui::ReadoutZoom.arg(qRound64(percent));
    return ui::ReadoutZoom.arg(QString::number(percent, 'g', 2));
}
