// A binary tree over the palette, built by splitting the entries along the
// RGB channel of widest range, so that similar colours share the first
// decisions. Without weights each split halves the entries; with weights
// (a power of two per entry) it halves their sum, so frequent colours sit
// near the root and cost fewer decisions. A colour is coded as the path to
// its leaf; leaves that are ruled out make decisions forced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class PaletteTree {
public:
    // A child below 0 is the leaf of entry -(child + 1).
    struct Node {
        int16_t child[2];
        uint8_t depth;    // at most 7 without weights, MAX_DEPTH with them
        uint16_t path;    // 1, then one bit per step from the root
        uint8_t channel;  // the split: 0 blue, 1 green, 2 red (bit shift / 8)
        uint8_t middle;   // between the two children's values of that channel
        uint8_t count[2];  // the entries below each child
    };

    static constexpr int MAX_DEPTH = 15;  // path keeps one bit a level in 16 bits
    static constexpr int MAX_WEIGHT_LOG = 15;

    // weightLog: null for equal weights, else colourCount values up to
    // MAX_WEIGHT_LOG; entry c weighs 2^weightLog[c].
    PaletteTree(const uint32_t* palette, int colourCount, const uint8_t* weightLog = nullptr);

    int NodeCount() const { return int(nodes_.size()); }
    const Node& At(int node) const { return nodes_[size_t(node)]; }
    // Where each of the 256 indices lies below node: 0 outside it, 1 under
    // child 0, 2 under child 1.
    const uint8_t* Where(int node) const { return &where_[size_t(node) * 256]; }

private:
    int Build(std::vector<uint8_t>& entries, size_t first, size_t last, const uint32_t* palette,
              const uint8_t* weightLog, int depth, unsigned path);

    std::vector<Node> nodes_;
    std::vector<uint8_t> where_;  // 256 a node
};
