#include "view/StripRenderer.h"

#include "codec/MapRaster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

int RoundUpTo4(int n) { return ((n + 3) / 4) * 4; }

// trunc(v) when 0 <= v < limit, else -1 (also for NaN and huge values).
int32_t IndexOrNone(double v, uint32_t limit)
{
    return (v >= 0 && v < double(limit)) ? int32_t(v) : -1;
}

}  // namespace

SourceRect ClientSourceRect(int scrollX, int scrollY, int clientWidth, int clientHeight)
{
    const int w = RoundUpTo4(std::max(clientWidth, 0));
    const int h = std::max(clientHeight, 0);
    return {scrollX, scrollY, scrollX + w, scrollY + h};
}

StripPlan PlanStrip(const SourceRect& source, double z)
{
    StripPlan plan;
    const int w = source.right - source.left;
    const int h = source.bottom - source.top;
    if (z > 1) {
        plan.mode = StripPlan::Mode::Crop;
        plan.cropX = int(source.left / z + 0.5);
        plan.cropY = int(source.top / z + 0.5);
        plan.stripHeight = int(std::ceil(h / z));
        plan.stripWidth = RoundUpTo4(int(w / z));
        plan.destWidth = int(plan.stripWidth * z);
        plan.destHeight = int(plan.stripHeight * z);
        return plan;
    }
    plan.stripWidth = RoundUpTo4(w);
    plan.stripHeight = h;
    plan.destWidth = plan.stripWidth;
    plan.destHeight = plan.stripHeight;
    if (z == 1.0) {
        plan.mode = StripPlan::Mode::Crop;
        plan.cropX = source.left;
        plan.cropY = source.top;
    } else {
        plan.mode = StripPlan::Mode::Sample;
        plan.sampleX = source.left / z;
        plan.sampleY = source.top / z;
        plan.step = 1 / z;
    }
    return plan;
}

bool ClampPlan(StripPlan& plan, size_t stripBytes, size_t columnEntries)
{
    const size_t maxWidth = std::min(columnEntries, stripBytes) / 4 * 4;
    int w = plan.stripWidth, h = plan.stripHeight;
    if (size_t(w) > maxWidth)
        w = int(maxWidth);
    if (w > 0 && size_t(w) * size_t(h) > stripBytes)
        h = int(stripBytes / size_t(w));
    if (w == plan.stripWidth && h == plan.stripHeight)
        return false;
    // Keep the scale of the destination: cut it in proportion.
    plan.destWidth = plan.stripWidth ? int(int64_t(plan.destWidth) * w / plan.stripWidth) : 0;
    plan.destHeight = plan.stripHeight ? int(int64_t(plan.destHeight) * h / plan.stripHeight) : 0;
    plan.stripWidth = w;
    plan.stripHeight = h;
    return true;
}

void RenderStrip(const CMapRaster& raster, const StripPlan& plan, uint8_t* strip, int32_t* columns)
{
    if (plan.mode == StripPlan::Mode::Crop)
        CropToStrip(raster, plan.cropX, plan.cropY, plan.stripWidth, plan.stripHeight, strip);
    else
        SampleToStrip(raster, plan.sampleX, plan.sampleY, plan.step, plan.stripWidth, plan.stripHeight,
                      strip, columns);
}

void CropToStrip(const CMapRaster& raster, int x0, int y0, int w, int h, uint8_t* dst)
{
    if (w <= 0 || h <= 0)
        return;
    std::memset(dst, NO_INDEX, size_t(w) * size_t(h));
    const uint8_t* plane = raster.IndexPlane();
    if (!plane || x0 < 0 || y0 < 0)
        return;
    const int64_t width = raster.width, height = raster.height;
    const int64_t rows = std::min<int64_t>(h, height - y0);
    const int64_t len = std::min<int64_t>(w, width - x0);
    if (len <= 0)
        return;
    for (int64_t r = 0; r < rows; ++r)
        std::memcpy(dst + r * w, plane + (y0 + r) * width + x0, size_t(len));
}

void SampleToStrip(const CMapRaster& raster, double fx0, double fy0, double step, int w, int h,
                   uint8_t* dst, int32_t* columns)
{
    if (w <= 0 || h <= 0)
        return;
    for (int j = 0; j < w; ++j)
        columns[j] = IndexOrNone(fx0 + j * step + 0.5, raster.width);
    std::memset(dst, NO_INDEX, size_t(w) * size_t(h));
    const uint8_t* plane = raster.IndexPlane();
    if (!plane)
        return;

    // With a positive step the columns inside the picture form one run
    // [first, last]; the inner loop then needs no test per column.
    int first = 0, last = w - 1;
    while (first < w && columns[first] < 0)
        ++first;
    while (last >= first && columns[last] < 0)
        --last;
    bool oneRun = true;
    for (int j = first; j <= last; ++j)
        oneRun = oneRun && columns[j] >= 0;

    double fy = fy0;
    for (int i = 0; i < h; ++i, fy += step) {
        const int32_t y = IndexOrNone(fy, raster.height);
        if (y < 0)
            break;  // at or beyond the last row (or before the first): the rest stays 255
        const uint8_t* src = plane + size_t(y) * raster.width;
        uint8_t* out = dst + size_t(i) * size_t(w);
        if (oneRun) {
            for (int j = first; j <= last; ++j)
                out[j] = src[columns[j]];
        } else {
            for (int j = first; j <= last; ++j)
                if (columns[j] >= 0)
                    out[j] = src[columns[j]];
        }
    }
}

void ExpandThroughColorTable(const uint8_t* strip, size_t count, const uint32_t* table, uint32_t* out)
{
    for (size_t i = 0; i < count; ++i)
        out[i] = table[strip[i]];
}

void PaletteToColorTable(const uint32_t* palette, uint32_t* table, int count)
{
    for (int i = 0; i < count; ++i) {
        const uint32_t e = palette[i];
        const uint32_t red = e & 0xFF, green = (e >> 8) & 0xFF, blue = (e >> 16) & 0xFF;
        table[i] = 0xFF000000u | (red << 16) | (green << 8) | blue;
    }
}
