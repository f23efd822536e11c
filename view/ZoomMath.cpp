#include "view/ZoomMath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

// trunc(v) limited to the int range (NaN gives 0).
int TruncToInt(double v)
{
    if (!(v == v))
        return 0;
    if (v >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (v <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(v);
}

}  // namespace

ScrollSizes ScrollSizesFor(uint32_t width, uint32_t height, double zoom)
{
    ScrollSizes s;
    s.totalWidth = TruncToInt(width * zoom);
    s.totalHeight = TruncToInt(height * zoom);
    s.pageWidth = s.totalWidth / 10;
    s.pageHeight = s.totalHeight / 10;
    s.lineWidth = s.pageWidth / 10;
    s.lineHeight = s.pageHeight / 10;
    return s;
}

double BandZoomRatio(int left, int top, int right, int bottom, int clientWidth)
{
    const int dx = right - left, dy = bottom - top;
    if (std::abs(dx) < kMinBandSide || std::abs(dy) < kMinBandSide || clientWidth <= 0)
        return 0;
    double ratio = double(clientWidth) / dx;
    if (ratio < 0)
        ratio = -1 / ratio;
    return ratio;
}

double ZoomedBy(double zoom, double ratio)
{
    const double z = zoom * ratio;
    return z > kMaxZoom ? kMaxZoom : z;
}

ScrollTarget CenteringScroll(double x, double y, double zoom, int clientWidth, int clientHeight)
{
    ScrollTarget t;
    t.x = TruncToInt(x * zoom + 0.5 - clientWidth * 0.5);
    t.y = TruncToInt(y * zoom + 0.5 - clientHeight * 0.5);
    if (t.x < 0)
        t.x = 0;
    if (t.y < 0)
        t.y = 0;
    return t;
}

double WheelZoom(double zoom, int notches)
{
    double z = zoom;
    for (; notches > 0 && z < kMaxZoom; --notches)
        z = z * kWheelZoomStep > kMaxZoom ? kMaxZoom : z * kWheelZoomStep;
    for (; notches < 0 && z > kMinWheelZoom; ++notches)
        z = z / kWheelZoomStep < kMinWheelZoom ? kMinWheelZoom : z / kWheelZoomStep;
    return z;
}

double FitZoom(uint32_t width, uint32_t height, int clientWidth, int clientHeight)
{
    if (width == 0 || height == 0 || clientWidth <= 0 || clientHeight <= 0)
        return 1.0;
    const double z = std::min(double(clientWidth) / width, double(clientHeight) / height);
    return z > kMaxZoom ? kMaxZoom : z;
}

ScrollTarget AnchoredScroll(double x, double y, double zoom, int cx, int cy)
{
    ScrollTarget t;
    t.x = std::max(0, TruncToInt(std::floor(x * zoom - cx + 0.5)));
    t.y = std::max(0, TruncToInt(std::floor(y * zoom - cy + 0.5)));
    return t;
}
