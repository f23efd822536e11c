// Codes the colour of a changed pixel: first, as many as the level's model
// asks for, "same as this neighbour" flags for the distinct colours around
// it, then the path through the palette tree. W's colour at the pixel and every
// flagged-and-refused colour are ruled out, which makes some decisions
// forced (they cost nothing and the decoder cannot produce them).
#pragma once

#include "rgz/LayerStats.h"
#include "rgz/PaletteTree.h"
#include "rgz/PixelNeighbourhood.h"

#include <bit>

namespace rgz_pixel {

constexpr int MAX_CANDIDATES = 2;

// The bit of Pixel::changed of each candidate source (left, up, up-left,
// up-right, two left, two up, up and two right).
constexpr int SOURCE_BIT[7] = {0, 3, 2, 4, 1, 5, 7};

// The distinct colours of the causal neighbours, nearest first, without W's
// colour at the pixel; source names the neighbour each came from.
struct Candidates {
    int count = 0;
    uint8_t colour[MAX_CANDIDATES];
    uint8_t source[MAX_CANDIDATES];

    Candidates(const Pixel& px, int colourCount)
    {
        const uint8_t around[7] = {px.il, px.iu, px.iul, px.iur, px.ill, px.iuu, px.iurr};
        for (int s = 0; s < 7 && count < MAX_CANDIDATES; ++s) {
            const uint8_t c = around[s];
            if (c == NONE || c == px.w || c >= colourCount)
                continue;
            bool seen = false;
            for (int k = 0; k < count; ++k)
                seen |= colour[k] == c;
            if (seen)
                continue;
            colour[count] = c;
            source[count] = uint8_t(s);
            ++count;
        }
    }
};

// The first W colour other than the pixel's: among the 8 neighbours, else
// within two pixels; NONE when the pixel lies deep inside its region.
template <class RowsT> uint8_t OtherW(const Pixel& px, const RowsT& rows)
{
    const uint64_t near = px.NeighbourW();
    if (const uint64_t differ = near ^ (BYTE_ONES * px.w))
        return uint8_t(near >> (std::countr_zero(differ) & ~7));
    if (px.dc > 1)
        return NONE;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            const uint8_t c = rows.WAt(int64_t(px.x) + dx, int64_t(px.y) + dy);
            if (c != px.w)
                return c;
        }
    return NONE;
}

// Returns the colour (actual when encoding), or -1 when every colour is ruled
// out (only a damaged stream gets there).
template <class Model, class Io>
int CodeColour(Model& model, Io& io, const PaletteTree& tree, int colourCount, const Pixel& px,
               uint8_t otherW, int actual)
{
    // W and the refused candidates: a child stays open while it holds more
    // entries than these.
    uint8_t ruledOut[1 + MAX_CANDIDATES] = {};
    int ruledCount = 0;
    int remaining = colourCount;
    if (px.w < colourCount) {
        ruledOut[ruledCount++] = px.w;
        --remaining;
    }
    const Candidates cands(px, colourCount);
    model.StartColour(px, otherW, cands);
    rgz_stats::SetPart(rgz_stats::FLAGS);
    for (int k = 0; k < cands.count && k < Model::MAX_FLAGS && remaining > 1; ++k) {
        const uint8_t c = cands.colour[k];
        if (model.Flag(io, k, c, cands.source[k], actual == c))
            return c;
        ruledOut[ruledCount++] = c;
        --remaining;
    }
    int node = 0;
    rgz_stats::SetPart(rgz_stats::TREE);
    for (;;) {
        const PaletteTree::Node& n = tree.At(node);
        const uint8_t* where = tree.Where(node);
        int ruledUnder[3] = {};  // outside, under child 0, under child 1
        for (int r = 0; r < ruledCount; ++r)
            ++ruledUnder[where[ruledOut[r]]];
        const bool open0 = n.count[0] > ruledUnder[1];
        const bool open1 = n.count[1] > ruledUnder[2];
        int bit;
        if (open0 && open1)
            bit = model.Node(io, n, where, actual >= 0 && where[actual] == 2);
        else if (open0 || open1)
            bit = open1;
        else
            return -1;
        const int child = n.child[bit];
        if (child < 0)
            return -child - 1;
        node = child;
    }
}

}  // namespace rgz_pixel
