// The .rgm encoder: header, region seeds, boundary chains, then the small
// regions that the cleanup painted over, each as a seed and a spanning tree.
#include "codec/ByteOrder.h"
#include "codec/MapRaster.h"
#include "codec/PixelWalk.h"
#include "codec/RgmFormat.h"
#include "codec/RunFill.h"
#include "codec/RunLabels.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// Refuses what the format cannot hold: no pixels, or an index that names no
// palette entry (255 would also read as a seed list's end marker).
void CheckEncodable(const CMapRaster& raster)
{
    if (!raster.HasPixels())
        throw RgmEncodeError("an empty picture cannot be stored as .rgm");
    if (raster.colorCount < 0 || raster.colorCount > 255)
        throw RgmEncodeError("the palette has " + std::to_string(raster.colorCount) +
                             " colours; .rgm holds at most 255");
    const uint8_t* index = raster.IndexPlane();
    uint8_t highest = 0;
    for (size_t i = 0, n = raster.PixelCount(); i < n; ++i)
        highest = std::max(highest, index[i]);
    if (highest >= raster.colorCount)
        throw RgmEncodeError("a pixel names palette entry " + std::to_string(highest) + " of only " +
                             std::to_string(raster.colorCount));
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

void WriteChainTable(const std::vector<PackedPos>& chainStarts, std::vector<uint8_t>& out)
{
    if (chainStarts.size() > std::numeric_limits<uint32_t>::max())
        throw RgmEncodeError("too many boundary chains for one .rgm file");
    AppendU32(out, uint32_t(chainStarts.size()));
    for (PackedPos start : chainStarts)
        AppendU32(out, start);
}

// One seed record: the colour at p in plane, then p in the short or long form.
void AppendSeedRecord(const CMapRaster& raster, PackedPos p, uint8_t** plane, std::vector<uint8_t>& out)
{
    const uint32_t x = PosX(p), y = PosY(p);
    out.push_back(plane[y][x]);
    if (SeedRecordSize(raster.width, raster.height) == 5) {
        AppendU16(out, x);
        AppendU16(out, y);
    } else {
        out.push_back(uint8_t(x));
        out.push_back(uint8_t(y));
    }
}

// WorkPlane mark of a small region's first pixel while the regions wait for
// their trees; no tree step writes this value.
constexpr uint8_t REGION_START = 0x80;

// What LabelRegions(CONNECT_8) does, without a list of region ends: the
// regions lie back to back in PosScratch, each first pixel marked
// REGION_START in an otherwise zero WorkPlane; the FlagPlane ends zero.
// Returns the end of the last region and counts the regions.
PackedPos* LabelChangedRegions(CMapRaster& raster, size_t& regionCount)
{
    const size_t n = raster.PixelCount();
    uint8_t* work = raster.WorkPlane();
    const uint8_t* index = raster.IndexPlane();
    uint8_t* flag = raster.FlagPlane();
    // Pixels the cleanup left alone take no part.
    for (size_t i = 0; i < n; ++i)
        flag[i] = work[i] == index[i];
    std::memset(work, 0, n);
    PackedPos* end = raster.PosScratch();
    for (uint32_t y = 0; y < raster.height; ++y) {
        const uint8_t* row = flag + size_t(y) * raster.width;
        for (uint32_t x = 0; x < raster.width; ++x) {
            // Most pixels were left alone: pass eight such at a time.
            while (x + 8 <= raster.width && NonzeroBytes(Load8(row + x)) == kAllHighBits)
                x += 8;
            if (x < raster.width && row[x] == 0) {
                work[size_t(y) * raster.width + x] = REGION_START;
                ++regionCount;
                end = raster.FloodFill(CONNECT_8, uint16_t(x), uint16_t(y), end);
            }
        }
    }
    std::memset(flag, 0, n);
    return end;
}

// The end of the region that starts at first: the next marked first pixel.
// Clears first's mark.
PackedPos* RegionEnd(CMapRaster& raster, PackedPos* first, PackedPos* end)
{
    uint8_t* work = raster.WorkPlane();
    work[PlaneOffset(*first, raster.width)] = 0;
    PackedPos* last = first + 1;
    while (last != end && work[PlaneOffset(*last, raster.width)] != REGION_START)
        ++last;
    return last;
}

}  // namespace

