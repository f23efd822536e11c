#include "doc/JpegReader.h"
#include "doc/Thumbnail.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <vector>

namespace {

TruecolorPicture Picture(int32_t width, int32_t height, const std::vector<uint32_t>& pixels)
{
    TruecolorPicture p;
    p.width = width;
    p.height = height;
    p.pixels.assign(pixels.begin(), pixels.end());
    return p;
}

TEST(Thumbnail, EachPixelIsTheRoundedMeanOfTheBoxItCovers)
{
    // 5 x 2 into 2 x 1: columns 0-1 and 2-4 of both rows.
    const TruecolorPicture t = ScaleDown(Picture(5, 2, {0, 1, 10, 10, 11, 0x0000FF, 0x00FF00, 0xFF0000, 0, 0}), 2);
    ASSERT_EQ(t.width, 2);
    ASSERT_EQ(t.height, 1);
    EXPECT_EQ(t.pixels, (std::vector<uint32_t>{64 | 64 << 8, 5 | 43 << 16}));

    CMapRaster raster;  // indexed pictures scale through their palette; small ones stay as they are
    raster.Resize(3, 1);
    raster.colorCount = 2;
    raster.palette[0] = 0x123456, raster.palette[1] = 0xABCDEF;
    raster.IndexPlane()[0] = 1, raster.IndexPlane()[1] = 0, raster.IndexPlane()[2] = 1;
    EXPECT_EQ(ScaleDown(raster, 3).pixels, (std::vector<uint32_t>{0xABCDEF, 0x123456, 0xABCDEF}));
}

TEST(Thumbnail, JpegIsDecodedAtTheSmallestScaleThatFillsIt)
{
    std::vector<uint8_t> grey(400 * 300, 128);
    tjhandle h = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    ASSERT_EQ(tjCompress2(h, grey.data(), 400, 0, 300, TJPF_GRAY, &jpeg, &size, TJSAMP_GRAY, 90, 0), 0);
    const std::vector<uint8_t> bytes(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(h);
    const auto sizeFor = [&](uint32_t side) {
        const TruecolorPicture p = DecodeJpegReduced(bytes.data(), bytes.size(), side);
        return std::make_pair(p.width, p.height);
    };
    EXPECT_EQ(sizeFor(50), std::make_pair(50, 38));
    EXPECT_EQ(sizeFor(51), std::make_pair(100, 75));
    EXPECT_EQ(sizeFor(201), std::make_pair(400, 300));
}

}  // namespace
