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

    // The first pixel of row from x on, before right, that has the value
    // (is, for same false, another value); right if none. Eight pixels a
    // word, reading past right but not past the row.
    uint32_t Find(const uint8_t* row, uint32_t x, uint32_t right, bool same) const
    {
        const uint64_t valueBytes = value * 0x0101010101010101ull;
        for (; x < right && x + 8 <= width; x += 8) {
            const uint64_t differ = Load8(row + x) ^ valueBytes;
            if (const uint64_t found = same ? ~NonzeroBytes(differ) & kAllHighBits : differ)
                return std::min(right, x + uint32_t(__builtin_ctzll(found) / 8));
        }
        while (x < right && (row[x] == value) != same)
            ++x;
        return std::min(x, right);
    }

    // Takes every unmarked run of the value in row y that touches [left, right).
    void TakeTouching(uint32_t left, uint32_t right, uint32_t y)
    {
        const uint8_t* row = plane + size_t(y) * width;
        const uint8_t* flagRow = flags + size_t(y) * width;
        for (uint32_t x = Find(row, left, right, true); x < right; x = Find(row, x, right, true)) {
            // A run is marked whole, so a marked one is passed as a whole.
            x = (flagRow[x] & mark) ? Find(row, x, right, false) : Take(x, y);
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
