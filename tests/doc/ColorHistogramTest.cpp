#include "doc/ColorHistogram.h"
#include "support/ReferenceReduction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

struct Reduced {
    int colors;
    std::vector<uint32_t> palette;
    std::vector<int> indexOfAdded;  // IndexOf of each value, in the order given
};

// Adds each value count times (in the order given) and reduces to target.
Reduced ReduceCounts(const std::vector<std::pair<uint32_t, int>>& counts, int target)
{
    CColorHistogram h;
    for (const auto& [value, count] : counts)
        for (int i = 0; i < count; ++i)
            h.AddColor(value);
    Reduced out{0, std::vector<uint32_t>(256, 0xDEADBEEF), {}};
    out.colors = h.Reduce(target, out.palette.data());
    for (const auto& vc : counts)
        out.indexOfAdded.push_back(h.IndexOf(vc.first));
    return out;
}

TEST(ColorHistogram, ThreeColoursNeedNoMerging)
{
    const uint32_t a = Rgb(1, 2, 3), b = Rgb(4, 5, 6), c = Rgb(200, 0, 0);
    // Added rarest first: the palette still comes out by count.
    const Reduced r = ReduceCounts({{c, 20}, {b, 30}, {a, 50}}, 255);
    EXPECT_EQ(r.colors, 3);
    EXPECT_EQ(r.palette[0], a);
    EXPECT_EQ(r.palette[1], b);
    EXPECT_EQ(r.palette[2], c);
    EXPECT_EQ(r.palette[3], 0xDEADBEEFu);
    EXPECT_EQ(r.indexOfAdded, (std::vector<int>{2, 1, 0}));
}

TEST(ColorHistogram, EqualCountsKeepOrderOfFirstAppearance)
{
    // Many equal counts, so an unstable sort would very likely reorder them.
    std::vector<std::pair<uint32_t, int>> counts;
    for (uint32_t i = 0; i < 40; ++i)
        counts.push_back({Rgb(i * 6, 255 - i * 6, i), i % 3 == 0 ? 7 : 3});
    const Reduced r = ReduceCounts(counts, 255);
    ASSERT_EQ(r.colors, 40);
    std::vector<uint32_t> expected;
    for (int want : {7, 3})
        for (const auto& vc : counts)
            if (vc.second == want)
                expected.push_back(vc.first);
    EXPECT_EQ(std::vector<uint32_t>(r.palette.begin(), r.palette.begin() + 40), expected);
}

TEST(ColorHistogram, FarPairMergesOnlyAtItsDistance)
{
    const uint32_t a = Rgb(100, 100, 100), b = Rgb(100, 140, 90);  // distance 40
    CColorHistogram h;
    for (int i = 0; i < 10; ++i)
        h.AddColor(a);
    for (int i = 0; i < 5; ++i)
        h.AddColor(b);
    uint32_t palette[256] = {};
    EXPECT_EQ(h.Reduce(1, palette), 1);
    EXPECT_EQ(h.MergePasses(), 40);  // thresholds 1 to 40
    EXPECT_EQ(palette[0], a);
    EXPECT_EQ(h.IndexOf(a), 0);
    EXPECT_EQ(h.IndexOf(b), 0);
}

TEST(ColorHistogram, MergeChainsResolveAcrossPasses)
{
    const uint32_t a = Rgb(0, 0, 0), b = Rgb(255, 255, 255), c = Rgb(120, 60, 200), d = Rgb(125, 60, 200);
    const Reduced r = ReduceCounts({{a, 100}, {b, 50}, {c, 30}, {d, 10}}, 2);
    EXPECT_EQ(r.colors, 2);
    EXPECT_EQ(r.palette[0], a);
    EXPECT_EQ(r.palette[1], b);
    // D merged into C first, then C into A or B: D follows C.
    EXPECT_EQ(r.indexOfAdded[3], r.indexOfAdded[2]);
    EXPECT_EQ(r.indexOfAdded[2], 1);  // C is 200 from A, 195 from B
}

