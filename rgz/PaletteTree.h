// A binary tree over the palette, built by splitting the entries in half
// along the RGB channel of widest range, so that similar colours share the
// first decisions. A colour is coded as the path to its leaf; leaves that are
// ruled out make decisions forced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class PaletteTree {
public:
    // A child below 0 is the leaf of entry -(child + 1).
    struct Node {
        int16_t child[2];
        uint8_t depth;    // at most 7 for 255 entries
        uint16_t path;    // 1, then one bit per step from the root
        uint8_t channel;  // the split: 0 blue, 1 green, 2 red (bit shift / 8)
        uint8_t middle;   // between the two children's values of that channel
        uint8_t count[2];  // the entries below each child
    };

    PaletteTree(const uint32_t* palette, int colourCount);

    int NodeCount() const { return int(nodes_.size()); }
    const Node& At(int node) const { return nodes_[size_t(node)]; }
    // Where each of the 256 indices lies below node: 0 outside it, 1 under
    // child 0, 2 under child 1.
    const uint8_t* Where(int node) const { return &where_[size_t(node) * 256]; }

private:
    int Build(std::vector<uint8_t>& entries, size_t first, size_t last, const uint32_t* palette,
              int depth, unsigned path);

    std::vector<Node> nodes_;
    std::vector<uint8_t> where_;  // 256 a node
};
