#include "codec/MapRaster.h"
#include "view/StripBuffers.h"
#include "view/StripRenderer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A picture whose every pixel names its own position (mod 251, never 255).
uint8_t PixelAt(uint32_t x, uint32_t y) { return uint8_t((x * 7 + y * 13) % 251); }

void FillPicture(CMapRaster& raster, uint32_t width, uint32_t height)
{
    raster.Resize(width, height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            raster.indexRows[y][x] = PixelAt(x, y);
}

struct Strip {
    StripPlan plan;
    std::vector<uint8_t> bytes;
    uint8_t at(int j, int i) const { return bytes[size_t(i) * plan.stripWidth + j]; }
};

Strip Render(const CMapRaster& raster, const SourceRect& source, double z)
{
    Strip s;
    s.plan = PlanStrip(source, z);
    s.bytes.assign(size_t(s.plan.stripWidth) * s.plan.stripHeight, 0);
    std::vector<int32_t> columns(size_t(s.plan.stripWidth));
    RenderStrip(raster, s.plan, s.bytes.data(), columns.data());
    return s;
}

TEST(StripGeometry, ClientWidthIsRaisedToAMultipleOfFour)
{
    const SourceRect r = ClientSourceRect(10, 20, 1001, 700);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right - r.left, 1004);
    EXPECT_EQ(r.bottom - r.top, 700);
    const StripPlan p = PlanStrip(r, 1.0);
    EXPECT_EQ(p.stripWidth, 1004);
    EXPECT_EQ(p.stripHeight, 700);
}

TEST(StripGeometry, ExactlyOneCopiesAndAnythingLessSamples)
{
    const SourceRect r = ClientSourceRect(0, 0, 100, 100);
    EXPECT_EQ(PlanStrip(r, 1.0).mode, StripPlan::Mode::Crop);
    const StripPlan sampled = PlanStrip(r, 0.999);
    EXPECT_EQ(sampled.mode, StripPlan::Mode::Sample);
    EXPECT_DOUBLE_EQ(sampled.step, 1 / 0.999);
    EXPECT_EQ(sampled.stripWidth, 100);
    EXPECT_EQ(sampled.destWidth, 100);
}

TEST(StripGeometry, EnlargingRoundsTheTopLeftPixelToNearest)
{
    const StripPlan p = PlanStrip(ClientSourceRect(3, 5, 400, 300), 2.0);
    EXPECT_EQ(p.mode, StripPlan::Mode::Crop);
    EXPECT_EQ(p.cropX, 2);  // 1.5 + 0.5
    EXPECT_EQ(p.cropY, 3);  // 2.5 + 0.5
}

TEST(StripGeometry, EnlargingTruncatesWidthAndCeilsHeight)
{
    const StripPlan p = PlanStrip(ClientSourceRect(0, 0, 1000, 600), 3.0);
    EXPECT_EQ(p.stripWidth, 336);  // trunc(333.3) = 333, raised to 336
    EXPECT_EQ(p.stripHeight, 200);
    EXPECT_EQ(p.destWidth, 1008);
    EXPECT_EQ(p.destHeight, 600);

    const StripPlan odd = PlanStrip(ClientSourceRect(0, 0, 1000, 601), 3.0);
    EXPECT_EQ(odd.stripHeight, 201);
    EXPECT_EQ(odd.destHeight, 603);
}

TEST(StripRender, ZoomOneCopiesPixelsOneToOne)
{
    CMapRaster raster;
    FillPicture(raster, 300, 200);
    const Strip s = Render(raster, ClientSourceRect(17, 9, 120, 80), 1.0);
    for (int i = 0; i < 80; ++i)
        for (int j = 0; j < 120; ++j)
            ASSERT_EQ(s.at(j, i), PixelAt(17 + j, 9 + i)) << j << "," << i;
}

TEST(StripRender, HalfZoomShowsEverySecondPixel)
{
    CMapRaster raster;
    FillPicture(raster, 400, 300);
    const Strip s = Render(raster, ClientSourceRect(0, 0, 200, 150), 0.5);
    for (int i = 0; i < 150; ++i)
        for (int j = 0; j < 200; ++j)
            ASSERT_EQ(s.at(j, i), PixelAt(2 * j, 2 * i)) << j << "," << i;
}