TEST(ColorHistogram, EqualDistanceGoesToTheEarlierSurvivor)
{
    const uint32_t a = Rgb(100, 0, 0), b = Rgb(120, 0, 0), mid = Rgb(110, 0, 0);
    const Reduced r = ReduceCounts({{b, 50}, {a, 60}, {mid, 1}}, 2);
    EXPECT_EQ(r.colors, 2);
    EXPECT_EQ(r.palette[0], a);
    EXPECT_EQ(r.indexOfAdded[2], 0);
}

TEST(ColorHistogram, IdentityIsTheWholeWord)
{
    const uint32_t plain = Rgb(9, 8, 7), tagged = plain | 0xFF000000u;
    CColorHistogram h;
    h.AddColor(plain);
    h.AddColor(tagged);
    h.AddColor(tagged);
    EXPECT_EQ(h.DistinctColors(), 2u);
    uint32_t palette[256] = {};
    EXPECT_EQ(h.Reduce(1, palette), 1);
    EXPECT_EQ(h.MergePasses(), 1);  // distance 0 merges in the first pass
    EXPECT_EQ(palette[0], tagged);
    EXPECT_EQ(h.IndexOf(plain), 0);
}

TEST(ColorHistogram, ReduceTouchesOnlyThePaletteEntriesItProduces)
{
    std::vector<std::pair<uint32_t, int>> counts;
    for (uint32_t i = 0; i < 200; ++i)
        counts.push_back({Rgb(i, (i * 37) & 255, (i * 91) & 255), 1000 - int(i)});
    const Reduced r = ReduceCounts(counts, 50);
    ASSERT_LE(r.colors, 50);
    for (int i = r.colors; i < 256; ++i)
        EXPECT_EQ(r.palette[i], 0xDEADBEEFu) << "entry " << i;
}

// The cube search must pick exactly what a linear scan picks, ties included.
TEST(ColorHistogram, MatchesPlainReductionOnRandomColours)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 30; ++round) {
        // Coarse channel values make many equal distances and equal counts.
        const int levels = 2 + round % 9, step = 255 / (levels - 1);
        const size_t n = 20 + rng() % 900;
        std::vector<std::pair<uint32_t, int>> counts;
        std::vector<uint32_t> seen;
        while (counts.size() < n && seen.size() < size_t(levels * levels * levels)) {
            const uint32_t v = Rgb(rng() % levels * step, rng() % levels * step, rng() % levels * step);
            if (std::find(seen.begin(), seen.end(), v) != seen.end())
                continue;
            seen.push_back(v);
            counts.push_back({v, 1 + int(rng() % 5)});
        }
        const int target = 1 + int(rng() % 60);
        std::vector<uint32_t> refPalette;
        const std::vector<int> ref = testsupport::ReferenceReduce(counts, target, refPalette);
        const Reduced r = ReduceCounts(counts, target);
        ASSERT_EQ(r.indexOfAdded, ref) << "round " << round;
        ASSERT_EQ(std::vector<uint32_t>(r.palette.begin(), r.palette.begin() + r.colors), refPalette)
            << "round " << round;
    }
}

TEST(ColorHistogram, ManyColoursGrowTheTableAndBlocks)
{
    // Same low 14 bits, across several table sizes and entry blocks.
    CColorHistogram h;
    for (uint32_t i = 0; i < 5000; ++i)
        h.AddColor(0x1234u | i << 14);
    EXPECT_EQ(h.DistinctColors(), 5000u);
    uint32_t palette[256];
    const int colors = h.Reduce(255, palette);
    EXPECT_LE(colors, 255);
    for (uint32_t i = 0; i < 5000; ++i)
        EXPECT_LT(h.IndexOf(0x1234u | i << 14), colors);
}

}  // namespace
