// The .rgm encoder: header, region seeds, boundary chains, then the small
// regions that the cleanup painted over, each as a seed and a spanning tree.
#include "codec/BitPacker.h"
#include "codec/ByteOrder.h"
#include "codec/MapRaster.h"
#include "codec/PixelWalk.h"
#include "codec/RgmFormat.h"
#include "codec/RunFill.h"
#include "codec/RunLabels.h"

#include <algorithm>
#include <cstring>
#include <limits>

// What the encoder knows of the small regions before writing them.
struct SmallRegions {
    size_t changed = 0;  // pixels the cleanup changed
    size_t room = 0;     // seed records made room for: at least their 8-connected regions of one colour
    bool tight = false;  // whether room leaves at most a byte per pixel unused
};

namespace {

void CheckEncodable(const CMapRaster& raster)
{
    const std::string refusal = EncodeRefusal(raster, ".rgm");
    if (!refusal.empty())
        throw RgmEncodeError(refusal);
}

void WriteHeader(const CMapRaster& raster, std::vector<uint8_t>& out)
{
    AppendU16(out, raster.width);
    AppendU16(out, raster.height);
    out.push_back(uint8_t(raster.colorCount));
    for (int i = 0; i < raster.colorCount; ++i) {
        const uint32_t entry = raster.palette[i];
        out.push_back(uint8_t(entry));
        out.push_back(uint8_t(entry >> 8));
        out.push_back(uint8_t(entry >> 16));
    }
}

// One seed record: colour, then p in the short or long form.
void AppendSeedRecord(const CMapRaster& raster, PackedPos p, uint8_t colour, std::vector<uint8_t>& out)
{
    const uint32_t x = PosX(p), y = PosY(p);
    out.push_back(colour);
    if (SeedRecordSize(raster.width, raster.height) == 5) {
        AppendU16(out, x);
        AppendU16(out, y);
    } else {
        out.push_back(uint8_t(x));
        out.push_back(uint8_t(y));
    }
}

// Writes one seed record at `at`.
void PutSeedRecord(uint8_t* at, size_t recordSize, uint8_t colour, uint32_t x, uint32_t y)
{
    at[0] = colour;
    if (recordSize == 5) {
        const uint8_t position[4] = {uint8_t(x), uint8_t(x >> 8), uint8_t(y), uint8_t(y >> 8)};
        std::memcpy(at + 1, position, 4);
    } else {
        at[1] = uint8_t(x);
        at[2] = uint8_t(y);
    }
}

// Sets each byte of WorkPlane row y to the pixel's colour where the cleanup
// changed it, NO_INDEX elsewhere (no pixel names palette entry 255).
void MarkChangedRow(const CMapRaster& raster, uint32_t y)
{
    uint8_t* work = raster.workRows[y];
    const uint8_t* index = raster.indexRows[y];
    const uint32_t w = raster.width;
    // Branch-free, so the compiler can vectorise it.
    static_assert(NO_INDEX == 0xFF, "a pixel left alone gets all bits");
    for (uint32_t x = 0; x < w; ++x)
        work[x] = uint8_t(index[x] | -int(work[x] == index[x]));
}

// The changed pixels of a row of marks, and those of them with no earlier
// 8-neighbour (left, or one of the three above) of their colour.
struct ChangedCount {
    size_t pixels = 0;
    size_t firsts = 0;
};

// Adds row's changed pixels to count; above is the marks of the row above,
// all NO_INDEX for the first row.
void CountChangedRow(const uint8_t* row, const uint8_t* above, uint32_t w, ChangedCount& count)
{
    auto add = [&](uint32_t x, uint8_t left, uint8_t upLeft, uint8_t upRight) {
        const uint8_t m = row[x];
        count.pixels += m != NO_INDEX;
        count.firsts += (m != NO_INDEX) & (left != m) & (upLeft != m) & (above[x] != m) & (upRight != m);
    };
    if (w == 1) {
        add(0, NO_INDEX, NO_INDEX, NO_INDEX);
        return;
    }
    add(0, NO_INDEX, NO_INDEX, above[1]);
    add(w - 1, row[w - 2], above[w - 2], NO_INDEX);
    // The middle in pieces of 32 pixels: those where no pixel changed are
    // passed, the others done branch-free, so the compiler can vectorise them.
    constexpr uint32_t kPiece = 32;
    uint32_t x = 1;
    for (; x + kPiece < w; x += kPiece) {
        const uint8_t* at = row + x;
        if ((Load8(at) & Load8(at + 8) & Load8(at + 16) & Load8(at + 24)) == ~uint64_t(0))
            continue;
        const uint8_t* up = above + x;
        uint8_t changed[kPiece], firsts[kPiece];
        for (int i = 0; i < int(kPiece); ++i) {  // signed: at[i - 1] is before at
            changed[i] = at[i] != NO_INDEX;
            firsts[i] = uint8_t(changed[i] & (at[i - 1] != at[i]) & (up[i - 1] != at[i]) & (up[i] != at[i]) &
                                (up[i + 1] != at[i]));
        }
        for (uint32_t i = 0; i < kPiece; i += 8) {
            count.pixels += SumOfBytes(Load8(changed + i));
            count.firsts += SumOfBytes(Load8(firsts + i));
        }
    }
    for (; x + 1 < w; ++x)
        add(x, row[x - 1], above[x - 1], above[x + 1]);
}

// Marks the changed pixels in the WorkPlane (MarkChangedRow) and counts them.
// A region's first pixel in raster order is among count.firsts, so there are
// at least as many as regions, and on maps not many more.
ChangedCount MarkChangedRows(const CMapRaster& raster)
{
    const std::vector<uint8_t> noneAbove(raster.width, NO_INDEX);
    ChangedCount count;
    for (uint32_t y = 0; y < raster.height; ++y) {
        MarkChangedRow(raster, y);
        CountChangedRow(raster.workRows[y], y > 0 ? raster.workRows[y - 1] : noneAbove.data(), raster.width, count);
    }
    return count;
}

// Counts the 8-connected regions of changed pixels of one colour, marked in
// the WorkPlane, by labelling their runs as LabelRuns does. Takes a label per
// run in labels and a RowRunLists. The picture must have fewer than
// RUN_LABEL_MAX_PIXELS pixels.
size_t CountChangedRuns(const CMapRaster& raster, uint32_t* labels)
{
    const uint32_t w = raster.width, h = raster.height;
    // Left ends of the changed runs. A run above ends where the marks above
    // stop having its colour, so only the left ends are kept.
    RowRunLists lists(w, h);
    uint32_t run = 0, aboveFirst = 0;
    size_t aboveCount = 0;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = raster.workRows[y];
        const uint8_t* rowAbove = y > 0 ? raster.workRows[y - 1] : row;
        const uint16_t* above = lists.Above();
        uint16_t* here = lists.Here();
        const uint32_t hereFirst = run;
        size_t hereCount = 0;
        size_t j = 0;  // first run above that may still touch
        for (uint32_t x = 0; x < w;) {
            while (x + 8 <= w && Load8(row + x) == ~uint64_t(0))
                x += 8;
            if (x == w)
                break;
            const uint32_t end = RunEndFrom(row, x, w);
            if (row[x] == NO_INDEX) {
                x = end;
                continue;
            }
            labels[run] = RUN_ROOT | std::min(end - x, RUN_PIXELS);
            here[hereCount++] = uint16_t(x);
            // A run above followed by one that starts left of x ends left of
            // x - 1 and cannot touch. Of the rest, the first may start left
            // of x and then touches when it holds pixel x - 1; the others
            // touch when they start at end or before.
            while (j + 1 < aboveCount && above[j + 1] < x)
                ++j;
            size_t k = j;
            if (k < aboveCount && above[k] < x) {
                if (rowAbove[x - 1] == row[x])
                    UniteRuns(labels, run, aboveFirst + uint32_t(k));
                ++k;
            }
            for (; k < aboveCount && above[k] <= end; ++k)
                if (rowAbove[above[k]] == row[x])
                    UniteRuns(labels, run, aboveFirst + uint32_t(k));
            ++run;
            x = end;
        }
        lists.NextRow();
        aboveCount = hereCount;
        aboveFirst = hereFirst;
    }
    size_t regions = 0;
    for (uint32_t k = 0; k < run; ++k)
        regions += labels[k] >> 31;
    return regions;
}

