#include "doc/SurvivorGrid.h"

#include <algorithm>

namespace {

// Small thresholds would make many tiny cubes; this side keeps the table small.
constexpr int kMinCubeSide = 8;

int Channel(uint32_t colour, int shift) { return int((colour >> shift) & 0xFF); }

}  // namespace

CSurvivorGrid::CSurvivorGrid(int threshold)
    : threshold_(std::clamp(threshold, 0, 255)),
      side_(std::max(threshold_ + 1, kMinCubeSide)),
      cubesPerAxis_((256 + side_ - 1) / side_),
      near_(size_t(cubesPerAxis_) * size_t(cubesPerAxis_) * size_t(cubesPerAxis_))
{
}

int CSurvivorGrid::CubeOf(uint32_t colour) const
{
    return ((Channel(colour, 0) / side_) * cubesPerAxis_ + Channel(colour, 8) / side_) * cubesPerAxis_ +
           Channel(colour, 16) / side_;
}

void CSurvivorGrid::Add(uint32_t colour, uint32_t rank)
{
    const uint32_t position = uint32_t(colours_.size());
    colours_.push_back(colour);
    ranks_.push_back(rank);
    int lo[3], hi[3];
    for (int axis = 0; axis < 3; ++axis) {
        const int cube = Channel(colour, 8 * axis) / side_;
        lo[axis] = std::max(cube - 1, 0);
        hi[axis] = std::min(cube + 1, cubesPerAxis_ - 1);
    }
    for (int r = lo[0]; r <= hi[0]; ++r)
        for (int g = lo[1]; g <= hi[1]; ++g)
            for (int b = lo[2]; b <= hi[2]; ++b)
                near_[size_t((r * cubesPerAxis_ + g) * cubesPerAxis_ + b)].push_back(position);
}

uint32_t CSurvivorGrid::FindNearest(uint32_t colour) const
{
    // The list is in the order added, so keeping only strictly nearer ones
    // leaves the first of equally near survivors.
    int bestDistance = threshold_ + 1;
    uint32_t best = kNone;
    for (uint32_t position : near_[size_t(CubeOf(colour))]) {
        const int d = ColorDistance(colour, colours_[position]);
        if (d < bestDistance) {
            bestDistance = d;
            best = position;
        }
    }
    return best != kNone ? ranks_[best] : kNone;
}
