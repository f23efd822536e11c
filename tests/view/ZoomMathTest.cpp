#include "view/ZoomMath.h"

#include <gtest/gtest.h>

namespace {

TEST(ZoomMath, ScrollSizesFollowTheZoom)
{
    const ScrollSizes s = ScrollSizesFor(400, 300, 2.0);
    EXPECT_EQ(s.totalWidth, 800);
    EXPECT_EQ(s.totalHeight, 600);
    EXPECT_EQ(s.pageWidth, 80);
    EXPECT_EQ(s.pageHeight, 60);
    EXPECT_EQ(s.lineWidth, 8);
    EXPECT_EQ(s.lineHeight, 6);

    const ScrollSizes tiny = ScrollSizesFor(400, 300, 1e-6);
    EXPECT_EQ(tiny.totalWidth, 0);
    EXPECT_EQ(tiny.pageWidth, 0);
    EXPECT_EQ(ScrollSizesFor(401, 1, 0.5).totalWidth, 200);  // truncated
}

TEST(ZoomMath, BandsUnder16PixelsDoNothing)
{
    EXPECT_GT(BandZoomRatio(100, 100, 116, 116, 1000), 0);
    EXPECT_EQ(BandZoomRatio(100, 100, 115, 200, 1000), 0);
    EXPECT_EQ(BandZoomRatio(100, 100, 200, 115, 1000), 0);
    EXPECT_EQ(BandZoomRatio(100, 100, 100, 100, 1000), 0);
    EXPECT_EQ(BandZoomRatio(100, 100, 85, 85, 1000), 0);  // 15 leftwards and upwards
}

TEST(ZoomMath, BandDirectionChoosesZoomInOrOut)
{
    EXPECT_DOUBLE_EQ(BandZoomRatio(200, 200, 300, 250, 1000), 10.0);
    EXPECT_DOUBLE_EQ(BandZoomRatio(300, 200, 200, 250, 1000), 0.1);
    // Up and to the right zooms like down and to the right.
    EXPECT_DOUBLE_EQ(BandZoomRatio(200, 250, 300, 200, 1000), 10.0);
    EXPECT_DOUBLE_EQ(BandZoomRatio(300, 250, 200, 200, 1000), 0.1);
}

TEST(ZoomMath, ZoomIsCappedAt20)
{
    EXPECT_EQ(ZoomedBy(4.0, 10.0), 20.0);
    EXPECT_EQ(ZoomedBy(2.0, 10.0), 20.0);
    EXPECT_DOUBLE_EQ(ZoomedBy(1.0, 0.1), 0.1);
    double z = 1.0;
    for (int i = 0; i < 5; ++i)
        z = ZoomedBy(z, 0.1);  // no lower limit
    EXPECT_LT(z, 1e-4);
}

TEST(ZoomMath, CentringNeverAsksForANegativeScroll)
{
    const ScrollTarget corner = CenteringScroll(10, 10, 20.0, 1000, 800);  // asks (-299, -199)
    EXPECT_EQ(corner.x, 0);
    EXPECT_EQ(corner.y, 0);
    const ScrollTarget middle = CenteringScroll(100, 50, 10.0, 1000, 800);
    EXPECT_EQ(middle.x, 500);  // trunc(1000.5 - 500)
    EXPECT_EQ(middle.y, 100);  // trunc(500.5 - 400)
}

}  // namespace
