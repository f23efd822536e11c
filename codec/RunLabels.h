// Labelling the 4-connected regions of equal values of a plane in one pass,
// run by run, with a union-find forest.
//
// Runs are numbered in raster order. Each run's label is the number of an
// earlier run of its region, or, for the region's first run (its root),
// RUN_ROOT with the region's pixel count. Regions link to their
// earliest run, so roots are exactly the regions' first runs in raster order.
// The labels need one uint32_t per run, at most one per pixel.
#pragma once

#include "codec/MapRaster.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>

constexpr uint32_t RUN_ROOT = 0x80000000u;
constexpr uint32_t RUN_PIXELS = 0x3FFFFFFFu;  // pixel count, held at this value once reached

// Pictures of fewer pixels than this have run numbers that fit beside RUN_ROOT.
constexpr uint64_t RUN_LABEL_MAX_PIXELS = uint64_t(1) << 31;

// The end of the run of row[x]'s value that starts at x (width: the row's end).
inline uint32_t RunEndFrom(const uint8_t* row, uint32_t x, uint32_t width)
{
    const uint8_t value = row[x];
    const uint64_t spread = value * 0x0101010101010101ull;
    ++x;
    while (x + 8 <= width) {
        uint64_t word;
        std::memcpy(&word, row + x, 8);
        if (const uint64_t differ = word ^ spread)
            return x + uint32_t(__builtin_ctzll(differ) / 8);
        x += 8;
    }
    while (x < width && row[x] == value)
        ++x;
    return x;
}

// The start of the run of row[x]'s value that holds x.
inline uint32_t RunStartFrom(const uint8_t* row, uint32_t x)
{
    const uint64_t spread = row[x] * 0x0101010101010101ull;
    while (x >= 8) {
        uint64_t word;
        std::memcpy(&word, row + x - 8, 8);
        if (const uint64_t differ = word ^ spread)
            return x - uint32_t(__builtin_clzll(differ) / 8);
        x -= 8;
    }
    while (x > 0 && row[x - 1] == uint8_t(spread))
        --x;
    return x;
}

// Calls visit(run, left, end, y) for every run of plane in raster order.
template <typename Visit>
void ForEachRun(const CMapRaster& raster, const uint8_t* plane, Visit visit)
{
    uint32_t run = 0;
    for (uint32_t y = 0; y < raster.height; ++y) {
        const uint8_t* row = plane + size_t(y) * raster.width;
        for (uint32_t x = 0; x < raster.width;) {
            const uint32_t end = RunEndFrom(row, x, raster.width);
            visit(run++, x, end, y);
            x = end;
        }
    }
}

// Left ends of the runs of the row above and of the current row, 16 bits
// each (sides are at most 65535), up to width + 1 entries a row: 4 bytes per
// column, at most 2 per pixel. A picture of one row, which reads no row
// above, takes one list.
class RowRunLists {
public:
    RowRunLists(uint32_t width, uint32_t height)
        : store_(std::make_unique_for_overwrite<uint16_t[]>(size_t(height > 1 ? 2 : 1) * (width + 1))),
          here_(store_.get()),
          above_(height > 1 ? store_.get() + width + 1 : store_.get())
    {
    }
    const uint16_t* Above() const { return above_; }
    uint16_t* Here() const { return here_; }
    // The current row becomes the row above.
    void NextRow() { std::swap(above_, here_); }

private:
    std::unique_ptr<uint16_t[]> store_;
    uint16_t* here_;
    uint16_t* above_;
};

// The root of run k's region; shortens the path on the way.
inline uint32_t FindRunRoot(uint32_t* labels, uint32_t k)
{
    while (!(labels[k] & RUN_ROOT)) {
        const uint32_t parent = labels[k];
        if (!(labels[parent] & RUN_ROOT))
            labels[k] = labels[parent];
        k = parent;
    }
    return k;
}

// Joins the regions of runs a and b under the earlier root.
inline void UniteRuns(uint32_t* labels, uint32_t a, uint32_t b)
{
    uint32_t ra = FindRunRoot(labels, a), rb = FindRunRoot(labels, b);
    if (ra == rb)
        return;
    if (ra > rb)
        std::swap(ra, rb);
    const uint32_t pixels = std::min((labels[ra] & RUN_PIXELS) + (labels[rb] & RUN_PIXELS), RUN_PIXELS);
    labels[ra] = RUN_ROOT | pixels;
    labels[rb] = ra;
}

// Labels every run of plane into labels.
// The picture must have fewer than RUN_LABEL_MAX_PIXELS pixels.
void LabelRuns(const CMapRaster& raster, const uint8_t* plane, uint32_t* labels);
