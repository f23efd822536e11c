#include "codec/MapRaster.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// Names the neighbours of (x, y) as direction letters, in the order written.
std::string Letters(const PackedPos* first, const PackedPos* last, uint32_t x, uint32_t y)
{
    std::string s;
    for (const PackedPos* p = first; p != last; ++p) {
        const int dx = int(PosX(*p)) - int(x), dy = int(PosY(*p)) - int(y);
        if (!s.empty())
            s += ',';
        if (dy < 0)
            s += 'U';
        if (dy > 0)
            s += 'D';
        if (dx < 0)
            s += 'L';
        if (dx > 0)
            s += 'R';
    }
    return s;
}

std::string N4(const CMapRaster& r, uint32_t x, uint32_t y)
{
    PackedPos out[4];
    return Letters(out, r.Neighbours4(uint16_t(x), uint16_t(y), out), x, y);
}

std::string N8(const CMapRaster& r, uint32_t x, uint32_t y)
{
    PackedPos out[8];
    return Letters(out, r.Neighbours8(uint16_t(x), uint16_t(y), out), x, y);
}

TEST(MapRaster, BlockLayoutAndRowTables)
{
    CMapRaster r;
    r.Resize(5, 3);
    ASSERT_TRUE(r.HasPixels());
    for (uint32_t y = 0; y < 3; ++y) {
        EXPECT_EQ(r.indexRows[y], r.IndexPlane() + y * 5);
        EXPECT_EQ(r.workRows[y], r.WorkPlane() + y * 5);
        EXPECT_EQ(r.flagRows[y], r.FlagPlane() + y * 5);
    }
    // PosScratch first, then WorkPlane, IndexPlane, FlagPlane back to back.
    EXPECT_EQ(reinterpret_cast<uint8_t*>(r.PosScratch()) + (15 + 8) * 4, r.WorkPlane());
    EXPECT_EQ(r.WorkPlane() + 15, r.IndexPlane());
    EXPECT_EQ(r.IndexPlane() + 15, r.FlagPlane());
}

TEST(MapRaster, ResizeKeepsSameSizeAndReplacesOtherSize)
{
    CMapRaster r;
    r.Resize(4, 6);
    std::memset(r.IndexPlane(), 7, 24);
    uint8_t* before = r.IndexPlane();
    r.Resize(4, 6);
    EXPECT_EQ(r.IndexPlane(), before);
    EXPECT_EQ(r.indexRows[5][3], 7);
    r.Resize(6, 4);  // same pixel count, new block
    EXPECT_EQ(r.width, 6u);
    EXPECT_EQ(r.height, 4u);
}

TEST(MapRaster, ResizeRefusesOversizeAndKeepsRaster)
{
    CMapRaster r;
    r.Resize(3, 3);
    r.colorCount = 2;
    uint8_t* before = r.IndexPlane();
    EXPECT_THROW(r.Resize(65536, 1), RasterError);
    EXPECT_THROW(r.Resize(1, 70000), RasterError);
    EXPECT_EQ(r.width, 3u);
    EXPECT_EQ(r.height, 3u);
    EXPECT_EQ(r.IndexPlane(), before);
    EXPECT_EQ(r.colorCount, 2);
    r.Resize(65535, 1);  // the largest side is allowed
    EXPECT_EQ(r.width, 65535u);
}

TEST(MapRaster, ZeroSizeHasNoPixels)
{
    CMapRaster r;
    EXPECT_FALSE(r.HasPixels());
    r.Resize(2, 2);
    r.Resize(0, 0);
    EXPECT_FALSE(r.HasPixels());
    EXPECT_EQ(r.IndexPlane(), nullptr);
}

TEST(MapRaster, NeighbourOrders)
{
    CMapRaster r;
    r.Resize(5, 5);
    EXPECT_EQ(N4(r, 2, 2), "R,L,D,U");
    EXPECT_EQ(N8(r, 2, 2), "R,L,D,U,DR,UR,DL,UL");
    EXPECT_EQ(N4(r, 2, 0), "R,D,L");
    EXPECT_EQ(N8(r, 2, 0), "R,D,DR,L,DL");
    EXPECT_EQ(N4(r, 2, 4), "R,U,L");
    EXPECT_EQ(N8(r, 2, 4), "R,U,UR,L,UL");
    EXPECT_EQ(N4(r, 0, 2), "R,D,U");
    EXPECT_EQ(N8(r, 0, 2), "R,D,DR,U,UR");
    EXPECT_EQ(N4(r, 4, 2), "L,D,U");
    EXPECT_EQ(N8(r, 4, 2), "L,D,DL,U,UL");
    EXPECT_EQ(N8(r, 0, 0), "R,D,DR");
    EXPECT_EQ(N8(r, 0, 4), "R,U,UR");
    EXPECT_EQ(N8(r, 4, 0), "L,D,DL");
    EXPECT_EQ(N8(r, 4, 4), "L,U,UL");

    r.Resize(2, 2);  // every pixel a corner
    EXPECT_EQ(N4(r, 1, 1), "L,U");
    EXPECT_EQ(N8(r, 1, 1), "L,U,UL");
}

TEST(MapRaster, ThinPicturesDropOutsideNeighbours)
{
    CMapRaster r;
    r.Resize(1, 1);
    EXPECT_EQ(N4(r, 0, 0), "");
    EXPECT_EQ(N8(r, 0, 0), "");

    r.Resize(1, 5);  // x == 0 decides first: left-column order without R
    EXPECT_EQ(N4(r, 0, 2), "D,U");
    EXPECT_EQ(N8(r, 0, 2), "D,U");
    EXPECT_EQ(N4(r, 0, 0), "D");
    EXPECT_EQ(N4(r, 0, 4), "U");

    r.Resize(5, 1);
    EXPECT_EQ(N4(r, 2, 0), "R,L");
    EXPECT_EQ(N8(r, 2, 0), "R,L");
    EXPECT_EQ(N4(r, 0, 0), "R");
    EXPECT_EQ(N4(r, 4, 0), "L");
}

TEST(MapRaster, PackedPosAndPaletteLayout)
{
    EXPECT_EQ(PackPos(3, 2), 0x00020003u);
    EXPECT_EQ(PosX(PackPos(65535, 65535)), 65535u);
    EXPECT_EQ(PosY(PackPos(65535, 65535)), 65535u);
    const uint32_t blue = 0u | 0u << 8 | 0xFFu << 16;
    EXPECT_EQ(blue, 0x00FF0000u);
}

}  // namespace
