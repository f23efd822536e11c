// The .rgm encoder: header, region seeds, boundary chains, then the small
// regions that the cleanup painted over, each as a seed and a spanning tree.
#include "codec/ByteOrder.h"
#include "codec/MapRaster.h"
#include "codec/RgmFormat.h"
#include "codec/RunFill.h"

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
    WriteSeedRecords(PosScratch(), CollectRegionSeeds(), workRows, out);
    std::vector<PackedPos> chainStarts;
    std::vector<uint8_t> bits;
    TraceBoundaries(chainStarts, bits);
    WriteChainTable(chainStarts, out);
    PackBits(bits.data(), bits.data() + bits.size(), out);

    // Second layer: the pixels the cleanup changed, as 8-connected small
    // regions of their own colour.
    RegionList regions;
    LabelRegions(CONNECT_8, regions);
    bits.clear();
    std::vector<PackedPos>& smallRegionSeeds = chainStarts;
    smallRegionSeeds.clear();
    std::memset(FlagPlane(), 0, PixelCount());
    std::memset(WorkPlane(), 0, PixelCount());
    // Every chunk ends on a byte, so packing chunk by chunk gives the same
    // tree stream while holding one chunk's bits at a time.
    std::vector<uint8_t> treeStream;
    for (size_t k = 1; k < regions.size(); ++k) {
        smallRegionSeeds.push_back(*regions[k - 1]);
        BuildRegionTree(regions[k - 1], regions[k]);
        WriteRegionTree(regions[k - 1], bits);
        PackBits(bits.data(), bits.data() + bits.size(), treeStream);
        bits.clear();
    }
    WriteSeedRecords(smallRegionSeeds.data(), smallRegionSeeds.data() + smallRegionSeeds.size(),
                     indexRows, out);
    out.insert(out.end(), treeStream.begin(), treeStream.end());
}

PackedPos* CMapRaster::CollectRegionSeeds()
{
    uint8_t* flag = FlagPlane();
    std::memset(flag, 0, PixelCount());
    PackedPos* seedsEnd = PosScratch();
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
    const bool longForm = SeedRecordSize(width, height) == 5;
    for (const PackedPos* p = first; p != last; ++p) {
        const uint32_t x = PosX(*p), y = PosY(*p);
        out.push_back(plane[y][x]);
        if (longForm) {
            AppendU16(out, x);
            AppendU16(out, y);
        } else {
            out.push_back(uint8_t(x));
            out.push_back(uint8_t(y));
        }
    }
    out.push_back(SEED_END);
}
