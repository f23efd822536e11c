// Region segmentation: flood fill, labelling of changed pixels, erosion steps.
#include "codec/MapRaster.h"
#include "codec/PixelWalk.h"

#include <utility>

namespace {

// Neighbour steps of an interior pixel in enumeration order (R, L, D, U, DR,
// UR, DL, UL), as PackedPos differences; unsigned wrap-around subtracts.
constexpr uint32_t kPosStep[8] = {1u,           0u - 1u,           0x10000u,           0u - 0x10000u,
                                  0x10000u + 1, 0u - 0x10000u + 1, 0x10000u - 1, 0u - 0x10000u - 1};

struct InteriorSteps {
    ptrdiff_t offset[8];
    explicit InteriorSteps(ptrdiff_t w) : offset{1, -1, w, -w, w + 1, -w + 1, w - 1, -w - 1} {}
};

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
                const size_t j = i + size_t(steps.offset[k]);
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
