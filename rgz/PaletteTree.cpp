#include "rgz/PaletteTree.h"

#include <algorithm>

namespace {

int Channel(uint32_t rgb, int channel) { return int((rgb >> (8 * channel)) & 0xFFu); }

// Where sorted entries[first, last) split: half of them, or with weights
// the point nearest to half their weight (the first on a tie, which is the
// half split for equal weights). Each side keeps few enough entries for the
// depth left below it.
size_t Split(const std::vector<uint8_t>& entries, size_t first, size_t last, const uint8_t* weightLog,
             int depth)
{
    const size_t n = last - first;
    if (!weightLog)
        return first + n / 2;
    const size_t cap = size_t(1) << (PaletteTree::MAX_DEPTH - depth);
    const size_t lo = n > cap ? n - cap : 1, hi = std::min(n - 1, cap);
    uint64_t total = 0;
    for (size_t k = first; k < last; ++k)
        total += uint64_t(1) << weightLog[entries[k]];
    uint64_t below = 0;
    size_t best = lo;
    uint64_t bestGap = UINT64_MAX;
    for (size_t k = 1; k <= hi; ++k) {
        below += uint64_t(1) << weightLog[entries[first + k - 1]];
        const uint64_t gap = 2 * below > total ? 2 * below - total : total - 2 * below;
        if (k >= lo && gap < bestGap) {
            bestGap = gap;
            best = k;
        }
    }
    return first + best;
}

}  // namespace

PaletteTree::PaletteTree(const uint32_t* palette, int colourCount, const uint8_t* weightLog)
{
    if (colourCount < 2)
        return;
    std::vector<uint8_t> entries(static_cast<size_t>(colourCount));
    for (int c = 0; c < colourCount; ++c)
        entries[size_t(c)] = uint8_t(c);
    nodes_.reserve(size_t(colourCount) - 1);
    where_.assign((size_t(colourCount) - 1) * 256, 0);
    Build(entries, 0, entries.size(), palette, weightLog, 0, 1);
}

// Builds the subtree over entries[first, last) (at least two) and returns its node.
int PaletteTree::Build(std::vector<uint8_t>& entries, size_t first, size_t last,
                       const uint32_t* palette, const uint8_t* weightLog, int depth, unsigned path)
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
    const size_t middle = Split(entries, first, last, weightLog, depth);
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
                       : Build(entries, a, b, palette, weightLog, depth + 1, path << 1 | unsigned(side));
        nodes_[size_t(self)].child[side] = int16_t(child);
        nodes_[size_t(self)].count[side] = uint8_t(b - a);
    }
    return self;
}
