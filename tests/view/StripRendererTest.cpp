#include "codec/MapRaster.h"
#include "view/StripBuffers.h"
#include "view/StripRenderer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Every pixel of the test picture names its own position (mod 251, never 255).
uint8_t PixelAt(int x, int y) { return uint8_t((x * 7 + y * 13) % 251); }

void FillPicture(CMapRaster& raster, uint32_t width, uint32_t height)
{
    raster.Resize(width, height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            raster.indexRows[y][x] = PixelAt(int(x), int(y));
}

struct Strip {
    StripPlan plan;
    std::vector<uint8_t> bytes;
    uint8_t at(int j, int i) const { return bytes[size_t(i) * plan.stripWidth + j]; }
};

Strip Render(const CMapRaster& raster, int scrollX, int scrollY, int w, int h, double z)
{
    Strip s;
    s.plan = PlanStrip(ClientSourceRect(scrollX, scrollY, w, h), z);
    s.bytes.assign(size_t(s.plan.stripWidth) * s.plan.stripHeight, 0);
    std::vector<int32_t> columns(size_t(s.plan.stripWidth));
    RenderStrip(raster, s.plan, s.bytes.data(), columns.data());
    return s;
}

TEST(StripGeometry, SizesAndModesFollowTheZoom)
{
    const StripPlan one = PlanStrip(ClientSourceRect(10, 20, 1001, 700), 1.0);
    EXPECT_EQ(one.mode, StripPlan::Mode::Crop);
    EXPECT_EQ(one.stripWidth, 1004);  // raised to a multiple of 4
    EXPECT_EQ(one.stripHeight, 700);
    EXPECT_EQ(PlanStrip(ClientSourceRect(0, 0, 100, 100), 0.999).mode, StripPlan::Mode::Sample);

    const StripPlan three = PlanStrip(ClientSourceRect(0, 0, 1000, 600), 3.0);
    EXPECT_EQ(three.stripWidth, 336);  // trunc(333.3) raised to 336
    EXPECT_EQ(three.stripHeight, 200);
    EXPECT_EQ(three.destWidth, 1008);
    EXPECT_EQ(three.destHeight, 600);
    EXPECT_EQ(PlanStrip(ClientSourceRect(0, 0, 1000, 601), 3.0).stripHeight, 201);  // ceil
}

TEST(StripRender, StripPixelsShowTheRightPicturePixels)
{
    CMapRaster raster;
    FillPicture(raster, 400, 300);
    struct Case {
        double z;
        int scrollX, scrollY;
        int (*x)(int j);
        int (*y)(int i);
    } cases[] = {
        {1.0, 17, 9, [](int j) { return 17 + j; }, [](int i) { return 9 + i; }},
        {0.5, 0, 0, [](int j) { return 2 * j; }, [](int i) { return 2 * i; }},
        // 1.5 + 0.5 and 2.5 + 0.5 truncate to 2 and 3.
        {2.0, 3, 5, [](int j) { return 2 + j; }, [](int i) { return 3 + i; }},
    };
    for (const Case& c : cases) {
        const Strip s = Render(raster, c.scrollX, c.scrollY, 120, 80, c.z);
        for (int i = 0; i < s.plan.stripHeight; ++i)
            for (int j = 0; j < s.plan.stripWidth; ++j)
                ASSERT_EQ(s.at(j, i), PixelAt(c.x(j), c.y(i))) << "zoom " << c.z << " at " << j << "," << i;
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

TEST(StripRender, WhatThePictureDoesNotCoverHolds255)
{
    CMapRaster raster;
    FillPicture(raster, 50, 30);
    const Strip copied = Render(raster, 0, 0, 100, 60, 1.0);
    EXPECT_EQ(copied.at(49, 29), PixelAt(49, 29));
    EXPECT_EQ(copied.at(50, 0), 255);
    EXPECT_EQ(copied.at(0, 30), 255);

    const Strip sampled = Render(raster, 0, 0, 100, 60, 0.5);  // columns from 25, rows from 15 outside
    EXPECT_EQ(sampled.at(24, 14), PixelAt(48, 28));
    EXPECT_EQ(sampled.at(25, 0), 255);
    EXPECT_EQ(sampled.at(0, 15), 255);

    // At 1e-12 only column 0 and row 0 lie inside; the others exceed the int range.
    const Strip tiny = Render(raster, 0, 0, 8, 2, 1e-12);
    EXPECT_EQ(tiny.at(0, 0), PixelAt(0, 0));
    EXPECT_EQ(tiny.at(1, 0), 255);
    EXPECT_EQ(tiny.at(0, 1), 255);

    CMapRaster empty;
    for (double z : {1.0, 3.0, 0.25}) {
        for (uint8_t b : Render(raster, 400, 400, 40, 20, z).bytes)  // scrolled past the picture
            ASSERT_EQ(b, 255) << "zoom " << z;
        for (uint8_t b : Render(empty, 0, 0, 64, 32, z).bytes)
            ASSERT_EQ(b, 255) << "zoom " << z;
    }
}

TEST(StripColours, PaletteBecomesOpaqueRgbAndTheStripExpandsThroughIt)
{
    uint32_t palette[3] = {0x99u | 0x66u << 8 | 0x33u << 16, 0x0000FFu, 0xAB000000u | 0xFF0000u};
    uint32_t table[256] = {};
    PaletteToColorTable(palette, table, 3);
    EXPECT_EQ(table[0], 0xFF996633u);
    EXPECT_EQ(table[1], 0xFFFF0000u);  // pure red
    EXPECT_EQ(table[2], 0xFF0000FFu);  // pure blue; the high byte carries no colour

    table[255] = 0xFF000000u;
    const uint8_t strip[3] = {1, 255, 0};
    uint32_t out[4] = {0, 0, 0, 0xDEADBEEF};
    ExpandThroughColorTable(strip, 3, table, out);
    EXPECT_EQ(out[0], 0xFFFF0000u);
    EXPECT_EQ(out[1], 0xFF000000u);
    EXPECT_EQ(out[3], 0xDEADBEEFu);
}

TEST(StripBuffersGuard, StripsAreCutToTheBuffersAndNeverWritePastThem)
{
    // 4096 x 2160 at zoom 1 needs more than 8 MiB (3840 x 2160 still fits).
    const size_t stripBytes = 8u << 20, columnEntries = 4096;
    StripPlan plan = PlanStrip(ClientSourceRect(0, 0, 4096, 2160), 1.0);
    EXPECT_TRUE(ClampPlan(plan, stripBytes, columnEntries));
    EXPECT_EQ(plan.stripWidth, 4096);
    EXPECT_LE(size_t(plan.stripWidth) * plan.stripHeight, stripBytes);
    EXPECT_EQ(plan.destHeight, plan.stripHeight);

    CMapRaster raster;
    FillPicture(raster, 4200, 2500);
    std::vector<uint8_t> strip(stripBytes + 64, 0xA5);
    std::vector<int32_t> columns(columnEntries + 16, -7);
    RenderStrip(raster, plan, strip.data(), columns.data());
    StripPlan wide = PlanStrip(ClientSourceRect(0, 0, 5000, 100), 0.5);  // wider than the column table
    EXPECT_TRUE(ClampPlan(wide, stripBytes, columnEntries));
    RenderStrip(raster, wide, strip.data(), columns.data());
    for (size_t i = stripBytes; i < strip.size(); ++i)
        ASSERT_EQ(strip[i], 0xA5);
    for (size_t i = columnEntries; i < columns.size(); ++i)
        ASSERT_EQ(columns[i], -7);

    // Buffers reserved for a client hold every plan of it uncut, at any zoom.
    StripBuffers& shared = StripBuffers::Shared();
    shared.Reserve(4097, 2160);
    shared.Reserve(100, 100);  // never shrinks
    for (double z : {0.3, 1.0, 2.5, 20.0}) {
        StripPlan p = PlanStrip(ClientSourceRect(0, 0, 4097, 2160), z);
        EXPECT_FALSE(ClampPlan(p, shared.StripBytes(), shared.ColumnEntries())) << z;
    }
}

}  // namespace
