#include "codec/MapRaster.h"

#include "TestPictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <utility>

namespace {

using testpictures::AllZero;
using testpictures::Paint;
using testpictures::PaintRect;
using testpictures::Plane;

// Whether the cleanup kept the picture exactly as it was.
bool CleanupChangedNothing(CMapRaster& r)
{
    r.RemoveSmallRegions();
    return Plane(r.WorkPlane(), r) == Plane(r.IndexPlane(), r) && AllZero(r.FlagPlane(), r);
}

// Whether the cleanup painted the rectangle's colour 1 over with the background.
bool CleanupRemovedColourOne(CMapRaster& r)
{
    r.RemoveSmallRegions();
    const uint8_t* work = r.WorkPlane();
    return std::all_of(work, work + r.PixelCount(), [](uint8_t v) { return v == 0; });
}

TEST(FloodFill, CornerTouchJoinsOnlyWithEightNeighbours)
{
    CMapRaster r;
    // Colour 1 at (1, 1) and (2, 2), touching at a corner.
    Paint(r, 4, 4, 2, [](uint32_t x, uint32_t y) { return uint8_t(x == y && (x == 1 || x == 2)); });
    std::memset(r.FlagPlane(), 0, r.PixelCount());
    EXPECT_EQ(r.FloodFill(CONNECT_8, 1, 1, r.PosScratch()) - r.PosScratch(), 2);
    std::memset(r.FlagPlane(), 0, r.PixelCount());
    EXPECT_EQ(r.FloodFill(CONNECT_4, 1, 1, r.PosScratch()) - r.PosScratch(), 1);
}

TEST(LabelRegions, RegionsInRasterOrderOfSeeds)
{
    CMapRaster r;
    // Three stripes of columns: 0 | 1 | 0 -> three 4-connected regions.
    Paint(r, 6, 2, 2, [](uint32_t x, uint32_t) { return uint8_t(x >= 2 && x < 4); });
    std::memset(r.WorkPlane(), NO_INDEX, r.PixelCount());
    RegionList regions;
    r.LabelRegions(CONNECT_4, regions);
    ASSERT_EQ(regions.size(), 4u);
    EXPECT_EQ(regions[0], r.PosScratch());
    EXPECT_EQ(*regions[0], PackPos(0, 0));
    EXPECT_EQ(*regions[1], PackPos(2, 0));
    EXPECT_EQ(*regions[2], PackPos(4, 0));
    EXPECT_EQ(regions[3] - regions[0], 12);
    EXPECT_TRUE(std::all_of(r.FlagPlane(), r.FlagPlane() + 12, [](uint8_t f) { return f == 1; }));
}

TEST(LabelRegions, FindsNothingWhenCleanupChangedNothing)
{
    CMapRaster r;
    PaintRect(r, 40, 40, 0, 0, 20, 40);
    r.RemoveSmallRegions();
    RegionList regions;
    r.LabelRegions(CONNECT_8, regions);
    EXPECT_EQ(regions.size(), 1u);
}

TEST(RemoveSmallRegions, RegionSizeThreshold)
{
    CMapRaster r;
    PaintRect(r, 40, 40, 10, 10, 16, 8);  // 128 pixels, thick enough
    EXPECT_TRUE(CleanupChangedNothing(r));

    PaintRect(r, 40, 40, 10, 10, 16, 8);
    r.indexRows[10][10] = 0;  // 127 pixels
    EXPECT_TRUE(CleanupRemovedColourOne(r));
}

TEST(RemoveSmallRegions, ThinBandsGoInsideButStayAlongTheEdge)
{
    CMapRaster r;
    PaintRect(r, 60, 30, 10, 10, 40, 6);
    EXPECT_TRUE(CleanupRemovedColourOne(r));
    PaintRect(r, 60, 30, 10, 10, 40, 7);
    EXPECT_TRUE(CleanupChangedNothing(r));

    PaintRect(r, 40, 30, 0, 0, 40, 4);  // only the lower side erodes
    EXPECT_TRUE(CleanupChangedNothing(r));
    PaintRect(r, 40, 30, 0, 0, 40, 3);
    EXPECT_TRUE(CleanupRemovedColourOne(r));
}

TEST(RemoveSmallRegions, DotInSquareTakesColourFromAbove)
{
    CMapRaster r;
    Paint(r, 30, 30, 3, [](uint32_t x, uint32_t y) {
        if (x == 15 && y == 15)
            return uint8_t(2);
        return uint8_t(x >= 8 && x < 22 && y >= 8 && y < 22);
    });
    r.RemoveSmallRegions();
    EXPECT_EQ(r.workRows[15][15], 1);
    r.indexRows[15][15] = 1;
    EXPECT_EQ(Plane(r.WorkPlane(), r), Plane(r.IndexPlane(), r));
    EXPECT_TRUE(AllZero(r.FlagPlane(), r));
}

TEST(RemoveSmallRegions, NoSurvivorChangesNothing)
{
    CMapRaster r;
    Paint(r, 10, 12, 3, [](uint32_t x, uint32_t y) { return uint8_t((x + y) % 3); });  // under 128 pixels
    EXPECT_TRUE(CleanupChangedNothing(r));
    Paint(r, 300, 200, 2, [](uint32_t x, uint32_t y) { return uint8_t((x + y) & 1); });  // fine dither
    EXPECT_TRUE(CleanupChangedNothing(r));
    Paint(r, 1, 1, 1, [](uint32_t, uint32_t) { return uint8_t(0); });
    EXPECT_TRUE(CleanupChangedNothing(r));
}

TEST(RemoveSmallRegions, ThinPicturesDoNotHang)
{
    CMapRaster r;
    // One pixel high: every pixel lies on the edge, and a long run survives.
    Paint(r, 1000, 1, 2, [](uint32_t x, uint32_t) { return uint8_t(x % 200 < 3); });
    r.RemoveSmallRegions();
    EXPECT_TRUE(std::all_of(r.WorkPlane(), r.WorkPlane() + 1000, [](uint8_t v) { return v == 0; }));
    Paint(r, 1, 500, 2, [](uint32_t, uint32_t y) { return uint8_t(y > 250); });
    EXPECT_TRUE(CleanupChangedNothing(r));
}

TEST(FillFromNeighbour, PriorityWalksTheNeighbourListBackwards)
{
    CMapRaster r;
    Paint(r, 5, 5, 5, [](uint32_t, uint32_t) { return uint8_t(0); });
    std::memset(r.WorkPlane(), NO_INDEX, r.PixelCount());
    EXPECT_EQ(r.FillFromNeighbour(2, 2), 0);

    // Interior: up, down, left, right.
    r.workRows[2][3] = 1;
    r.workRows[2][1] = 2;
    r.workRows[3][2] = 3;
    EXPECT_EQ(r.FillFromNeighbour(2, 2), 1);
    EXPECT_EQ(r.workRows[2][2], 3);
    EXPECT_EQ(r.FillFromNeighbour(2, 2), 1);  // already valued: unchanged
    EXPECT_EQ(r.workRows[2][2], 3);

    // Top row: left, down, right.
    r.workRows[0][3] = 1;
    r.workRows[1][2] = 2;
    EXPECT_EQ(r.FillFromNeighbour(2, 0), 1);
    EXPECT_EQ(r.workRows[0][2], 2);
    r.workRows[0][0] = 4;
    EXPECT_EQ(r.FillFromNeighbour(1, 0), 1);
    EXPECT_EQ(r.workRows[0][1], 4);
}

}  // namespace