void PackBits(const uint8_t* first, const uint8_t* last, std::vector<uint8_t>& out)
{
    while (first != last) {
        uint8_t byte = 0;
        for (unsigned k = 0; k < 8 && first != last; ++k)
            byte |= uint8_t((*first++ & 1u) << k);
        out.push_back(byte);
    }
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

void CMapRaster::AppendFileImage(std::vector<uint8_t>& out)
{
    WriteHeader(*this, out);

    // First layer: the cleaned picture as region seeds and boundary chains.
    RemoveSmallRegions();
    const PackedPos* seedsEnd = CollectRegionSeeds();
    out.reserve(out.size() + size_t(seedsEnd - PosScratch()) * SeedRecordSize(width, height) + 1);
    WriteSeedRecords(PosScratch(), seedsEnd, workRows, out);
    std::vector<uint8_t> bits;
    {
        std::vector<PackedPos> chainStarts;
        TraceBoundaries(chainStarts, bits);
        out.reserve(out.size() + 4 + 4 * chainStarts.size() + (bits.size() + 7) / 8);
        WriteChainTable(chainStarts, out);
    }
    PackBits(bits.data(), bits.data() + bits.size(), out);

    // Second layer: the pixels the cleanup changed, as 8-connected small
    // regions of their own colour, back to back in PosScratch.
    const size_t recordSize = SeedRecordSize(width, height);
    size_t regionCount = 0;
    PackedPos* const changedEnd = LabelChangedRegions(*this, regionCount);
    const size_t changed = size_t(changedEnd - PosScratch());
    // A node code takes at most 12 bits and a tree at most one byte of
    // padding: reserving that much once keeps the output from doubling.
    out.reserve(out.size() + regionCount * recordSize + 1 + changed * 12 / 8 + regionCount);
    // The seed records are filled in as the trees are written behind them.
    size_t record = out.size();
    out.resize(record + regionCount * recordSize);
    out.push_back(SEED_END);
    std::vector<uint8_t> seed;
    // Every chunk ends on a byte, so packing chunk by chunk gives the same
    // tree stream while holding one chunk's bits at a time.
    std::vector<uint8_t>().swap(bits);
    for (PackedPos* first = PosScratch(); first != changedEnd;) {
        PackedPos* last = RegionEnd(*this, first, changedEnd);
        seed.clear();
        AppendSeedRecord(*this, *first, indexRows, seed);
        std::copy(seed.begin(), seed.end(), out.begin() + ptrdiff_t(record));
        record += recordSize;
        BuildRegionTree(first, last);
        WriteRegionTree(first, bits);
        PackBits(bits.data(), bits.data() + bits.size(), out);
        bits.clear();
        first = last;
    }
}

PackedPos* CMapRaster::CollectRegionSeeds()
{
    uint8_t* flag = FlagPlane();
    std::memset(flag, 0, PixelCount());
    PackedPos* seedsEnd = PosScratch();
    if (PixelCount() < RUN_LABEL_MAX_PIXELS) {
        // A region's first pixel is the left end of its root run. Seed k
        // overwrites the label of run k or an earlier one, all read by then.
        uint32_t* labels = PosScratch();
        LabelRuns(*this, WorkPlane(), nullptr, 0, labels);
        ForEachRun(*this, WorkPlane(), [&](uint32_t run, uint32_t left, uint32_t, uint32_t y) {
            if (labels[run] & RUN_ROOT)
                *seedsEnd++ = PackPos(left, y);
        });
        return seedsEnd;
    }
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

void CMapRaster::WriteSeedRecords(const PackedPos* first, const PackedPos* last, uint8_t** plane,
                                  std::vector<uint8_t>& out) const
{
    for (const PackedPos* p = first; p != last; ++p)
        AppendSeedRecord(*this, *p, plane, out);
    out.push_back(SEED_END);
}
