// Region segmentation and the small-region cleanup that builds the
// encoder's simplified picture in the WorkPlane.
#include "codec/MapRaster.h"
#include "codec/PixelWalk.h"

#include <cstring>
#include <utility>
#include <vector>

namespace {

// Neighbour steps of an interior pixel in enumeration order (R, L, D, U, DR,
// UR, DL, UL), as PackedPos differences; unsigned wrap-around subtracts.
constexpr uint32_t kPosStep[8] = {1u,           0u - 1u,           0x10000u,           0u - 0x10000u,
                                  0x10000u + 1, 0u - 0x10000u + 1, 0x10000u - 1, 0u - 0x10000u - 1};

struct InteriorSteps {
    ptrdiff_t offset[8];
    explicit InteriorSteps(ptrdiff_t w) : offset{1, -1, w, -w, w + 1, -w + 1, w - 1, -w - 1} {}
};

// Marks every pixel of a removed region as unassigned.
void ClearToUnassigned(uint8_t* work, uint32_t width, const PackedPos* first, const PackedPos* last)
{
    for (const PackedPos* p = first; p != last; ++p)
        work[PlaneOffset(*p, width)] = NO_INDEX;
}

void SetFlags(uint8_t* flag, uint32_t width, const PackedPos* first, const PackedPos* last, uint8_t value)
{
    for (const PackedPos* p = first; p != last; ++p)
        flag[PlaneOffset(*p, width)] = value;
}

// Decides one region of the cleanup: small or eroded away, its pixels become
// unassigned; otherwise it stays. The FlagPlane is all 0 before and after.
bool KeepRegionIfThick(CMapRaster& raster, PackedPos* first, PackedPos* last)
{
    uint8_t* work = raster.WorkPlane();
    uint8_t* flag = raster.FlagPlane();
    const uint32_t w = raster.width;
    if (size_t(last - first) < SMALL_REGION_PIXELS) {
        ClearToUnassigned(work, w, first, last);
        return false;
    }
    SetFlags(flag, w, first, last, 1);
    PackedPos* kept = last;
    for (int step = 0; step < EROSION_STEPS && kept != first; ++step) {
        PackedPos* border = raster.PartitionInterior(first, kept);
        SetFlags(flag, w, border, kept, 0);
        kept = border;
    }
    if (kept == first) {
        ClearToUnassigned(work, w, first, last);
        return false;
    }
    SetFlags(flag, w, first, kept, 0);
    return true;
}

// Gives every unassigned WorkPlane pixel a value from its neighbours: one pass
// in raster order, then passes over the pixels still left, alternately
// backwards and forwards, until none is left. Needs one assigned pixel.
void FillUnassigned(CMapRaster& raster)
{
    const uint8_t* work = raster.WorkPlane();
    std::vector<PackedPos> pending, current;
    for (uint32_t y = 0; y < raster.height; ++y) {
        const uint8_t* row = work + size_t(y) * raster.width;
        for (uint32_t x = 0; x < raster.width; ++x)
            if (row[x] == NO_INDEX && !raster.FillFromNeighbour(uint16_t(x), uint16_t(y)))
                pending.push_back(PackPos(x, y));
    }
    while (!pending.empty()) {
        std::swap(current, pending);
        pending.clear();
        for (auto it = current.rbegin(); it != current.rend(); ++it)
            if (!raster.FillFromNeighbour(uint16_t(PosX(*it)), uint16_t(PosY(*it))))
                pending.push_back(*it);
    }
}

}  // namespace

PackedPos* CMapRaster::FloodFill(int mode, uint16_t x, uint16_t y, PackedPos* queue)
{
    const uint8_t* index = IndexPlane();
    uint8_t* flag = FlagPlane();
    const uint32_t w = width, h = height;
    const uint8_t colour = index[size_t(y) * w + x];
    const unsigned interiorCount = mode == CONNECT_8 ? 8 : 4;
    const InteriorSteps steps(w);

    queue[0] = PackPos(x, y);
    flag[size_t(y) * w + x] = 1;
    PackedPos* head = queue;
    PackedPos* tail = queue + 1;
    while (head != tail) {
        const PackedPos q = *head++;
        const uint32_t qx = PosX(q), qy = PosY(q);
        if (IsInteriorPixel(qx, qy, w, h)) {
            const size_t i = size_t(qy) * w + qx;
            for (unsigned k = 0; k < interiorCount; ++k) {
                const size_t j = i + steps.offset[k];
                if (flag[j] == 0 && index[j] == colour) {
                    flag[j] = 1;
                    *tail++ = q + kPosStep[k];
                }
            }
            continue;
        }
        PackedPos candidates[8];
        PackedPos* end = mode == CONNECT_8 ? Neighbours8(uint16_t(qx), uint16_t(qy), candidates)
                                           : Neighbours4(uint16_t(qx), uint16_t(qy), candidates);
        for (PackedPos* c = candidates; c != end; ++c) {
            const size_t j = PlaneOffset(*c, w);
            if (flag[j] == 0 && index[j] == colour) {
                flag[j] = 1;
                *tail++ = *c;
            }
        }
    }
    return tail;
}

void CMapRaster::LabelRegions(int mode, RegionList& regions)
{
    const size_t n = PixelCount();
    const uint8_t* work = WorkPlane();
    const uint8_t* index = IndexPlane();
    uint8_t* flag = FlagPlane();
    // Pixels the cleanup left alone take no part.
    for (size_t i = 0; i < n; ++i)
        flag[i] = work[i] == index[i];

    regions.push_back(PosScratch());
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = flag + size_t(y) * width;
        for (uint32_t x = 0; x < width; ++x)
            if (row[x] == 0)
                regions.push_back(FloodFill(mode, uint16_t(x), uint16_t(y), regions.back()));
    }
}

PackedPos* CMapRaster::PartitionInterior(PackedPos* first, PackedPos* last)
{
    const uint8_t* flag = FlagPlane();
    const uint32_t w = width, h = height;
    while (first != last) {
        const uint32_t x = PosX(*first), y = PosY(*first);
        bool border = false;
        if (IsInteriorPixel(x, y, w, h)) {
            const uint8_t* f = flag + size_t(y) * w + x;
            border = f[-ptrdiff_t(w)] == 0 || f[w] == 0 || f[-1] == 0 || f[1] == 0;
        } else {
            PackedPos around[4];
            PackedPos* end = Neighbours4(uint16_t(x), uint16_t(y), around);
            for (PackedPos* n = around; n != end && !border; ++n)
                border = flag[PlaneOffset(*n, w)] == 0;
        }
        if (border)
            std::swap(*first, *--last);
        else
            ++first;
    }
    return first;
}

void CMapRaster::RemoveSmallRegions()
{
    if (!HasPixels())
        return;
    const size_t n = PixelCount();
    uint8_t* work = WorkPlane();

    // Every pixel lies in one 4-connected region: no IndexPlane value is 255.
    RegionList regions;
    regions.reserve(size_t(width) + height + 1024);
    std::memset(work, NO_INDEX, n);
    LabelRegions(CONNECT_4, regions);

    std::memcpy(work, IndexPlane(), n);
    std::memset(FlagPlane(), 0, n);
    bool anySurvived = false;
    for (size_t k = regions.size() - 1; k >= 1; --k)
        anySurvived |= KeepRegionIfThick(*this, regions[k - 1], regions[k]);
    RegionList().swap(regions);

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
