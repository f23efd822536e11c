// ImportBmp and ImportJpeg through files: the raster changes only on success.
#include "doc/TruecolorImport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// A 2 x 2 24-bit bitmap: top row red, blue; bottom row red, red.
std::vector<uint8_t> SmallBmp()
{
    std::vector<uint8_t> b = testsupport::Hex("42 4D 00 00 00 00 00 00 00 00 36 00 00 00 28 00 00 00"
                                              "02 00 00 00 02 00 00 00 01 00 18 00 00 00 00 00 00 00 00 00"
                                              "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    const std::vector<uint8_t> rows = testsupport::Hex("00 00 FF 00 00 FF 00 00"   // bottom: red red
                                                       "00 00 FF FF 00 00 00 00");  // top: red blue
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

std::vector<uint8_t> SmallJpeg()
{
    std::vector<uint8_t> grey(16 * 16, 128);
    tjhandle h = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(h, grey.data(), 16, 0, 16, TJPF_GRAY, &jpeg, &size, TJSAMP_GRAY, 90, 0);
    std::vector<uint8_t> out(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(h);
    return out;
}

TEST(Import, BitmapFileBecomesAnIndexedRaster)
{
    testsupport::TempDir temp;
    testsupport::WriteBytes(temp / "x.bmp", SmallBmp());
    CMapRaster raster;
    ImportBmp(temp / "x.bmp", raster);
    ASSERT_EQ(raster.width, 2u);
    ASSERT_EQ(raster.height, 2u);
    ASSERT_EQ(raster.colorCount, 2);
    EXPECT_EQ(raster.palette[0], 0x0000FFu);  // red, 3 pixels
    EXPECT_EQ(raster.palette[1], 0xFF0000u);  // blue
    EXPECT_EQ(std::vector<uint8_t>(raster.IndexPlane(), raster.IndexPlane() + 4), (std::vector<uint8_t>{0, 1, 0, 0}));
}

TEST(Import, JpegFileBecomesAnIndexedRaster)
{
    testsupport::TempDir temp;
    testsupport::WriteBytes(temp / "x.jpg", SmallJpeg());
    CMapRaster raster;
    ImportJpeg(temp / "x.jpg", raster);
    EXPECT_EQ(raster.width, 16u);
    EXPECT_EQ(raster.colorCount, 1);
    EXPECT_EQ(raster.palette[0], 0x808080u);
}

TEST(Import, FailuresLeaveTheRasterAsItWasAndNameTheFile)
{
    testsupport::TempDir temp;
    testsupport::WriteBytes(temp / "good.bmp", SmallBmp());
    CMapRaster raster;
    ImportBmp(temp / "good.bmp", raster);

    std::vector<uint8_t> cut = SmallBmp();
    cut.resize(cut.size() - 1);
    testsupport::WriteBytes(temp / "cut.bmp", cut);
    testsupport::WriteBytes(temp / "jpeg.bmp", SmallJpeg());
    testsupport::WriteBytes(temp / "bitmap.jpg", SmallBmp());
    for (const char* name : {"cut.bmp", "jpeg.bmp", "bitmap.jpg"}) {
        const std::string path = temp / name;
        try {
            if (std::string(name).ends_with(".bmp"))
                ImportBmp(path, raster);
            else
                ImportJpeg(path, raster);
            ADD_FAILURE() << name << " was accepted";
        } catch (const ImportError& e) {
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
        }
        EXPECT_EQ(raster.width, 2u) << name;
        EXPECT_EQ(raster.colorCount, 2) << name;
        EXPECT_EQ(raster.IndexPlane()[1], 1) << name;
    }
    EXPECT_ANY_THROW(ImportBmp(temp / "missing.bmp", raster));
    EXPECT_EQ(raster.colorCount, 2);
}

// A picture of over 2^20 pixels is decoded while another thread takes its
// pages, then counted and mapped in chunks: the same raster on any number
// of threads, and a broken file refused alike, leaving the raster alone.
TEST(Import, LargeJpegGivesTheSameRasterOnOneThreadAndSeveral)
{
    const int width = 1024, height = 1100;
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = uint8_t((i / 3 % width / 37 * 40 + i / 3 / width / 29 * 25 + i % 3 * 70 + i * 7 % 11) & 0xFF);
    tjhandle h = tjInitCompress();
    unsigned char* compressed = nullptr;
    unsigned long size = 0;
    ASSERT_EQ(tjCompress2(h, rgb.data(), width, 0, height, TJPF_RGB, &compressed, &size, TJSAMP_420, 80, 0), 0);
    const std::vector<uint8_t> jpeg(compressed, compressed + size);
    tjFree(compressed);
    tjDestroy(h);

    CMapRaster one, several;
    ImportJpegData(jpeg.data(), jpeg.size(), one, 1);
    ImportJpegData(jpeg.data(), jpeg.size(), several, 3);
    ASSERT_GT(one.colorCount, 200);
    EXPECT_EQ(several.colorCount, one.colorCount);
    EXPECT_TRUE(std::equal(one.palette, one.palette + one.colorCount, several.palette));
    EXPECT_TRUE(std::equal(one.IndexPlane(), one.IndexPlane() + one.PixelCount(), several.IndexPlane()));

    const std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(jpeg.size() / 2));
    std::string messages[2];
    for (unsigned threads : {1u, 2u}) {
        try {
            ImportJpegData(cut.data(), cut.size(), several, threads);
            ADD_FAILURE() << "a cut file was accepted on " << threads << " threads";
        } catch (const ImportError& e) {
            messages[threads - 1] = e.what();
        }
    }
    EXPECT_EQ(messages[0], messages[1]);
    EXPECT_EQ(several.colorCount, one.colorCount);
}

}  // namespace
