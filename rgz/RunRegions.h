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

class RunRegions {
public:
    // parents takes one entry per run: at most one per pixel.
    RunRegions(uint32_t* parents, uint32_t width) : groups_(parents), width_(width), above_(width), here_(width) {}

    // Adds the runs of the next row, given its crack bits.
    void AddRow(const uint8_t* cracks, bool topRow)
    {
        for (uint32_t x = 0; x < width_;) {
            const uint32_t end = NextLeftCrack(cracks, x + 1, width_);
            const uint32_t run = groups_.Add();
            std::fill(here_.begin() + x, here_.begin() + end, run);
            if (!topRow)
                JoinAbove(cracks, run, x, end);
            x = end;
        }
        above_.swap(here_);
    }

    // After the last row: every run's entry names the first run of its
    // region. Returns the number of runs.
    uint32_t Finish()
    {
        groups_.Flatten();
        return groups_.Count();
    }

private:
    // Joins run [x, end) with every run above it that a pixel without a top crack touches.
    void JoinAbove(const uint8_t* cracks, uint32_t run, uint32_t x, uint32_t end)
    {
        uint32_t joined = UINT32_MAX;
        while (x < end) {
            // The runs above are numbered left to right: eight equal ends mean eight equal runs.
            if (x + 8 <= end && above_[x] == joined && above_[x + 7] == joined) {
                x += 8;
                continue;
            }
            if (!(cracks[x] & CRACK_BIT_TOP) && above_[x] != joined) {
                joined = above_[x];
                groups_.Join(run, joined);
            }
            ++x;
        }
    }

    RunGroups groups_;
    uint32_t width_;
    std::vector<uint32_t> above_, here_;  // the run of each column in the row above and in this row
};
