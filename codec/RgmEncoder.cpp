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
    size_t changed = 0;         // pixels the cleanup changed
    size_t count = 0;           // their 8-connected regions of one colour
    bool counted = false;       // whether pixels holds each region's pixel count
    uint32_t* pixels = nullptr; // in PosScratch, behind the region seeds
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

// Sets marks[x] to the colour of pixel x of row y where the cleanup changed
// it, NO_INDEX elsewhere (no pixel names palette entry 255); marks may be the
// row's own WorkPlane row. Returns the number of changed pixels.
size_t MarkChangedRow(const CMapRaster& raster, uint32_t y, uint8_t* marks)
{
    const uint8_t* work = raster.workRows[y];
    const uint8_t* index = raster.indexRows[y];
    const uint32_t w = raster.width;
    size_t changed = 0;
    // Branch-free, so the compiler can vectorise it; marks may be work.
    static_assert(NO_INDEX == 0xFF, "a pixel left alone gets all bits");
    for (uint32_t x = 0; x < w; ++x) {
        const uint8_t same = uint8_t(-int(work[x] == index[x]));
        changed += uint8_t(same + 1);
        marks[x] = uint8_t(index[x] | same);
    }
    return changed;
}

// Marks the changed pixels in the WorkPlane row by row (MarkChangedRow) and
// labels their runs as LabelRuns does, a region joining runs of one colour
// that touch in 8-connection. Returns the number of runs labelled and counts
// the changed pixels. Besides labels it takes a RowRunLists.
uint32_t LabelChangedRuns(const CMapRaster& raster, uint32_t* labels, size_t& changed)
{
    const uint32_t w = raster.width, h = raster.height;
    // Left ends of the changed runs. A run above ends where the marks above
    // stop having its colour, so only the left ends are kept.
    RowRunLists lists(w, h);
    uint32_t run = 0, aboveFirst = 0;
    size_t aboveCount = 0;
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* row = raster.workRows[y];
        changed += MarkChangedRow(raster, y, row);
        const uint8_t* rowAbove = y > 0 ? raster.workRows[y - 1] : row;
        const uint16_t* above = lists.Above();
        uint16_t* here = lists.Here();
        const uint32_t hereFirst = run;
        size_t hereCount = 0;
        size_t j = 0;  // first run above that may still touch
        for (uint32_t x = 0; x < w;) {
            // Most pixels were left alone: pass eight such at a time.
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
    return run;
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
size_t TreeRoom(const SmallRegions& small) { return small.changed * 12 / 8 + small.count; }

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
// - output room the trees leave unused: they are given 12 bits per node and
//   a byte each and take at least 3 bits per node and a byte each, so at
//   most 1.5 bytes per changed pixel;
// - while runs are labelled, the RowRunLists: 4 bytes per column, at most 2
//   per pixel.
// All else that grows with the content lives in the block: seeds, run labels,
// the small regions' pixel counts and tree orders in PosScratch (bounded
// below), chain starts in the FlagPlane. When a pixel changed, the seeds are
// at most one per 128 pixels; when none did, there are no trees. The lists
// are gone before the output room is taken, so the encoder adds at most
// 1 + 1 + 2 = 4 bytes per pixel to the block's 7 (a few bytes more on
// pictures of a few pixels).
// (Pictures of 2^31 pixels or more count their small regions only after the
// first layer is written, which may move the output once.)
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
    // of their own colour. Their pixel counts go behind the seeds. Some
    // region survived the cleanup when a pixel changed, and every region of
    // the cleaned picture holds one of 128 pixels or more that kept their
    // colour, so seeds + changed pixels <= pixels: the labels fit.
    // The seeds' colours, before the WorkPlane takes the marks of the changed
    // pixels. A byte per seed: at most one per 128 pixels when any pixel
    // changed (see below), one per pixel when none did and no codes are made.
    std::vector<uint8_t> seedColours(seeds);
    for (size_t k = 0; k < seeds; ++k)
        seedColours[k] = workRows[PosY(PosScratch()[k])][PosX(PosScratch()[k])];

    SmallRegions small;
    small.pixels = PosScratch() + seeds;
    small.counted = PixelCount() < RUN_LABEL_MAX_PIXELS;
    if (small.counted) {
        const uint32_t runs = LabelChangedRuns(*this, small.pixels, small.changed);
        // Without a branch: every label is written, a root's kept.
        static_assert(RUN_ROOT == 1u << 31, "a root's label has the top bit");
        for (uint32_t run = 0; run < runs; ++run) {
            const uint32_t label = small.pixels[run];
            small.pixels[small.count] = label & RUN_PIXELS;
            small.count += label >> 31;
        }
    }

    out.reserve(out.size() + seeds * recordSize + 1 + 4 + 4 * chains + codes.size() +
                small.count * recordSize + 1 + TreeRoom(small));
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
// raster order of their first pixels, the seeds.
void CMapRaster::WriteSmallRegions(SmallRegions& small, std::vector<uint8_t>& out)
{
    const size_t n = PixelCount();
    uint8_t* work = WorkPlane();
    if (!small.counted) {
        for (uint32_t y = 0; y < height; ++y)
            MarkChangedRow(*this, y, workRows[y]);
        small.changed = 0;
        for (size_t i = 0; i < n; ++i)
            small.changed += work[i] != NO_INDEX;
        small.count = CountChangedRegions(*this);
    }

    const size_t recordSize = SeedRecordSize(width, height);
    // The seed records are filled in as the trees are written behind them.
    size_t record = out.size();
    const size_t treesStart = record + small.count * recordSize + 1;
    out.reserve(treesStart + TreeRoom(small));
    out.resize(treesStart + TreeRoom(small));
    out[treesStart - 1] = SEED_END;
    BitPacker codes(out.data() + treesStart);

    // A region's tree grows from its first pixel behind the counts; it holds
    // at most the pixels of no other region, so the scratch is enough.
    PackedPos* const tree = small.pixels + small.count;
    PackedPos* const scratchEnd = PosScratch() + n + 8;
    size_t next = 0;
    uint32_t y = 0;
    size_t rowStart = 0;  // where row y starts
    for (size_t k = 0; k < small.count; ++k) {
        // The first pixel still waiting is the next region's seed: every
        // region whose seed comes earlier has been written.
        for (; next + 8 <= n; next += 8) {
            if (const uint64_t waiting = ~Load8(work + next)) {
                next += size_t(__builtin_ctzll(waiting) / 8);
                break;
            }
        }
        while (work[next] == NO_INDEX)
            ++next;
        for (; next - rowStart >= width; rowStart += width)
            ++y;
        const uint32_t x = uint32_t(next - rowStart);
        PutSeedRecord(out.data() + record, recordSize, work[next], x, y);
        record += recordSize;
        if (small.counted && small.pixels[k] == 1) {
            // A lone pixel: a root without children, one 3-bit group 0.
            work[next] = NO_INDEX;
            codes.Put(0, 8);
            continue;
        }
        tree[0] = PackPos(x, y);
        const bool whole = small.counted && small.pixels[k] < RUN_PIXELS;
        BuildRegionTree(tree, whole ? tree + small.pixels[k] : scratchEnd);
        WriteRegionTree(tree, codes);
    }
    codes.Flush();
    out.resize(size_t(codes.End() - out.data()));
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
