// The small-region cleanup: builds the encoder's simplified picture in the
// WorkPlane by painting small and thin regions over from their surroundings.
#include "codec/MapRaster.h"
#include "codec/PixelWalk.h"
#include "codec/RunFill.h"
#include "codec/RunLabels.h"

#include <cstring>

namespace {

// FlagPlane bits while the cleanup runs: DEEP_k marks a pixel whose every
// in-picture pixel within city-block distance k has its colour; SEEN marks
// pixels already given to a region.
constexpr uint8_t DEEP_1 = 0x01;
constexpr uint8_t DEEP_2 = 0x02;
constexpr uint8_t DEEP_3 = 0x04;
constexpr uint8_t SEEN = 0x80;

// Sets DEEP_1 on each pixel whose in-picture 4-neighbours share its colour.
void MarkDeepOne(const CMapRaster& raster)
{
    const uint32_t w = raster.width, h = raster.height;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = raster.indexRows[y];
        const uint8_t* above = y > 0 ? raster.indexRows[y - 1] : row;
        const uint8_t* below = y + 1 < h ? raster.indexRows[y + 1] : row;
        uint8_t* flags = raster.flagRows[y];
        auto deep = [&](uint32_t x, uint8_t left, uint8_t right) {
            return uint8_t((above[x] == row[x]) & (below[x] == row[x]) & (left == row[x]) & (right == row[x]));
        };
        if (w == 1) {
            flags[0] = deep(0, row[0], row[0]);
            continue;
        }
        flags[0] = deep(0, row[0], row[1]);
        // Branch-free in the middle, so the compiler can vectorise it.
        for (uint32_t x = 1; x + 1 < w; ++x)
            flags[x] = uint8_t((above[x] == row[x]) & (below[x] == row[x]) & (row[x - 1] == row[x]) &
                               (row[x + 1] == row[x]));
        flags[w - 1] = deep(w - 1, row[w - 2], row[w - 1]);
    }
}

// Sets `to` on each pixel that has `from` together with all its in-picture
// 4-neighbours. Reads only `from` bits, which it never changes.
void ErodeDeep(const CMapRaster& raster, uint8_t from, uint8_t to)
{
    const uint32_t w = raster.width, h = raster.height;
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* row = raster.flagRows[y];
        const uint8_t* above = y > 0 ? raster.flagRows[y - 1] : row;
        const uint8_t* below = y + 1 < h ? raster.flagRows[y + 1] : row;
        auto erode = [&](uint32_t x, uint8_t left, uint8_t right) {
            if (row[x] & above[x] & below[x] & left & right & from)
                row[x] |= to;
        };
        if (w == 1) {
            erode(0, row[0], row[0]);
            continue;
        }
        erode(0, row[0], row[1]);
        // Eight pixels at a time: `to` is the bit above `from`, so shifting
        // the AND of the five `from` bits sets it without carrying.
        // The neighbours come from the same load shifted by a byte, since a
        // load across the bytes just stored would stall.
        const uint64_t fromBits = from * 0x0101010101010101ull;
        uint64_t leftByte = row[0];
        uint32_t x = 1;
        for (; x + 9 <= w; x += 8) {
            uint64_t c, a, b;
            std::memcpy(&c, row + x, 8);
            std::memcpy(&a, above + x, 8);
            std::memcpy(&b, below + x, 8);
            const uint64_t l = c << 8 | leftByte;
            const uint64_t r = c >> 8 | uint64_t(row[x + 8]) << 56;
            leftByte = c >> 56;
            c |= (c & l & r & a & b & fromBits) << 1;
            std::memcpy(row + x, &c, 8);
        }
        for (; x + 1 < w; ++x)
            row[x] = uint8_t(row[x] | ((row[x] & above[x] & below[x] & row[x - 1] & row[x + 1] & from) ? to : 0));
        erode(w - 1, row[w - 2], row[w - 1]);
    }
}

// Sets count bytes from first to value; most runs here are a few pixels,
// too short to pay for a call.
void FillRun(uint8_t* first, uint32_t count, uint8_t value)
{
    if (count > 32) {
        std::memset(first, value, count);
        return;
    }
    for (uint32_t i = 0; i < count; ++i)
        first[i] = value;
}

// Marks every pixel of a removed region, given as runs, as unassigned.
void ClearToUnassigned(CMapRaster& raster, const PackedPos* first, const PackedPos* last)
{
    for (const PackedPos* run = first; run != last; ++run) {
        uint8_t* row = raster.workRows[PosY(*run)];
        const uint32_t end = RunEnd(raster, raster.IndexPlane(), *run);
        for (uint32_t x = PosX(*run); x < end; ++x)
            row[x] = NO_INDEX;
    }
}