TEST(StripRender, EnlargingCropsFromTheRoundedPixel)
{
    CMapRaster raster;
    FillPicture(raster, 400, 300);
    const Strip s = Render(raster, ClientSourceRect(3, 5, 400, 300), 2.0);
    EXPECT_EQ(s.at(0, 0), PixelAt(2, 3));
    EXPECT_EQ(s.at(10, 7), PixelAt(12, 10));
}

TEST(StripRender, PictureSmallerThanClientLeavesTheRestAt255)
{
    CMapRaster raster;
    FillPicture(raster, 50, 30);
    const Strip copied = Render(raster, ClientSourceRect(0, 0, 100, 60), 1.0);
    EXPECT_EQ(copied.at(49, 29), PixelAt(49, 29));
    EXPECT_EQ(copied.at(50, 0), 255);
    EXPECT_EQ(copied.at(0, 30), 255);
    EXPECT_EQ(copied.at(99, 59), 255);

    // Sampling at 0.5: columns from 25 and rows from 15 fall outside.
    const Strip sampled = Render(raster, ClientSourceRect(0, 0, 100, 60), 0.5);
    EXPECT_EQ(sampled.at(24, 14), PixelAt(48, 28));
    EXPECT_EQ(sampled.at(25, 0), 255);
    EXPECT_EQ(sampled.at(0, 15), 255);
    EXPECT_EQ(sampled.at(99, 59), 255);
}

TEST(StripRender, ScrolledPastThePictureShowsOnly255)
{
    CMapRaster raster;
    FillPicture(raster, 50, 30);
    for (double z : {1.0, 2.0, 0.5}) {
        const Strip s = Render(raster, ClientSourceRect(400, 400, 40, 20), z);
        for (uint8_t b : s.bytes)
            ASSERT_EQ(b, 255) << "zoom " << z;
    }
}

TEST(StripRender, EmptyPictureDrawsAll255)
{
    CMapRaster empty;
    for (double z : {1.0, 3.0, 0.25}) {
        const Strip s = Render(empty, ClientSourceRect(0, 0, 64, 32), z);
        ASSERT_FALSE(s.bytes.empty());
        for (uint8_t b : s.bytes)
            ASSERT_EQ(b, 255) << "zoom " << z;
    }
}

TEST(StripRender, SamplingAccumulatesRowsAndRoundsColumns)
{
    CMapRaster raster;
    FillPicture(raster, 100, 100);
    // Step 1.5 from (0.6, 0.6): columns trunc(0.6 + 1.5j + 0.5), rows trunc(0.6 + 1.5i).
    std::vector<uint8_t> strip(8 * 4);
    std::vector<int32_t> columns(8);
    SampleToStrip(raster, 0.6, 0.6, 1.5, 8, 4, strip.data(), columns.data());
    const int expectColumns[8] = {1, 2, 4, 5, 7, 8, 10, 11};
    const int expectRows[4] = {0, 2, 3, 5};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 8; ++j)
            EXPECT_EQ(strip[i * 8 + j], PixelAt(expectColumns[j], expectRows[i])) << j << "," << i;
}

TEST(StripRender, TinyZoomKeepsPositionsBeyondIntRangeOutside)
{
    CMapRaster raster;
    FillPicture(raster, 10, 10);
    const Strip s = Render(raster, ClientSourceRect(0, 0, 8, 2), 1e-12);
    EXPECT_EQ(s.at(0, 0), PixelAt(0, 0));
    for (int j = 1; j < 8; ++j)
        EXPECT_EQ(s.at(j, 0), 255);
    EXPECT_EQ(s.at(0, 1), 255);
}