namespace {

// One erosion step of a flagged region: moves the entries with no in-picture
// 4-neighbour of FlagPlane 0 to the front; returns the first border entry.
PackedPos* PartitionInterior(const CMapRaster& r, PackedPos* first, PackedPos* last)
{
    while (first != last) {
        PackedPos around[4];
        PackedPos* end = r.Neighbours4(uint16_t(PosX(*first)), uint16_t(PosY(*first)), around);
        const bool border = std::any_of(around, end, [&](PackedPos n) { return r.flagRows[PosY(n)][PosX(n)] == 0; });
        if (border)
            std::swap(*first, *--last);
        else
            ++first;
    }
    return first;
}

// The cleanup done step by step as first described: every 4-connected region
// from LabelRegions, visited last to first, small ones cleared, the others
// eroded step by step; then the fill passes.
std::vector<uint8_t> StepByStepCleanup(CMapRaster& r)
{
    const size_t n = r.PixelCount();
    uint8_t* work = r.WorkPlane();
    uint8_t* flag = r.FlagPlane();
    std::memset(work, NO_INDEX, n);
    RegionList regions;
    r.LabelRegions(CONNECT_4, regions);
    std::memcpy(work, r.IndexPlane(), n);
    std::memset(flag, 0, n);
    auto at = [&](uint8_t* plane, PackedPos p) -> uint8_t& { return plane[PosY(p) * r.width + PosX(p)]; };
    bool anySurvived = false;
    for (size_t k = regions.size() - 1; k >= 1; --k) {
        PackedPos* first = regions[k - 1];
        PackedPos* kept = regions[k];
        if (kept - first < 128) {
            kept = first;
        } else {
            std::for_each(first, kept, [&](PackedPos p) { at(flag, p) = 1; });
            for (int step = 0; step < 3 && kept != first; ++step) {
                PackedPos* border = PartitionInterior(r, first, kept);
                std::for_each(border, kept, [&](PackedPos p) { at(flag, p) = 0; });
                kept = border;
            }
            std::for_each(first, kept, [&](PackedPos p) { at(flag, p) = 0; });
        }
        if (kept == first)
            std::for_each(first, regions[k], [&](PackedPos p) { at(work, p) = NO_INDEX; });
        anySurvived |= kept != first;
    }
    if (!anySurvived)
        return Plane(r.IndexPlane(), r);
    std::vector<PackedPos> pending;
    for (uint32_t i = 0; i < n; ++i)
        if (work[i] == NO_INDEX && !r.FillFromNeighbour(uint16_t(i % r.width), uint16_t(i / r.width)))
            pending.push_back(PackPos(i % r.width, i / r.width));
    while (!pending.empty()) {
        std::vector<PackedPos> next;
        for (auto it = pending.rbegin(); it != pending.rend(); ++it)
            if (!r.FillFromNeighbour(uint16_t(PosX(*it)), uint16_t(PosY(*it))))
                next.push_back(*it);
        pending.swap(next);
    }
    return Plane(work, r);
}

TEST(RemoveSmallRegions, MatchesTheStepByStepCleanup)
{
    std::mt19937 random(7);
    const std::pair<uint32_t, uint32_t> sizes[] = {{60, 45}, {1, 300}, {300, 1}, {2, 200}, {97, 3}, {128, 128}};
    for (int round = 0; round < 40; ++round) {
        const auto [w, h] = sizes[round % 6];
        CMapRaster r;
        Paint(r, w, h, 6, [](uint32_t, uint32_t) { return uint8_t(0); });
        // Rectangles of many sizes, some touching the edge, and a little noise.
        for (int k = 0; k < 12; ++k) {
            const uint32_t x0 = random() % w, y0 = random() % h;
            const uint32_t rw = 1 + random() % 24, rh = 1 + random() % 12;
            const uint8_t c = uint8_t(random() % 6);
            for (uint32_t y = y0; y < std::min(h, y0 + rh); ++y)
                for (uint32_t x = x0; x < std::min(w, x0 + rw); ++x)
                    r.indexRows[y][x] = c;
        }
        for (int k = 0; k < 20; ++k)
            r.indexRows[random() % h][random() % w] = uint8_t(random() % 6);

        const std::vector<uint8_t> expected = StepByStepCleanup(r);
        r.RemoveSmallRegions();
        ASSERT_EQ(Plane(r.WorkPlane(), r), expected) << "round " << round;
        ASSERT_TRUE(AllZero(r.FlagPlane(), r));
    }

    // Dithers filled from a few solid squares: the fill takes several passes,
    // and their order decides where the colours meet.
    for (int round = 0; round < 20; ++round) {
        CMapRaster r;
        Paint(r, 70, 50, 6, [](uint32_t x, uint32_t y) { return uint8_t((x * 7 + y * 3) % 11 % 3); });
        for (uint8_t c = 3; c < 6; ++c) {
            const uint32_t x0 = random() % 58, y0 = random() % 38;
            for (uint32_t y = y0; y < y0 + 12; ++y)
                for (uint32_t x = x0; x < x0 + 12; ++x)
                    r.indexRows[y][x] = c;
        }
        const std::vector<uint8_t> expected = StepByStepCleanup(r);
        r.RemoveSmallRegions();
        ASSERT_EQ(Plane(r.WorkPlane(), r), expected) << "dither round " << round;
    }
}

}  // namespace
