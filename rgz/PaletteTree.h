// A binary tree over the palette, built by splitting the entries in half
// along the RGB channel of widest range, so that similar colours share the
// first decisions. A colour is coded as the path to its leaf; leaves that are
// ruled out make decisions forced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A set of palette entries, one bit each.
struct ColourSet {
    uint64_t words[4] = {};
    void Add(unsigned c) { words[(c >> 6) & 3] |= uint64_t(1) << (c & 63); }
    bool Has(unsigned c) const { return (words[(c >> 6) & 3] >> (c & 63)) & 1u; }
    // Whether some entry of this set is not in `ruledOut`.
    bool AnyOutside(const ColourSet& ruledOut) const
    {
        return ((words[0] & ~ruledOut.words[0]) | (words[1] & ~ruledOut.words[1]) |
                (words[2] & ~ruledOut.words[2]) | (words[3] & ~ruledOut.words[3])) != 0;
    }
};

class PaletteTree {
public:
    // A child below 0 is the leaf of entry -(child + 1).
    struct Node {
        int16_t child[2];
        uint8_t depth;    // at most 7 for 255 entries
        uint16_t path;    // 1, then one bit per step from the root
        uint8_t channel;  // the split: 0 blue, 1 green, 2 red (bit shift / 8)
        uint8_t middle;   // between the two children's values of that channel

        ColourSet under[2];  // the entries below each child
    };

    PaletteTree(const uint32_t* palette, int colourCount);

    int NodeCount() const { return int(nodes_.size()); }
    const Node& At(int node) const { return nodes_[size_t(node)]; }

private:
    int Build(std::vector<uint8_t>& entries, size_t first, size_t last, const uint32_t* palette,
              int depth, unsigned path);

    std::vector<Node> nodes_;
};
