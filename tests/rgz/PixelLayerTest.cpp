#include "rgz/PaletteTree.h"
#include "rgz/PixelLayer.h"
#include "rgz/RgzError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

// A cleaned picture W of blocky regions and I = W with some pixels changed,
// mostly near W's boundaries as in real maps.
struct Layers {
    uint32_t width, height;
    int colourCount;
    std::vector<uint32_t> palette;
    std::vector<uint8_t> w, i;
};

Layers MakeLayers(uint32_t width, uint32_t height, int colourCount, int changedPercent,
                  unsigned seed)
{
    std::mt19937 rng(seed);
    Layers l {width, height, colourCount, {}, {}, {}};
    for (int c = 0; c < colourCount; ++c)
        l.palette.push_back(uint32_t(rng()) & 0xFFFFFFu);
    const size_t n = size_t(width) * height;
    l.w.resize(n);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            l.w[size_t(y) * width + x] = uint8_t(((x / 7) * 3 + (y / 5) * 5) % colourCount);
    l.i = l.w;
    if (colourCount < 2)
        return l;
    for (size_t p = 0; p < n; ++p)
        if (int(rng() % 100) < changedPercent)
            l.i[p] = uint8_t((l.w[p] + 1 + rng() % (colourCount - 1)) % colourCount);
    return l;
}

std::vector<uint8_t> Encode(const Layers& l, RgzLevel level)
{
    RangeEncoder enc;
    EncodePixelLayer(l.w.data(), l.i.data(), l.width, l.height, l.palette.data(), l.colourCount,
                     level, enc);
    return enc.Finish();
}

std::vector<uint8_t> Decode(const Layers& l, RgzLevel level, const std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> out(l.w.size(), 0);
    RangeDecoder dec(bytes.data(), bytes.data() + bytes.size());
    DecodePixelLayer(l.w.data(), out.data(), l.width, l.height, l.palette.data(), l.colourCount,
                     level, dec);
    return out;
}

const RgzLevel LEVELS[] = {RgzLevel::Fast, RgzLevel::Best};

TEST(PixelLayer, RoundTripsEveryShapeAndPaletteSize)
{
    struct Case {
        uint32_t width, height;
        int colours, changedPercent;
    } const cases[] = {{1, 1, 1, 0},    {1, 1, 2, 100},  {1, 300, 3, 20},   {300, 1, 5, 20},
                       {200, 3, 4, 5},  {64, 64, 1, 0},  {64, 64, 2, 50},   {120, 90, 255, 10},
                       {97, 61, 12, 0}, {97, 61, 12, 2}, {150, 150, 40, 30}};
    for (const Case& c : cases)
        for (RgzLevel level : LEVELS) {
            const Layers l =
                MakeLayers(c.width, c.height, c.colours, c.changedPercent, c.width * 31 + c.height);
            EXPECT_EQ(Decode(l, level, Encode(l, level)), l.i)
                << c.width << "x" << c.height << ", " << c.colours << " colours, level "
                << int(level);
        }
}

// The darkest entry, when changed pixels mostly take it, sits right below
// the root of the weighed tree, which then goes deeper than an even one
// (still one leaf per entry, within the depth limit); the layer round-trips
// through it.
TEST(PixelLayer, WeighedTreeLiftsTheFrequentColourAndRoundTrips)
{
    Layers l = MakeLayers(200, 200, 255, 0, 3);
    for (uint32_t& rgb : l.palette)
        rgb |= 0x101010;
    l.palette[7] = 0;
    std::mt19937 rng(9);
    std::vector<uint8_t> weightLog(255, 0);
    weightLog[7] = PaletteTree::MAX_WEIGHT_LOG;
    for (size_t p = 0; p < l.i.size(); ++p)
        if (rng() % 4 == 0) {
            const uint8_t c = rng() % 8 ? 7 : uint8_t(rng() % 255);
            l.i[p] = c == l.w[p] ? uint8_t((c + 1) % 255) : c;
        }
    EXPECT_EQ(Decode(l, RgzLevel::Fast, Encode(l, RgzLevel::Fast)), l.i);

    const PaletteTree tree(l.palette.data(), 255, weightLog.data());
    std::vector<int> leaves(255, 0);
    int deepest = 0;
    for (int k = 0; k < tree.NodeCount(); ++k) {
        const PaletteTree::Node& node = tree.At(k);
        deepest = std::max<int>(deepest, node.depth);
        for (int16_t child : node.child)
            if (child < 0)
                ++leaves[size_t(-child - 1)];
    }
    EXPECT_EQ(tree.At(0).child[0], -8);
    EXPECT_GT(deepest, 7);
    EXPECT_LE(deepest, PaletteTree::MAX_DEPTH);
    EXPECT_EQ(std::count(leaves.begin(), leaves.end(), 1), 255);
}

TEST(PixelLayer, RefusesDamagedOrShortStreamsWithoutFault)
{
    const Layers l = MakeLayers(80, 60, 9, 15, 5);
    std::mt19937 rng(11);
    for (RgzLevel level : LEVELS) {
        const std::vector<uint8_t> good = Encode(l, level);
        const std::vector<uint8_t> shortStream(good.begin(), good.begin() + good.size() / 2);
        EXPECT_THROW(Decode(l, level, shortStream), RgzFormatError);
        for (int trial = 0; trial < 40; ++trial) {
            std::vector<uint8_t> noise(size_t(rng() % 2000));
            for (uint8_t& b : noise)
                b = uint8_t(rng());
            try {
                const std::vector<uint8_t> out = Decode(l, level, noise);
                for (size_t p = 0; p < out.size(); ++p)
                    ASSERT_LT(out[p], l.colourCount);
            } catch (const RgzFormatError&) {
            }
        }
    }
}

TEST(PixelLayer, EncoderRefusesAnIndexOutsideThePalette)
{
    Layers l = MakeLayers(10, 10, 4, 0, 1);
    l.i[37] = 4;
    RangeEncoder enc;
    EXPECT_THROW(
        EncodePixelLayer(l.w.data(), l.i.data(), 10, 10, l.palette.data(), 4, RgzLevel::Fast, enc),
        std::invalid_argument);
}

}  // namespace