// Gives every unassigned WorkPlane pixel a value from its neighbours: one pass
// in raster order, then passes over the pixels still left, each walking the
// previous pass's leftovers from the last found to the first, so alternately
// backwards and forwards, until none is left. Needs one assigned pixel.
//
// The leftovers live in PosScratch. A pass reads its list from one end and
// writes its own leftovers from that same end, never ahead of the reading.
void FillUnassigned(CMapRaster& raster)
{
    const uint8_t* work = raster.WorkPlane();
    PackedPos* low = raster.PosScratch();
    PackedPos* high = low;
    for (uint32_t y = 0; y < raster.height; ++y) {
        const uint8_t* row = work + size_t(y) * raster.width;
        for (uint32_t x = 0; x < raster.width; ++x) {
            // Most of a row is assigned: pass eight such pixels at a time.
            while (x + 8 <= raster.width && !AnyNoIndex(row + x))
                x += 8;
            if (x < raster.width && row[x] == NO_INDEX && !raster.FillFromNeighbour(uint16_t(x), uint16_t(y)))
                *high++ = PackPos(x, y);
        }
    }
    auto fill = [&](PackedPos p) { return raster.FillFromNeighbour(uint16_t(PosX(p)), uint16_t(PosY(p))); };
    bool lastFoundAtHigh = true;
    while (low != high) {
        if (lastFoundAtHigh) {
            PackedPos* write = high;
            for (PackedPos* read = high; read != low;) {
                --read;
                if (!fill(*read))
                    *--write = *read;
            }
            low = write;
        } else {
            PackedPos* write = low;
            for (PackedPos* read = low; read != high; ++read)
                if (!fill(*read))
                    *write++ = *read;
            high = write;
        }
        lastFoundAtHigh = !lastFoundAtHigh;
    }
}

}  // namespace

// A region goes when it has fewer than SMALL_REGION_PIXELS pixels or when
// EROSION_STEPS erosions (each dropping the pixels with a 4-neighbour outside
// the region; the rest of the picture is outside) leave none of it. A pixel outlasts k erosions exactly when every
// in-picture pixel within city-block distance k lies in its region, that is
// has its colour; so the erosions are done once for the whole picture, three
// row-wise passes, and each region is then collected once as runs.
void CMapRaster::RemoveSmallRegions()
{
    if (!HasPixels())
        return;
    static_assert(EROSION_STEPS == 3, "one DEEP bit per erosion step");
    const size_t n = PixelCount();
    uint8_t* work = WorkPlane();
    std::memcpy(work, IndexPlane(), n);
    MarkDeepOne(*this);
    static_assert(DEEP_2 == DEEP_1 << 1 && DEEP_3 == DEEP_2 << 1, "ErodeDeep shifts one bit up");
    ErodeDeep(*this, DEEP_1, DEEP_2);
    ErodeDeep(*this, DEEP_2, DEEP_3);

    bool anySurvived = false;
    const uint8_t* flag = FlagPlane();
    if (n < RUN_LABEL_MAX_PIXELS) {
        // One pass of run labelling gives every region's size and depth.
        uint32_t* labels = PosScratch();
        LabelRuns(*this, IndexPlane(), FlagPlane(), DEEP_3, labels);
        ForEachRun(*this, IndexPlane(), [&](uint32_t run, uint32_t left, uint32_t end, uint32_t y) {
            const uint32_t root = labels[FindRunRoot(labels, run)];
            if ((root & RUN_DEEP) && (root & RUN_PIXELS) >= SMALL_REGION_PIXELS)
                anySurvived = true;
            else
                FillRun(workRows[y] + left, end - left, NO_INDEX);
        });
    }
    for (uint32_t y = 0; y < height && n >= RUN_LABEL_MAX_PIXELS; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            if (flag[size_t(y) * width + x] & SEEN)
                continue;
            const RegionRuns region = CollectRuns(*this, IndexPlane(), SEEN, x, y, PosScratch());
            if (region.pixels >= SMALL_REGION_PIXELS && (region.flagsSeen & DEEP_3))
                anySurvived = true;
            else
                ClearToUnassigned(*this, PosScratch(), region.end);
        }
    }
    std::memset(FlagPlane(), 0, n);

    // With nothing left to fill from, the cleanup changes nothing.
    if (!anySurvived) {
        std::memcpy(work, IndexPlane(), n);
        return;
    }
    FillUnassigned(*this);
}

int CMapRaster::FillFromNeighbour(uint16_t x, uint16_t y)
{
    uint8_t* work = WorkPlane();
    const uint32_t w = width;
    uint8_t& pixel = work[size_t(y) * w + x];
    if (pixel != NO_INDEX)
        return 1;
    if (IsInteriorPixel(x, y, w, height)) {
        // Backwards through R, L, D, U: up, down, left, right.
        const ptrdiff_t order[4] = {-ptrdiff_t(w), ptrdiff_t(w), -1, 1};
        for (ptrdiff_t step : order) {
            if ((&pixel)[step] != NO_INDEX) {
                pixel = (&pixel)[step];
                return 1;
            }
        }
        return 0;
    }
    PackedPos around[4];
    PackedPos* end = Neighbours4(x, y, around);
    while (end != around) {
        const uint8_t value = work[PlaneOffset(*--end, w)];
        if (value != NO_INDEX) {
            pixel = value;
            return 1;
        }
    }
    return 0;
}
