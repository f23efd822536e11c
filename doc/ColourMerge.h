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
// countOf(colour) gives a colour's pixel count. A stable radix sort on the count.
template <typename CountOf>
void RankByCount(ColourList& colours, CountOf countOf);

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

template <typename CountOf>
void RankByCount(ColourList& colours, CountOf countOf)
{
    uint32_t most = 0, least = UINT32_MAX;
    for (uint32_t c : colours) {
        const uint32_t n = countOf(c);
        most = n > most ? n : most;
        least = n < least ? n : least;
    }
    if (colours.empty() || most == least)
        return;
    // Key most - count in the high word: ascending keys are descending counts.
    std::vector<uint64_t> keyed(colours.size()), spare(colours.size());
    for (size_t i = 0; i < colours.size(); ++i)
        keyed[i] = uint64_t(most - countOf(colours[i])) << 32 | colours[i];
    for (uint32_t shift = 32; shift < 64 && (uint64_t(most - least) >> (shift - 32)) != 0; shift += 8) {
        size_t start[257] = {};
        for (uint64_t k : keyed)
            ++start[((k >> shift) & 0xFF) + 1];
        for (int d = 0; d < 256; ++d)
            start[d + 1] += start[d];
        for (uint64_t k : keyed)
            spare[start[(k >> shift) & 0xFF]++] = k;
        keyed.swap(spare);
    }
    for (size_t i = 0; i < colours.size(); ++i)
        colours[i] = uint32_t(keyed[i]);
}
