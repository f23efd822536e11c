// The regions of the cleaned picture W from its crack bits, one row at a
// time. A run is a stretch of a row between cracks; runs are numbered in
// raster order and joined (union-find) with the runs above them where no
// crack separates them, so a region's first run holds its first pixel (its
// seed). Only a number per run is stored, not one per pixel: on a flat map
// that is a small fraction of the picture's memory.
#pragma once

#include "codec/RunGroups.h"
#include "rgz/CrackLayer.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

// The first crack to the left of a pixel from x on (width when none): eight
// pixels at a time, since most pixels have none.
inline uint32_t NextLeftCrack(const uint8_t* cracks, uint32_t x, uint32_t width)
{
    constexpr uint64_t LEFT_BITS = 0x0101010101010101ull * CRACK_BIT_LEFT;
    for (; x + 8 <= width; x += 8) {
        uint64_t word;
        std::memcpy(&word, cracks + x, 8);
        if (const uint64_t left = word & LEFT_BITS)
            return x + uint32_t(std::countr_zero(left)) / 8;
    }
    while (x < width && !(cracks[x] & CRACK_BIT_LEFT))
        ++x;
    return x;
}

// Whether a pixel of [x, end) has no crack above it: eight at a time.
inline bool AnyOpenTop(const uint8_t* cracks, uint32_t x, uint32_t end)
{
    constexpr uint64_t TOP_BITS = 0x0101010101010101ull * CRACK_BIT_TOP;
    for (; x + 8 <= end; x += 8) {
        uint64_t word;
        std::memcpy(&word, cracks + x, 8);
        if (~word & TOP_BITS)
            return true;
    }
    for (; x < end; ++x)
        if (!(cracks[x] & CRACK_BIT_TOP))
            return true;
    return false;
}

class RunRegions {
public:
    // parents takes one entry per run: at most one per pixel.
    RunRegions(uint32_t* parents, uint32_t width) : groups_(parents), width_(width)
    {
        aboveStarts_.reserve(size_t(width) + 1);
        hereStarts_.reserve(size_t(width) + 1);
    }

    // Adds the runs of the next row, given its crack bits.
    void AddRow(const uint8_t* cracks, bool topRow)
    {
        hereStarts_.clear();
        const uint32_t hereFirst = groups_.Count();
        size_t above = 0;  // the first run above that may still touch
        for (uint32_t x = 0; x < width_;) {
            const uint32_t end = NextLeftCrack(cracks, x + 1, width_);
            const uint32_t run = groups_.Add();
            hereStarts_.push_back(x);
            if (!topRow) {
                // Each run above that it overlaps, joined where a pixel of
                // the overlap has no crack on top.
                while (aboveStarts_[above + 1] <= x)
                    ++above;
                for (size_t k = above; aboveStarts_[k] < end; ++k)
                    if (AnyOpenTop(cracks, std::max(x, aboveStarts_[k]), std::min(end, aboveStarts_[k + 1])))
                        groups_.Join(run, aboveFirst_ + uint32_t(k));
            }
            x = end;
        }
        hereStarts_.push_back(width_);
        aboveStarts_.swap(hereStarts_);
        aboveFirst_ = hereFirst;
    }

    // After the last row: every run's entry names the first run of its
    // region. Returns the number of runs.
    uint32_t Finish()
    {
        groups_.Flatten();
        return groups_.Count();
    }

private:
    RunGroups groups_;
    uint32_t width_;
    // The left ends of the runs of the row above and of this row, each list
    // closed by the width; the first run above has the number aboveFirst_.
    std::vector<uint32_t> aboveStarts_, hereStarts_;
    uint32_t aboveFirst_ = 0;
};