// Counts the 8-connected regions of changed pixels of one colour, for
// pictures too large for run labels, from the WorkPlane's marks. The
// FlagPlane ends zero.
size_t CountChangedRegions(CMapRaster& raster)
{
    const size_t n = raster.PixelCount();
    const uint8_t* work = raster.WorkPlane();
    uint8_t* flag = raster.FlagPlane();
    for (size_t i = 0; i < n; ++i)
        flag[i] = work[i] == NO_INDEX;
    size_t regions = 0;
    for (uint32_t y = 0; y < raster.height; ++y)
        for (uint32_t x = 0; x < raster.width; ++x)
            if (flag[size_t(y) * raster.width + x] == 0) {
                ++regions;
                raster.FloodFill(CONNECT_8, uint16_t(x), uint16_t(y), raster.PosScratch());
            }
    std::memset(flag, 0, n);
    return regions;
}

// Output room for the trees of the small regions: a node code takes at most
// 12 bits and a tree at most one byte of padding.
size_t TreeRoom(const SmallRegions& small) { return small.changed * 12 / 8 + small.room; }

// Whether the changed pixel at p, the first of its region in raster order,
// is the whole region: none of the pixels after it that touch it waits with
// its colour.
bool IsLonePixel(const CMapRaster& raster, const uint8_t* p, uint32_t x, uint32_t y)
{
    const uint32_t w = raster.width;
    const bool right = x + 1 < w, left = x > 0;
    if (right && p[1] == *p)
        return false;
    if (y + 1 == raster.height)
        return true;
    const uint8_t* below = p + w;
    return !((left && below[-1] == *p) || below[0] == *p || (right && below[1] == *p));
}

}  // namespace

