#include "rgz/PaletteTree.h"

#include <algorithm>

namespace {

int Channel(uint32_t rgb, int channel) { return int((rgb >> (8 * channel)) & 0xFFu); }

}  // namespace

PaletteTree::PaletteTree(const uint32_t* palette, int colourCount)
{
    if (colourCount < 2)
        return;
    std::vector<uint8_t> entries(static_cast<size_t>(colourCount));
    for (int c = 0; c < colourCount; ++c)
        entries[size_t(c)] = uint8_t(c);
    nodes_.reserve(size_t(colourCount) - 1);
    where_.assign((size_t(colourCount) - 1) * 256, 0);
    Build(entries, 0, entries.size(), palette, 0, 1);
}

// Builds the subtree over entries[first, last) (at least two) and returns its node.
int PaletteTree::Build(std::vector<uint8_t>& entries, size_t first, size_t last,
                       const uint32_t* palette, int depth, unsigned path)
{
    int widest = 0, widestRange = -1;
    for (int channel = 2; channel >= 0; --channel) {
        int lo = 255, hi = 0;
        for (size_t k = first; k < last; ++k) {
            lo = std::min(lo, Channel(palette[entries[k]], channel));
            hi = std::max(hi, Channel(palette[entries[k]], channel));
        }
        if (hi - lo > widestRange) {
            widestRange = hi - lo;
            widest = channel;
        }
    }
    std::sort(entries.begin() + ptrdiff_t(first), entries.begin() + ptrdiff_t(last),
              [&](uint8_t a, uint8_t b) {
                  const int va = Channel(palette[a], widest), vb = Channel(palette[b], widest);
                  return va != vb ? va < vb : a < b;
              });
    const size_t middle = first + (last - first) / 2;
    const int below = Channel(palette[entries[middle - 1]], widest);
    const int above = Channel(palette[entries[middle]], widest);

    const int self = int(nodes_.size());
    nodes_.push_back(Node {});
    nodes_[size_t(self)].depth = uint8_t(depth);
    nodes_[size_t(self)].path = uint16_t(path);
    nodes_[size_t(self)].channel = uint8_t(widest);
    nodes_[size_t(self)].middle = uint8_t((below + above + 1) / 2);
    const size_t bounds[3] = {first, middle, last};
    for (int side = 0; side < 2; ++side) {
        const size_t a = bounds[side], b = bounds[side + 1];
        for (size_t k = a; k < b; ++k)
            where_[size_t(self) * 256 + entries[k]] = uint8_t(side + 1);
        const int child =
            b - a == 1 ? -int(entries[a]) - 1
                       : Build(entries, a, b, palette, depth + 1, path << 1 | unsigned(side));
        nodes_[size_t(self)].child[side] = int16_t(child);
        nodes_[size_t(self)].count[side] = uint8_t(b - a);
    }
    return self;
}
