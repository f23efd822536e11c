// The merging at the heart of palette reduction: colours ranked by count,
// then passes at rising thresholds until few enough remain.
#pragma once

#include "doc/ZeroedMemory.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Colours or ranks, one word each; millions of them for some pictures, so
// kept in fresh pages that are not cleared first.
using ColourList = std::vector<uint32_t, ZeroedAllocator<uint32_t>>;

// The bits of a channel value spread three apart, for interleaving.
constexpr std::array<uint32_t, 256> SpreadBits()
{
    std::array<uint32_t, 256> spread{};
    for (uint32_t v = 0; v < 256; ++v)
        for (int bit = 0; bit < 8; ++bit)
            spread[v] |= (v >> bit & 1) << (3 * bit);
    return spread;
}
inline constexpr std::array<uint32_t, 256> kSpreadBits = SpreadBits();

// Where a colour (below 2^24) lives in a table with an entry for every colour:
// its red, green and blue bits interleaved. Near colours then share pages and
// cache lines, so a picture's colours touch few of them; colours differing in
// one channel only do not crowd into a few cache sets either.
inline uint32_t ColourSlot(uint32_t colour)
{
    return kSpreadBits[colour & 0xFF] | kSpreadBits[colour >> 8 & 0xFF] << 1 | kSpreadBits[colour >> 16 & 0xFF] << 2;
}

// Sorts colours (given in order of first appearance) most frequent first;
// equal counts keep their order, so every machine gives the same palette.
// counts[i] is the pixel count of colours[i]; both are left in ranked order.
void RankByCount(ColourList& colours, ColourList& counts);

// Runs the merging over ranked colours until at most target (>= 1) remain.
// Each pass at threshold t keeps a colour only if it is farther than t from
// every colour kept before it in the pass; the others merge into their
// nearest such colour (of equally near ones the earliest).
class CColourMerge {
public:
    // Writes the survivors, most frequent first, to palette[0..r-1] and
    // returns r. field, when given, is a scratch table with an entry for
    // each of the 2^24 colours at its ColourSlot, where every ranked colour's
    // entry is at least kFieldFar (all colours must be below 2^24); a first
    // pass over millions of colours then looks survivors up in it instead of
    // searching.
    static constexpr uint32_t kFieldFar = 0x80000000;
    int Run(const ColourList& ranked, int target, uint32_t* palette, uint32_t* field = nullptr);

    // Whether Run, given a field, uses it for this many colours.
    static bool UsesField(size_t colours, int target);

    // After Run: the palette index of each rank.
    const ColourList& IndexOfRank() const { return indexOfRank_; }
    int Passes() const { return passes_; }

private:
    void GridPass(const ColourList& ranked, int threshold);
    void FieldPass(const ColourList& ranked, int threshold, uint32_t* field);
    void ResolveIndices();

    // Per rank: while merging, the rank it merged into (its own while it
    // survives); after Run, its palette index.
    ColourList indexOfRank_;
    ColourList live_;  // ranks that survived every pass so far
    int passes_ = 0;
};