TEST(StripColours, PaletteBecomesOpaqueRgbWithRedAndBlueSwapped)
{
    uint32_t palette[3] = {0x99u | 0x66u << 8 | 0x33u << 16, 0x0000FFu, 0xFF0000u};
    uint32_t table[3] = {};
    PaletteToColorTable(palette, table, 3);
    EXPECT_EQ(table[0], 0xFF996633u);
    EXPECT_EQ(table[1], 0xFFFF0000u);  // pure red
    EXPECT_EQ(table[2], 0xFF0000FFu);  // pure blue
    uint32_t withHighBits[1] = {0xAB000000u | 0x010203u};  // high byte carries no colour
    PaletteToColorTable(withHighBits, table, 1);
    EXPECT_EQ(table[0], 0xFF030201u);
}

TEST(StripBuffersGuard, HugeClientIsCutToTheBuffersAndNeverWritesPastThem)
{
    // A 4096 x 2160 client at zoom 1 needs more than 8 MiB of strip
    // (3840 x 2160 still fits: 8,294,400 bytes).
    StripPlan plan = PlanStrip(ClientSourceRect(0, 0, 4096, 2160), 1.0);
    const size_t stripBytes = 8u << 20, columnEntries = 4096;
    ASSERT_GT(size_t(plan.stripWidth) * plan.stripHeight, stripBytes);
    EXPECT_TRUE(ClampPlan(plan, stripBytes, columnEntries));
    EXPECT_EQ(plan.stripWidth, 4096);
    EXPECT_LE(size_t(plan.stripWidth) * plan.stripHeight, stripBytes);
    EXPECT_EQ(plan.destHeight, plan.stripHeight);

    CMapRaster raster;
    FillPicture(raster, 4200, 2500);
    const uint8_t guard = 0xA5;
    std::vector<uint8_t> strip(stripBytes + 64, guard);
    std::vector<int32_t> columns(columnEntries + 16, -7);
    RenderStrip(raster, plan, strip.data(), columns.data());
    for (size_t i = stripBytes; i < strip.size(); ++i)
        ASSERT_EQ(strip[i], guard);

    // Sampling a client wider than the column table is cut to the table.
    StripPlan wide = PlanStrip(ClientSourceRect(0, 0, 5000, 100), 0.5);
    EXPECT_TRUE(ClampPlan(wide, stripBytes, columnEntries));
    EXPECT_EQ(wide.stripWidth, 4096);
    RenderStrip(raster, wide, strip.data(), columns.data());
    for (size_t i = columnEntries; i < columns.size(); ++i)
        ASSERT_EQ(columns[i], -7);

    // A plan that fits is left alone.
    StripPlan small = PlanStrip(ClientSourceRect(0, 0, 1920, 1080), 1.0);
    EXPECT_FALSE(ClampPlan(small, stripBytes, columnEntries));
}

TEST(StripBuffersGuard, ReservedBuffersHoldEveryPlanOfThatClient)
{
    StripBuffers& buffers = StripBuffers::Shared();
    buffers.Reserve(4097, 2160);
    EXPECT_GE(buffers.StripBytes(), size_t(4100) * 2160);
    EXPECT_GE(buffers.ColumnEntries(), size_t(4100));
    const size_t before = buffers.StripBytes();
    buffers.Reserve(100, 100);  // never shrinks
    EXPECT_EQ(buffers.StripBytes(), before);
    for (double z : {0.3, 1.0, 2.5, 20.0}) {
        StripPlan plan = PlanStrip(ClientSourceRect(0, 0, 4097, 2160), z);
        EXPECT_FALSE(ClampPlan(plan, buffers.StripBytes(), buffers.ColumnEntries())) << z;
    }
}

TEST(StripColours, StripExpandsThroughTheColourTable)
{
    uint32_t table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = 0xFF000000u | uint32_t(i) * 0x010101u;
    const uint8_t strip[5] = {0, 1, 254, 255, 7};
    uint32_t out[6] = {0, 0, 0, 0, 0, 0xDEADBEEF};
    ExpandThroughColorTable(strip, 5, table, out);
    EXPECT_EQ(out[2], 0xFFFEFEFEu);
    EXPECT_EQ(out[3], 0xFFFFFFFFu);
    EXPECT_EQ(out[4], 0xFF070707u);
    EXPECT_EQ(out[5], 0xDEADBEEFu);
}

}  // namespace