std::string EncodeRefusal(const CMapRaster& picture, const std::string& format)
{
    if (!picture.HasPixels())
        return "an empty picture cannot be stored as " + format;
    if (picture.colorCount < 1 || picture.colorCount > 255)
        return "the palette has " + std::to_string(picture.colorCount) + " colours; " + format + " holds 1 to 255";
    const uint8_t* index = picture.IndexPlane();
    uint8_t highest = 0;
    for (size_t i = 0, n = picture.PixelCount(); i < n; ++i)
        highest = std::max(highest, index[i]);
    if (highest >= picture.colorCount)
        return "a pixel names palette entry " + std::to_string(highest) + " of only " +
               std::to_string(picture.colorCount);
    return {};
}

void CMapRaster::Encode(std::vector<uint8_t>& out)
{
    CheckEncodable(*this);
    // A failure part way (out of memory) takes back what was appended.
    const size_t start = out.size();
    try {
        AppendFileImage(out);
    } catch (...) {
        out.resize(start);
        throw;
    }
}

// Memory beyond the raster's block and the output, for any picture:
// - the crack codes, under one byte per pixel (see TraceBoundaries);
// - the seeds' colours, a byte per region of the cleaned picture;
// - output room the small regions leave unused: their trees are given 12
//   bits per node and a byte each and take at least 3 bits per node and a
//   byte each, so at most 1.5 bytes per changed pixel; their seed records
//   and trees' bytes are given room for more regions than there are only
//   while that takes at most a byte per pixel;
// - while runs are labelled, the RowRunLists: 4 bytes per column, at most 2
//   per pixel.
// All else that grows with the content lives in the block: seeds, run
// labels, the small regions' seeds and tree orders in PosScratch (bounded
// below), chain starts in the FlagPlane. When a pixel changed, the seeds are
// at most one per 128 pixels; when none did, there are no trees. The lists
// are gone before the output room is taken, so the encoder adds at most
// 1 + 1 + 2.5 = 4.5 bytes per pixel to the block's 7 (a few bytes more on
// pictures of a few pixels).
// (Pictures of 2^31 pixels or more whose small regions are not bounded
// closely count them only after the first layer is written, which may move
// the output once.)
void CMapRaster::AppendFileImage(std::vector<uint8_t>& out)
{
    WriteHeader(*this, out);
    const size_t recordSize = SeedRecordSize(width, height);

    // First layer: the cleaned picture as region seeds and boundary chains.
    RemoveSmallRegions();
    const PackedPos* seedsEnd = CollectRegionSeeds();
    const size_t seeds = size_t(seedsEnd - PosScratch());
    std::vector<uint8_t> codes;
    const size_t chains = TraceBoundaries(codes);
    if (chains > std::numeric_limits<uint32_t>::max())
        throw RgmEncodeError("too many boundary chains for one .rgm file");

    // Second layer: the pixels the cleanup changed, as 8-connected regions
    // of their own colour.
    // The seeds' colours, before the WorkPlane takes the marks of the changed
    // pixels. A byte per seed: at most one per 128 pixels when any pixel
    // changed (see below), one per pixel when none did and no codes are made.
    std::vector<uint8_t> seedColours(seeds);
    for (size_t k = 0; k < seeds; ++k)
        seedColours[k] = workRows[PosY(PosScratch()[k])][PosX(PosScratch()[k])];

    // Room for the small regions' seed records: the first runs bound their
    // number closely on maps. Where the room might leave more than a byte per
    // pixel unused, as on dithered pictures, the regions are counted; their
    // run labels go behind the seeds, and seeds + changed pixels <= pixels
    // (some region survived the cleanup when a pixel changed, and every
    // region of the cleaned picture holds 128 pixels or more that kept their
    // colour), so the labels fit.
    const ChangedCount changed = MarkChangedRows(*this);
    SmallRegions small;
    small.changed = changed.pixels;
    small.room = changed.firsts;
    small.tight = small.room * (recordSize + 1) <= PixelCount();
    if (!small.tight && PixelCount() < RUN_LABEL_MAX_PIXELS) {
        small.room = CountChangedRuns(*this, PosScratch() + seeds);
        small.tight = true;
    }

    out.reserve(out.size() + seeds * recordSize + 1 + 4 + 4 * chains + codes.size() +
                small.room * recordSize + 1 + TreeRoom(small));
    for (size_t k = 0; k < seeds; ++k)
        AppendSeedRecord(*this, PosScratch()[k], seedColours[k], out);
    out.push_back(SEED_END);
    std::vector<uint8_t>().swap(seedColours);
    AppendU32(out, uint32_t(chains));
    AppendChainStarts(out);
    out.insert(out.end(), codes.begin(), codes.end());
    std::vector<uint8_t>().swap(codes);
    WriteSmallRegions(small, out);
}

