#include "codec/MapRaster.h"
#include "codec/RgmFormat.h"

#include "TestPictures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

using testpictures::EncodeToBytes;
using testpictures::HexOf;
using testpictures::Paint;
using testpictures::Plane;
using testsupport::Hex;

// White and black, columns from `boundary` on black.
void PaintTwoColumns(CMapRaster& r, uint32_t w, uint32_t h, uint32_t boundary)
{
    Paint(r, w, h, 2, [&](uint32_t x, uint32_t) { return uint8_t(x >= boundary); });
    r.palette[0] = 0xFFFFFF;
    r.palette[1] = 0;
}

// A 20 x 20 picture of colour 0 with the given pixels in colour 1.
void PaintPixels(CMapRaster& r, std::initializer_list<PackedPos> pixels)
{
    Paint(r, 20, 20, 2, [](uint32_t, uint32_t) { return uint8_t(0); });
    for (PackedPos p : pixels)
        r.indexRows[PosY(p)][PosX(p)] = 1;
}

// Header of the 20 x 20 two-colour picture, the one region of colour 0, no chain.
const std::string kFlat20x20 = "14 00 14 00 02 00 00 00 05 03 01 00 00 00 FF 00 00 00 00";

TEST(RgmEncoder, SmallPictureWithoutSurvivorKeepsEveryPixelInTheFirstLayer)
{
    CMapRaster r;
    PaintTwoColumns(r, 4, 2, 2);
    EXPECT_EQ(HexOf(EncodeToBytes(r)),
              "04 00 02 00 02 FF FF FF 00 00 00 00 00 00 01 02 00 FF 01 00 00 00 02 00 00 00 2F FF");
}

TEST(RgmEncoder, WidePictureUsesLongRecords)
{
    CMapRaster r;
    PaintTwoColumns(r, 300, 2, 150);
    EXPECT_EQ(HexOf(EncodeToBytes(r)), "2C 01 02 00 02 FF FF FF 00 00 00 00 00 00 00 00 01 96 00 00 00 FF "
                                       "01 00 00 00 96 00 00 00 2F FF");
}

TEST(RgmEncoder, RecordFormFollowsTheLargerSide)
{
    CMapRaster r;
    Paint(r, 256, 256, 1, [](uint32_t, uint32_t) { return uint8_t(0); });
    EXPECT_EQ(HexOf(EncodeToBytes(r)), "00 01 00 01 01 00 00 00 00 00 00 FF 00 00 00 00 FF");
    Paint(r, 257, 3, 1, [](uint32_t, uint32_t) { return uint8_t(0); });
    EXPECT_EQ(HexOf(EncodeToBytes(r)), "01 01 03 00 01 00 00 00 00 00 00 00 00 FF 00 00 00 00 FF");
}

TEST(RgmEncoder, DotAtOriginTravelsAsSmallRegion)
{
    CMapRaster r;
    Paint(r, 20, 20, 2, [](uint32_t x, uint32_t y) { return uint8_t(x != 0 || y != 0); });
    EXPECT_EQ(HexOf(EncodeToBytes(r)),
              "14 00 14 00 02 00 00 00 05 03 01 01 00 00 FF 00 00 00 00 00 00 00 FF 00");
}

TEST(RgmEncoder, TreeChunksOfTheWorkedExamples)
{
    CMapRaster r;
    PaintPixels(r, {PackPos(5, 5), PackPos(5, 6), PackPos(5, 7), PackPos(5, 8)});
    EXPECT_EQ(HexOf(EncodeToBytes(r)), kFlat20x20 + " 01 05 05 FF 4C 00");
    PaintPixels(r, {PackPos(5, 5), PackPos(6, 5), PackPos(5, 6)});
    EXPECT_EQ(HexOf(EncodeToBytes(r)), kFlat20x20 + " 01 05 05 FF 05 00");
    PaintPixels(r, {PackPos(5, 5), PackPos(4, 6), PackPos(6, 6), PackPos(5, 7)});
    EXPECT_EQ(HexOf(EncodeToBytes(r)), kFlat20x20 + " 01 05 05 FF 3F 7C 01");
}

TEST(RgmEncoder, SmallRegionsAreEightConnectedAndInRasterOrder)
{
    CMapRaster r;
    // A diagonal pair (one region) below a single dot (another), both colour 1.
    PaintPixels(r, {PackPos(9, 3), PackPos(2, 8), PackPos(3, 9)});
    // Dot: root without children. Pair: root with child DR (v = 32: groups 7, 2), then a leaf.
    EXPECT_EQ(HexOf(EncodeToBytes(r)), kFlat20x20 + " 01 09 03 01 02 08 FF 00 17 00");
}

TEST(RgmEncoder, RegionWithTwoTopsTakesOneSeed)
{
    CMapRaster r;
    // A V: the arms' tops both start a run that touches nothing above.
    PaintPixels(r, {PackPos(5, 5), PackPos(7, 5), PackPos(6, 6)});
    // Root with child DR (v = 32: groups 7, 2); that node, turned by its
    // parent UL, with child UR (v = 8: groups 7, 1); then a leaf.
    EXPECT_EQ(HexOf(EncodeToBytes(r)), kFlat20x20 + " 01 05 05 FF D7 03");
}

TEST(RgmEncoder, EncodingLeavesThePictureAndRepeatsExactly)
{
    CMapRaster r;
    Paint(r, 90, 70, 4, [](uint32_t x, uint32_t y) {
        if ((x * 7 + y * 3) % 41 == 0)
            return uint8_t(3);
        return uint8_t((x / 30 + y / 25) % 3);
    });
    const std::vector<uint8_t> picture = Plane(r.IndexPlane(), r);
    const std::vector<uint8_t> first = EncodeToBytes(r);
    EXPECT_EQ(Plane(r.IndexPlane(), r), picture);
    EXPECT_EQ(r.width, 90u);
    EXPECT_EQ(r.colorCount, 4);
    EXPECT_EQ(EncodeToBytes(r), first);
}

TEST(RgmEncoder, RefusesWhatTheFormatCannotHold)
{
    CMapRaster empty;
    std::vector<uint8_t> out{0xAB};
    EXPECT_THROW(empty.Encode(out), RgmEncodeError);
    EXPECT_EQ(out, std::vector<uint8_t>{0xAB});

    CMapRaster r;
    Paint(r, 4, 4, 2, [](uint32_t x, uint32_t) { return uint8_t(x == 3 ? 2 : 0); });
    EXPECT_THROW(r.Encode(out), RgmEncodeError);  // index 2 of a 2-colour palette
    r.indexRows[0][3] = NO_INDEX;
    r.colorCount = 255;
    EXPECT_THROW(r.Encode(out), RgmEncodeError);  // 255 would end a seed list
    EXPECT_EQ(out, std::vector<uint8_t>{0xAB});
}

}  // namespace
