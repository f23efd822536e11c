#include "codec/RunFill.h"

#include "codec/PixelWalk.h"
#include "codec/RunLabels.h"

#include <algorithm>

namespace {

constexpr uint32_t kAheadRows = 4;

struct RunCollector {
    const uint8_t* plane;
    uint8_t* flags;
    uint32_t width;
    uint32_t height;
    uint8_t mark;
    uint8_t value;
    RegionRuns result;

    // Marks the whole run through (x, y) and queues its left pixel; returns
    // the run's end.
    uint32_t Take(uint32_t x, uint32_t y)
    {
        const uint8_t* row = plane + size_t(y) * width;
        uint8_t* flagRow = flags + size_t(y) * width;
        const uint32_t left = RunStartFrom(row, x);
        const uint32_t right = RunEndFrom(row, x, width);
        uint8_t seen = 0;
        for (uint32_t i = left; i < right; ++i) {
            seen |= flagRow[i];
            flagRow[i] |= mark;
        }
        result.flagsSeen |= seen;
        // A region's runs are mostly walked a row after another, either way:
        // the rows a few steps on are fetched while this one is worked on.
        for (const uint32_t ahead : {y - kAheadRows, y + kAheadRows}) {
            if (ahead >= height)
                continue;
            for (uint32_t at = left; at < right + 64; at += 64) {
                __builtin_prefetch(plane + size_t(ahead) * width + std::min(at, right - 1));
                __builtin_prefetch(flags + size_t(ahead) * width + std::min(at, right - 1));
            }
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
        const uint64_t valueBytes = value * 0x0101010101010101ull;
        for (uint32_t x = left; x < right;) {
            // The next pixel of the value, eight pixels a word.
            while (x + 8 <= right) {
                if (const uint64_t same = ~NonzeroBytes(Load8(row + x) ^ valueBytes) & kAllHighBits) {
                    x += uint32_t(__builtin_ctzll(same) / 8);
                    break;
                }
                x += 8;
            }
            while (x < right && row[x] != value)
                ++x;
            if (x == right)
                return;
            // A run is marked whole, so a marked one is passed as a whole.
            x = (flagRow[x] & mark) ? RunEndFrom(row, x, right) : Take(x, y);
        }
    }
};

}  // namespace

uint32_t RunEnd(const CMapRaster& raster, const uint8_t* plane, PackedPos run)
{
    return RunEndFrom(plane + size_t(PosY(run)) * raster.width, PosX(run), raster.width);
}

RegionRuns CollectRuns(const CMapRaster& raster, const uint8_t* plane, uint8_t mark, uint32_t x, uint32_t y,
                       PackedPos* queue)
{
    RunCollector c{plane, raster.FlagPlane(), raster.width, raster.height,
                   mark, plane[size_t(y) * raster.width + x], {}};
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
