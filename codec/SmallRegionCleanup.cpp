// The small-region cleanup: builds the encoder's simplified picture in the
// WorkPlane by painting small and thin regions over from their surroundings.
#include "codec/MapRaster.h"
#include "codec/PixelWalk.h"
#include "codec/RunFill.h"
#include "codec/RunLabels.h"

#include <cstring>
#include <vector>

namespace {

// FlagPlane bits while the cleanup runs: DEEP_k marks a pixel whose every
// in-picture pixel within city-block distance k has its colour; SEEN marks
// pixels of the regions collected, DROPPED those of them that go.
constexpr uint8_t DEEP_1 = 0x01;
constexpr uint8_t DEEP_2 = 0x02;
constexpr uint8_t DEEP_3 = 0x04;
constexpr uint8_t DROPPED = 0x40;
constexpr uint8_t SEEN = 0x80;

// Sets DEEP_1 on each pixel of row y whose in-picture 4-neighbours share its
// colour, clearing the row's other bits.
void MarkDeepOneRow(const CMapRaster& raster, uint32_t y)
{
    const uint32_t w = raster.width, h = raster.height;
    const uint8_t* row = raster.indexRows[y];
    const uint8_t* above = y > 0 ? raster.indexRows[y - 1] : row;
    const uint8_t* below = y + 1 < h ? raster.indexRows[y + 1] : row;
    uint8_t* flags = raster.flagRows[y];
    auto deep = [&](uint32_t x, uint8_t left, uint8_t right) {
        return uint8_t((above[x] == row[x]) & (below[x] == row[x]) & (left == row[x]) & (right == row[x]));
    };
    if (w == 1) {
        flags[0] = deep(0, row[0], row[0]);
        return;
    }
    flags[0] = deep(0, row[0], row[1]);
    // Branch-free in the middle, so the compiler can vectorise it.
    for (uint32_t x = 1; x + 1 < w; ++x)
        flags[x] = uint8_t((above[x] == row[x]) & (below[x] == row[x]) & (row[x - 1] == row[x]) &
                           (row[x + 1] == row[x]));
    flags[w - 1] = deep(w - 1, row[w - 2], row[w - 1]);
}

// Sets `to` on each pixel of row y that has `from` together with all its
// in-picture 4-neighbours. Reads only `from` bits, which it never changes;
// line is scratch of one row.
void ErodeDeepRow(const CMapRaster& raster, uint32_t y, uint8_t from, uint8_t to, uint8_t* line)
{
    const uint32_t w = raster.width, h = raster.height;
    uint8_t* row = raster.flagRows[y];
    const uint8_t* above = y > 0 ? raster.flagRows[y - 1] : row;
    const uint8_t* below = y + 1 < h ? raster.flagRows[y + 1] : row;
    auto erode = [&](uint32_t x, uint8_t left, uint8_t right) {
        if (row[x] & above[x] & below[x] & left & right & from)
            row[x] |= to;
    };
    if (w == 1) {
        erode(0, row[0], row[0]);
        return;
    }
    erode(0, row[0], row[1]);
    // The middle goes through the line, branch-free, so the compiler can
    // vectorise it: `to` is the bit above `from`, so shifting the AND of the
    // five `from` bits sets it.
    for (uint32_t x = 1; x + 1 < w; ++x)
        line[x] = uint8_t(row[x] | (row[x] & above[x] & below[x] & row[x - 1] & row[x + 1] & from) << 1);
    std::memcpy(row + 1, line + 1, w - 2);
    erode(w - 1, row[w - 2], row[w - 1]);
}

// Sets the three DEEP bits in one sweep down the picture. A row's DEEP_2
// needs the DEEP_1 of the row below, its DEEP_3 the DEEP_2 of the row below,
// so the sweep works on rows close together, still in the cache.
void MarkDeep(const CMapRaster& raster)
{
    static_assert(DEEP_2 == DEEP_1 << 1 && DEEP_3 == DEEP_2 << 1, "ErodeDeepRow shifts one bit up");
    const uint32_t h = raster.height;
    std::vector<uint8_t> line(raster.width);
    for (uint32_t y = 0; y < h + 2; ++y) {
        if (y < h)
            MarkDeepOneRow(raster, y);
        if (y >= 1 && y - 1 < h)
            ErodeDeepRow(raster, y - 1, DEEP_1, DEEP_2, line.data());
        if (y >= 2)
            ErodeDeepRow(raster, y - 2, DEEP_2, DEEP_3, line.data());
    }
}

// Collects the region of every DEEP_3 pixel not yet SEEN; a region of fewer
// than SMALL_REGION_PIXELS pixels is marked DROPPED. Returns whether any
// region stays.
bool CollectDeepRegions(CMapRaster& raster)
{
    const uint32_t w = raster.width;
    const uint8_t* index = raster.IndexPlane();
    bool anySurvived = false;
    auto collect = [&](uint32_t x, uint32_t y) {
        const RegionRuns region = CollectRuns(raster, index, SEEN, x, y, raster.PosScratch());
        if (region.pixels >= SMALL_REGION_PIXELS) {
            anySurvived = true;
            return;
        }
        for (const PackedPos* run = raster.PosScratch(); run != region.end; ++run) {
            uint8_t* flags = raster.flagRows[PosY(*run)];
            const uint32_t end = RunEnd(raster, index, *run);
            for (uint32_t i = PosX(*run); i < end; ++i)
                flags[i] |= DROPPED;
        }
    };
    static_assert(DEEP_3 << 5 == SEEN, "a shift by five lines DEEP_3 up with SEEN");
    for (uint32_t y = 0; y < raster.height; ++y) {
        const uint8_t* flags = raster.flagRows[y];
        uint32_t x = 0;
        for (; x + 8 <= w; x += 8) {
            // The high bit of each byte with DEEP_3 and without SEEN; a
            // collected region marks more, so the word is read again.
            uint64_t found;
            while ((found = (Load8(flags + x) << 5) & ~Load8(flags + x) & kAllHighBits) != 0)
                collect(x + uint32_t(__builtin_ctzll(found) / 8), y);
        }
        for (; x < w; ++x)
            if ((flags[x] & (DEEP_3 | SEEN)) == DEEP_3)
                collect(x, y);
    }
    return anySurvived;
}

// Rows other than the first and the last: their pixels take the first
// valued of up, down, left, right, as inner pixels do; the first and last
// rows walk their neighbours in another order.
bool IsInnerRow(const CMapRaster& raster, uint32_t y) { return y > 0 && y + 1 < raster.height; }

// Gives the unassigned pixel (x, y) of out (NO_INDEX there) the value of its
// first valued 4-neighbour, walking the neighbour list backwards; returns 0
// if none has one, 1 if the pixel has a value now.
int FillFromNeighbourIn(const CMapRaster& raster, uint8_t* out, uint16_t x, uint16_t y)
{
    const uint32_t w = raster.width;
    uint8_t& pixel = out[size_t(y) * w + x];
    if (pixel != NO_INDEX)
        return 1;
    if (IsInteriorPixel(x, y, w, raster.height)) {
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
    PackedPos* end = raster.Neighbours4(x, y, around);
    while (end != around) {
        const uint8_t value = out[PlaneOffset(*--end, w)];
        if (value != NO_INDEX) {
            pixel = value;
            return 1;
        }
    }
    return 0;
}

// Fills row y's unassigned pixels in order from their neighbours (see
// FillFromNeighbourIn); queues those it cannot fill at pending. Returns the
// new end of the queue.
PackedPos* FillRow(const CMapRaster& raster, uint8_t* out, uint32_t y, PackedPos* pending, uint32_t x = 0)
{
    const uint8_t* row = out + size_t(y) * raster.width;
    for (; x < raster.width; ++x) {
        // Most of a row is assigned: pass eight such pixels at a time.
        while (x + 8 <= raster.width && !AnyNoIndex(row + x))
            x += 8;
        if (x < raster.width && row[x] == NO_INDEX && !FillFromNeighbourIn(raster, out, uint16_t(x), uint16_t(y)))
            *pending++ = PackPos(x, y);
    }
    return pending;
}

// FillRow for an inner row, eight pixels a word: those with a valued pixel
// above or below take it at once; the rest look left, at the pixel as just
// filled, and right, at the pixel as it was.
PackedPos* FillInnerRow(const CMapRaster& raster, uint8_t* out, uint32_t y, PackedPos* pending)
{
    const uint32_t w = raster.width;
    uint8_t* row = out + size_t(y) * w;
    const uint8_t* above = row - w;
    const uint8_t* below = row + w;
    uint32_t x = 0;
    for (; x + 8 <= w; x += 8) {
        const uint64_t was = Load8(row + x);
        const uint64_t unassigned = ~NonzeroBytes(~was) & kAllHighBits;
        if (unassigned == 0)
            continue;
        const uint64_t up = Load8(above + x), down = Load8(below + x);
        const uint64_t fromUp = unassigned & NonzeroBytes(~up);
        const uint64_t fromDown = unassigned & ~fromUp & NonzeroBytes(~down);
        const uint64_t upBytes = (fromUp >> 7) * 0xFF, downBytes = (fromDown >> 7) * 0xFF;
        const uint64_t word = (was & ~upBytes & ~downBytes) | (up & upBytes) | (down & downBytes);
        std::memcpy(row + x, &word, 8);
        for (uint64_t rest = unassigned & ~fromUp & ~fromDown; rest != 0; rest &= rest - 1) {
            const uint32_t i = uint32_t(__builtin_ctzll(rest) / 8), at = x + i;
            const uint8_t left = at > 0 ? row[at - 1] : NO_INDEX;
            const uint8_t right = i < 7 ? uint8_t(was >> (8 * (i + 1))) : at + 1 < w ? row[at + 1] : NO_INDEX;
            if (left != NO_INDEX)
                row[at] = left;
            else if (right != NO_INDEX)
                row[at] = right;
            else
                *pending++ = PackPos(at, y);
        }
    }
    return FillRow(raster, out, y, pending, x);
}

// Gives every unassigned pixel of out a value from its neighbours: one pass
// in raster order, then passes over the pixels still left, each walking the
// previous pass's leftovers from the last found to the first, so alternately
// backwards and forwards, until none is left. Needs one assigned pixel.
//
// The leftovers live in PosScratch. A pass reads its list from one end and
// writes its own leftovers from that same end, never ahead of the reading.
void FillUnassigned(const CMapRaster& raster, uint8_t* out)
{
    PackedPos* low = raster.PosScratch();
    PackedPos* high = low;
    for (uint32_t y = 0; y < raster.height; ++y)
        high = IsInnerRow(raster, y) ? FillInnerRow(raster, out, y, high) : FillRow(raster, out, y, high);
    auto fill = [&](PackedPos p) { return FillFromNeighbourIn(raster, out, uint16_t(PosX(p)), uint16_t(PosY(p))); };
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

// The cleaned picture written to out, the WorkPlane or the FlagPlane (see
// RemoveSmallRegions and WorkIsCleaned).
//
// A region goes when it has fewer than SMALL_REGION_PIXELS pixels or when
// EROSION_STEPS erosions (each dropping the pixels with a 4-neighbour outside
// the region; the rest of the picture is outside) leave none of it. A pixel
// outlasts k erosions exactly when every in-picture pixel within city-block
// distance k lies in its region, that is has its colour; so the erosions are
// done once for the whole picture, in one sweep down it, and only the
// regions with a pixel that outlasts them all are collected, as runs.
void CleanInto(CMapRaster& raster, uint8_t* out)
{
    static_assert(EROSION_STEPS == 3, "one DEEP bit per erosion step");
    const size_t n = raster.PixelCount();
    MarkDeep(raster);

    // Every region that stays holds a DEEP_3 pixel, so only those regions
    // are collected; the pixels of every other region are left unassigned.
    const bool anySurvived = CollectDeepRegions(raster);
    const uint8_t* index = raster.IndexPlane();
    uint8_t* flag = raster.FlagPlane();
    // With nothing left to fill from, the cleanup changes nothing.
    if (!anySurvived) {
        std::memcpy(out, index, n);
        if (out != flag)
            std::memset(flag, 0, n);
        return;
    }
    // A pixel keeps its index when its region stays and is left unassigned
    // otherwise. Branch-free, so the compiler can vectorise it; each pixel's
    // marks are read before out (which may be the FlagPlane) is written.
    static_assert(NO_INDEX == 0xFF, "a pixel not kept gets all bits");
    auto keptOrNone = [&](size_t i) {
        return uint8_t(index[i] | ~uint8_t(-int((flag[i] & (SEEN | DROPPED)) == SEEN)));
    };
    if (out == flag) {
        for (size_t i = 0; i < n; ++i)
            flag[i] = keptOrNone(i);
    } else {
        for (size_t i = 0; i < n; ++i) {
            out[i] = keptOrNone(i);
            flag[i] = 0;
        }
    }
    FillUnassigned(raster, out);
}

}  // namespace

void CMapRaster::RemoveSmallRegions()
{
    if (HasPixels())
        CleanInto(*this, WorkPlane());
}

bool CMapRaster::WorkIsCleaned()
{
    if (!HasPixels())
        return true;
    CleanInto(*this, FlagPlane());
    return std::memcmp(FlagPlane(), WorkPlane(), PixelCount()) == 0;
}

int CMapRaster::FillFromNeighbour(uint16_t x, uint16_t y) { return FillFromNeighbourIn(*this, WorkPlane(), x, y); }