// Writes the small regions' seed records and trees. Regions are taken in
// raster order of their first pixels, the seeds. The trees are written behind
// room for small.room seed records, the seeds kept in PosScratch, and moved
// up to their records once the regions are counted.
void CMapRaster::WriteSmallRegions(SmallRegions& small, std::vector<uint8_t>& out)
{
    const size_t n = PixelCount();
    uint8_t* work = WorkPlane();
    const size_t recordSize = SeedRecordSize(width, height);
    if (!small.tight) {
        // Too large for run labels: counted here, where the FlagPlane is free.
        small.room = CountChangedRegions(*this);
        small.tight = true;
    }
    const size_t seedsStart = out.size();
    const size_t treesStart = seedsStart + small.room * recordSize + 1;
    out.reserve(treesStart + TreeRoom(small));
    out.resize(treesStart + TreeRoom(small));
    BitPacker codes(out.data() + treesStart);

    // Region k's tree grows from its seed, seeds[k]; it holds at most the
    // pixels of no earlier region, so the scratch is enough.
    PackedPos* const seeds = PosScratch();
    PackedPos* const scratchEnd = PosScratch() + n + 8;
    size_t count = 0;
    size_t next = 0;
    uint32_t y = 0;
    size_t rowStart = 0;  // where row y starts
    for (;; ++count) {
        // The first pixel still waiting is the next region's seed: every
        // region whose seed comes earlier has been written.
        for (; next + 8 <= n; next += 8) {
            if (const uint64_t waiting = ~Load8(work + next)) {
                next += size_t(__builtin_ctzll(waiting) / 8);
                break;
            }
        }
        while (next < n && work[next] == NO_INDEX)
            ++next;
        if (next == n)
            break;
        if (count == small.room)
            throw RgmEncodeError("internal error: more small regions than their seeds have room for");
        for (; next - rowStart >= width; rowStart += width)
            ++y;
        const uint32_t x = uint32_t(next - rowStart);
        seeds[count] = PackPos(x, y);
        __builtin_prefetch(FlagPlane() + next + 256);
        __builtin_prefetch(FlagPlane() + next + width + 256);
        if (IsLonePixel(*this, work + next, x, y)) {
            // A root without children, one 3-bit group 0.
            work[next] = NO_INDEX;
            codes.Put(0, 8);
            continue;
        }
        BuildRegionTree(seeds + count, scratchEnd);
        WriteRegionTree(seeds + count, codes);
    }
    codes.Flush();

    // The trees follow the seed records and their end mark.
    uint8_t* const records = out.data() + seedsStart;
    uint8_t* const trees = records + count * recordSize + 1;
    const size_t treeBytes = size_t(codes.End() - (out.data() + treesStart));
    std::memmove(trees, out.data() + treesStart, treeBytes);
    trees[-1] = SEED_END;
    const uint8_t* index = IndexPlane();
    for (size_t k = 0; k < count; ++k) {
        const PackedPos p = seeds[k];
        PutSeedRecord(records + k * recordSize, recordSize, index[PlaneOffset(p, width)], PosX(p), PosY(p));
    }
    out.resize(size_t(trees + treeBytes - out.data()));
}

PackedPos* CMapRaster::CollectRegionSeeds()
{
    PackedPos* seedsEnd = PosScratch();
    if (PixelCount() < RUN_LABEL_MAX_PIXELS) {
        // A region's first pixel is the left end of its root run. Seed k
        // overwrites the label of run k or an earlier one, all read by then.
        uint32_t* labels = PosScratch();
        LabelRuns(*this, WorkPlane(), labels);
        ForEachRun(*this, WorkPlane(), [&](uint32_t run, uint32_t left, uint32_t, uint32_t y) {
            if (labels[run] & RUN_ROOT)
                *seedsEnd++ = PackPos(left, y);
        });
        return seedsEnd;
    }
    uint8_t* flag = FlagPlane();
    std::memset(flag, 0, PixelCount());
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            if (flag[size_t(y) * width + x] != 0)
                continue;
            // The region's runs are queued right behind the seeds; the next
            // seed overwrites the first of them.
            *seedsEnd++ = PackPos(x, y);
            CollectRuns(*this, WorkPlane(), 1, x, y, seedsEnd);
        }
    }
    return seedsEnd;
}
