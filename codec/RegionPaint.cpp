// The decoder's first layer: painting the regions that the chains' edge bits
// enclose, row by row.
//
// Filling from each seed in turn paints, for every group of pixels joined
// through open cracks, the colour of its first seed, and leaves unseeded
// groups unpainted; each seed pixel itself ends with the colour of the last
// seed on it. The same result comes from labelling the groups in one pass
// over the rows: runs of pixels not parted by a closed vertical crack are
// joined to the runs above them through any open crack, then every run is
// painted with its group's colour. Sequential passes over the planes cost
// far less than a fill's scattered spans.
#include "codec/MapRaster.h"
#include "codec/PixelWalk.h"
#include "codec/RunGroups.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr uint64_t kLowBits = 0x0101010101010101ull;

// Writes the left end of each run of a row (its pixels parted where
// EDGE_RIGHT closes the crack to the next one), then width; returns the run
// count. starts has room for width + 1 entries.
uint32_t FindRuns(const uint8_t* flagRow, uint32_t width, uint32_t* starts)
{
    uint32_t count = 0;
    starts[count++] = 0;
    uint32_t x = 0;
    // The crack right of the last pixel is the picture's border: never read.
    for (; x + 8 < width; x += 8)
        for (uint64_t closed = Load8(flagRow + x) & kLowBits * EDGE_RIGHT; closed != 0; closed &= closed - 1)
            starts[count++] = x + uint32_t(__builtin_ctzll(closed)) / 8 + 1;
    for (; x + 1 < width; ++x)
        if (flagRow[x] & EDGE_RIGHT)
            starts[count++] = x + 1;
    starts[count] = width;
    return count;
}

// Whether a crack below [left, right) of the row above is open.
bool AnyOpenBelow(const uint8_t* flagRowAbove, uint32_t left, uint32_t right)
{
    for (; left + 8 <= right; left += 8)
        if (~Load8(flagRowAbove + left) & kLowBits * EDGE_BOTTOM)
            return true;
    for (; left < right; ++left)
        if (!(flagRowAbove[left] & EDGE_BOTTOM))
            return true;
    return false;
}


}  // namespace

size_t CMapRaster::PaintRegions(const PackedPos* seeds, const uint8_t* colours, size_t count)
{
    const uint32_t w = width, h = height;
    const size_t n = PixelCount();
    const uint8_t* const flags = FlagPlane();
    uint8_t* const index = IndexPlane();

    // The seeds row by row, to be given their run's label as the rows go by.
    std::vector<size_t> rowSeeds(size_t(h) + 1, 0);
    for (size_t k = 0; k < count; ++k)
        ++rowSeeds[PosY(seeds[k]) + 1];
    for (uint32_t y = 0; y < h; ++y)
        rowSeeds[y + 1] += rowSeeds[y];
    std::vector<size_t> byRow(count);
    {
        std::vector<size_t> next(rowSeeds.begin(), rowSeeds.end() - 1);
        for (size_t k = 0; k < count; ++k)
            byRow[next[PosY(seeds[k])]++] = k;
    }
    std::vector<uint32_t> seedLabel(count);

    // Labels: one per run, at most one per pixel, so PosScratch holds them.
    // The runs' left ends go down from its far end while there is room, so
    // that painting need not look for the runs again.
    RunGroups groups(PosScratch());
    const size_t room = n + 8;
    uint32_t* const leftEnds = PosScratch() + room - 1;  // of label l at leftEnds[-l]
    bool keptLeftEnds = true;
    std::vector<uint32_t> rowFirst(size_t(h) + 1);
    std::vector<uint32_t> above(size_t(w) + 1), here(size_t(w) + 1);
    uint32_t aboveCount = 0, aboveFirst = 0;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* const flagRow = flags + size_t(y) * w;
        const uint32_t hereCount = FindRuns(flagRow, w, here.data());
        const uint32_t hereFirst = groups.Count();
        rowFirst[y] = hereFirst;
        keptLeftEnds = keptLeftEnds && 2 * (size_t(hereFirst) + hereCount) <= room;
        for (uint32_t j = 0; j < hereCount; ++j) {
            groups.Add();
            if (keptLeftEnds)
                leftEnds[-ptrdiff_t(hereFirst + j)] = here[j];
        }
        if (y > 0) {
            // Each overlap of a run above and a run here, left to right.
            const uint8_t* const flagsAbove = flagRow - w;
            uint32_t i = 0, j = 0;
            while (i < aboveCount && j < hereCount) {
                const uint32_t aboveEnd = above[i + 1], hereEnd = here[j + 1];
                const uint32_t a = aboveFirst + i, b = hereFirst + j;
                if (!groups.Joined(a, b) &&
                    AnyOpenBelow(flagsAbove, std::max(above[i], here[j]), std::min(aboveEnd, hereEnd)))
                    groups.Join(a, b);
                i += aboveEnd <= hereEnd;
                j += hereEnd <= aboveEnd;
            }
        }
        for (size_t s = rowSeeds[y]; s < rowSeeds[y + 1]; ++s) {
            const size_t k = byRow[s];
            const uint32_t x = PosX(seeds[k]);
            const uint32_t run = uint32_t(std::upper_bound(here.data(), here.data() + hereCount, x) - here.data()) - 1;
            seedLabel[k] = hereFirst + run;
        }
        std::swap(above, here);
        aboveCount = hereCount;
        aboveFirst = hereFirst;
    }
    rowFirst[h] = groups.Count();

    // Each group takes its first seed's colour; the WorkPlane holds the
    // colour by label (labels are fewer than pixels).
    uint8_t* const colourOf = WorkPlane();
    std::memset(colourOf, NO_INDEX, groups.Count());
    for (size_t k = 0; k < count; ++k) {
        uint8_t& c = colourOf[groups.Root(seedLabel[k])];
        if (c == NO_INDEX)
            c = colours[k];
    }
    // Parents come before their children: one forward pass gives every
    // label its root's colour.
    for (uint32_t label = 0; label < groups.Count(); ++label)
        colourOf[label] = colourOf[groups.Parent(label)];

    size_t firstHole = n;
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* const row = index + size_t(y) * w;
        const uint32_t first = rowFirst[y], runs = rowFirst[y + 1] - first;
        if (keptLeftEnds) {
            for (uint32_t j = 0; j < runs; ++j)
                here[j] = leftEnds[-ptrdiff_t(first + j)];
            here[runs] = w;
        } else {
            FindRuns(flags + size_t(y) * w, w, here.data());
        }
        for (uint32_t j = 0; j < runs; ++j) {
            const uint8_t c = colourOf[first + j];
            if (c == NO_INDEX && firstHole == n)
                firstHole = size_t(y) * w + here[j];
            std::memset(row + here[j], c, here[j + 1] - here[j]);
        }
    }
    for (size_t k = 0; k < count; ++k)
        index[size_t(PosY(seeds[k])) * w + PosX(seeds[k])] = colours[k];
    return firstHole;
}
