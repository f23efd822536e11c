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
      cellHeads_(size_t(cellsPerAxis_) * size_t(cellsPerAxis_) * size_t(cellsPerAxis_), -1)
{
}

int CSurvivorGrid::CellOf(int redCell, int greenCell, int blueCell) const
{
    return (redCell * cellsPerAxis_ + greenCell) * cellsPerAxis_ + blueCell;
}

void CSurvivorGrid::Add(ColorEntry* survivor)
{
    const uint32_t c = survivor->colour;
    const int cell = CellOf(Channel(c, 0) / side_, Channel(c, 8) / side_, Channel(c, 16) / side_);
    nextInCell_.push_back(cellHeads_[size_t(cell)]);
    cellHeads_[size_t(cell)] = int32_t(survivors_.size());
    survivors_.push_back(survivor);
    colours_.push_back(c);
}

ColorEntry* CSurvivorGrid::FindNearest(uint32_t colour) const
{
    int lo[3], hi[3];
    for (int axis = 0; axis < 3; ++axis) {
        const int v = Channel(colour, 8 * axis);
        lo[axis] = std::max(v - threshold_, 0) / side_;
        hi[axis] = std::min(v + threshold_, 255) / side_;
    }
    int bestDistance = threshold_ + 1;
    int32_t best = -1;
    for (int r = lo[0]; r <= hi[0]; ++r)
        for (int g = lo[1]; g <= hi[1]; ++g)
            for (int b = lo[2]; b <= hi[2]; ++b)
                for (int32_t i = cellHeads_[size_t(CellOf(r, g, b))]; i >= 0; i = nextInCell_[size_t(i)]) {
                    const int d = ColorDistance(colour, colours_[size_t(i)]);
                    if (d < bestDistance || (d == bestDistance && i < best)) {
                        bestDistance = d;
                        best = i;
                    }
                }
    return best >= 0 ? survivors_[size_t(best)] : nullptr;
}
