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
      cellsPerAxis_((256 + side_ - 1) / side_),
      cellHeads_(size_t(cellsPerAxis_) * size_t(cellsPerAxis_) * size_t(cellsPerAxis_), -1),
      blueCells_(size_t(cellsPerAxis_) * size_t(cellsPerAxis_), 0)
{
}

int CSurvivorGrid::CellOf(int redCell, int greenCell, int blueCell) const
{
    return (redCell * cellsPerAxis_ + greenCell) * cellsPerAxis_ + blueCell;
}

void CSurvivorGrid::Add(uint32_t c, uint32_t rank)
{
    const int redCell = Channel(c, 0) / side_, greenCell = Channel(c, 8) / side_, blueCell = Channel(c, 16) / side_;
    const int cell = CellOf(redCell, greenCell, blueCell);
    blueCells_[size_t(redCell * cellsPerAxis_ + greenCell)] |= uint32_t(1) << blueCell;
    nextInCell_.push_back(cellHeads_[size_t(cell)]);
    cellHeads_[size_t(cell)] = int32_t(ranks_.size());
    ranks_.push_back(rank);
    colours_.push_back(c);
}

uint32_t CSurvivorGrid::FindNearest(uint32_t colour) const
{
    int lo[3], hi[3];
    for (int axis = 0; axis < 3; ++axis) {
        const int v = Channel(colour, 8 * axis);
        lo[axis] = std::max(v - threshold_, 0) / side_;
        hi[axis] = std::min(v + threshold_, 255) / side_;
    }
    // At most 32 cubes per axis, as cubes are at least 8 wide.
    const uint32_t blueRange = (uint32_t(2) << hi[2]) - (uint32_t(1) << lo[2]);
    int bestDistance = threshold_ + 1;
    int32_t best = -1;
    for (int r = lo[0]; r <= hi[0]; ++r)
        for (int g = lo[1]; g <= hi[1]; ++g)
            for (uint32_t occupied = blueCells_[size_t(r * cellsPerAxis_ + g)] & blueRange; occupied != 0;
                 occupied &= occupied - 1)
                for (int32_t i = cellHeads_[size_t(CellOf(r, g, __builtin_ctz(occupied)))]; i >= 0;
                     i = nextInCell_[size_t(i)]) {
                    const int d = ColorDistance(colour, colours_[size_t(i)]);
                    if (d < bestDistance || (d == bestDistance && i < best)) {
                        bestDistance = d;
                        best = i;
                    }
                }
    return best >= 0 ? ranks_[size_t(best)] : kNone;
}
