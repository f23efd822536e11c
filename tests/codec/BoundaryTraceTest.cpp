#include "codec/MapRaster.h"

#include "TestPictures.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using testpictures::AllZero;
using testpictures::Paint;
using testpictures::PaintRect;

// Reads count 2-bit codes back out of the packed codes, which must hold
// that many and no more.
std::vector<unsigned> Codes(const std::vector<uint8_t>& packed, size_t count)
{
    EXPECT_EQ(packed.size(), (2 * count + 7) / 8);
    std::vector<unsigned> codes;
    for (size_t i = 0; i < count && i / 4 < packed.size(); ++i)
        codes.push_back((packed[i / 4] >> (2 * (i % 4))) & 3u);
    return codes;
}

// Traces the WorkPlane; the chain starts come back from the table written
// after it, whose length must be the count the trace returned.
void TraceWorkPlane(CMapRaster& r, std::vector<PackedPos>& starts, std::vector<uint8_t>& bits)
{
    std::memset(r.FlagPlane(), 0xFF, r.PixelCount());  // tracing must not rely on a clean plane
    const size_t chains = r.TraceBoundaries(bits);
    std::vector<uint8_t> table;
    r.AppendChainStarts(table);
    EXPECT_EQ(table.size(), 4 * chains);
    starts.clear();
    for (size_t i = 0; i + 4 <= table.size(); i += 4)
        starts.push_back(table[i] | table[i + 1] << 8 | table[i + 2] << 16 | uint32_t(table[i + 3]) << 24);
}

// Traces the picture as painted (the WorkPlane set to the IndexPlane).
void TracePicture(CMapRaster& r, std::vector<PackedPos>& starts, std::vector<uint8_t>& bits)
{
    std::memcpy(r.WorkPlane(), r.IndexPlane(), r.PixelCount());
    TraceWorkPlane(r, starts, bits);
}

TEST(TraceBoundaries, FlatPictureHasNoChain)
{
    CMapRaster r;
    Paint(r, 7, 5, 1, [](uint32_t, uint32_t) { return uint8_t(0); });
    std::vector<PackedPos> starts;
    std::vector<uint8_t> bits;
    TracePicture(r, starts, bits);
    EXPECT_TRUE(starts.empty());
    EXPECT_TRUE(bits.empty());
    EXPECT_TRUE(AllZero(r.FlagPlane(), r));
}

TEST(TraceBoundaries, VerticalSplitIsOneChainDown)
{
    CMapRaster r;
    Paint(r, 9, 6, 2, [](uint32_t x, uint32_t) { return uint8_t(x >= 4); });
    std::vector<PackedPos> starts;
    std::vector<uint8_t> bits;
    TracePicture(r, starts, bits);
    EXPECT_EQ(starts, std::vector<PackedPos>{PackPos(4, 0)});
    std::vector<unsigned> expected(6, CRACK_DOWN);
    expected.push_back(CRACK_UP);
    EXPECT_EQ(Codes(bits, expected.size()), expected);
}

TEST(TraceBoundaries, InnerSquareRunsClockwise)
{
    CMapRaster r;
    PaintRect(r, 12, 10, 3, 2, 5, 5);
    std::vector<PackedPos> starts;
    std::vector<uint8_t> bits;
    TracePicture(r, starts, bits);
    EXPECT_EQ(starts, std::vector<PackedPos>{PackPos(3, 2)});
    std::vector<unsigned> expected;
    for (unsigned code : {CRACK_RIGHT, CRACK_DOWN, CRACK_LEFT, CRACK_UP})
        expected.insert(expected.end(), 5, code);
    expected.push_back(CRACK_DOWN);
    EXPECT_EQ(Codes(bits, expected.size()), expected);
    EXPECT_TRUE(AllZero(r.FlagPlane(), r));
}

TEST(TraceBoundaries, FourCrackVertexTakesRightLeftDownUp)
{
    CMapRaster r;
    // (1, 1) and (2, 2) touch at vertex (2, 2), where four cracks meet.
    Paint(r, 4, 4, 2, [](uint32_t x, uint32_t y) { return uint8_t(x == y && (x == 1 || x == 2)); });
    std::vector<PackedPos> starts;
    std::vector<uint8_t> bits;
    TracePicture(r, starts, bits);
    EXPECT_EQ(starts, std::vector<PackedPos>{PackPos(1, 1)});
    EXPECT_EQ(Codes(bits, 9), (std::vector<unsigned>{0, 3, 0, 3, 1, 2, 1, 2, 3}));
}

TEST(TraceBoundaries, ChainsEndOnTheEdgeAndTraceTheWorkPlane)
{
    CMapRaster r;
    // Horizontal split: one chain from the left edge to the right edge.
    Paint(r, 5, 4, 2, [](uint32_t, uint32_t y) { return uint8_t(y >= 3); });
    std::memset(r.WorkPlane(), 0, r.PixelCount());  // the IndexPlane is not traced
    std::vector<PackedPos> starts;
    std::vector<uint8_t> bits;
    TraceWorkPlane(r, starts, bits);
    EXPECT_TRUE(starts.empty());

    bits.clear();
    TracePicture(r, starts, bits);
    EXPECT_EQ(starts, std::vector<PackedPos>{PackPos(0, 3)});
    EXPECT_EQ(Codes(bits, 6), (std::vector<unsigned>{0, 0, 0, 0, 0, 1}));
}

}  // namespace
