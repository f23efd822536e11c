#include "codec/RunFill.h"

namespace {

struct RunCollector {
    const uint8_t* plane;
    uint8_t* flags;
    uint32_t width;
    uint8_t mark;
    uint8_t value;
    RegionRuns result;

    // Marks the whole run through (x, y) and queues its left pixel.
    uint32_t Take(uint32_t x, uint32_t y)
    {
        const uint8_t* row = plane + size_t(y) * width;
        uint8_t* flagRow = flags + size_t(y) * width;
        uint32_t left = x, right = x + 1;
        while (left > 0 && row[left - 1] == value)
            --left;
        while (right < width && row[right] == value)
            ++right;
        for (uint32_t i = left; i < right; ++i) {
            result.flagsSeen |= flagRow[i];
            flagRow[i] |= mark;
        }
        result.pixels += right - left;
        *result.end++ = PackPos(left, y);
        return right;
    }

    // Takes every unmarked run of the value in row y that touches [left, right).
    void TakeTouching(uint32_t left, uint32_t right, uint32_t y)
    {
        const uint8_t* row = plane + size_t(y) * width;
        const uint8_t* flagRow = flags + size_t(y) * width;
        for (uint32_t x = left; x < right; ++x)
            if (row[x] == value && !(flagRow[x] & mark))
                x = Take(x, y);
    }
};

}  // namespace

uint32_t RunEnd(const CMapRaster& raster, const uint8_t* plane, PackedPos run)
{
    const uint32_t w = raster.width;
    const uint8_t* row = plane + size_t(PosY(run)) * w;
    const uint8_t value = row[PosX(run)];
    uint32_t right = PosX(run) + 1;
    while (right < w && row[right] == value)
        ++right;
    return right;
}

RegionRuns CollectRuns(const CMapRaster& raster, const uint8_t* plane, uint8_t mark, uint32_t x, uint32_t y,
                       PackedPos* queue)
{
    RunCollector c{plane, raster.FlagPlane(), raster.width, mark, plane[size_t(y) * raster.width + x], {}};
    c.result.end = queue;
    c.Take(x, y);
    // Each run, once taken, is never taken again, so the queue needs at most
    // one entry per pixel of the region.
    for (PackedPos* head = queue; head != c.result.end; ++head) {
        const uint32_t left = PosX(*head), row = PosY(*head);
        const uint32_t right = RunEnd(raster, plane, *head);
        if (row > 0)
            c.TakeTouching(left, right, row - 1);
        if (row + 1 < raster.height)
            c.TakeTouching(left, right, row + 1);
    }
    return c.result;
}
