#include "codec/MapRaster.h"
#include "doc/BitmapWriter.h"
#include "doc/RgmFile.h"
#include "support/Sha256.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

// A w x h raster whose pixel (x, y) holds 10 * y + x.
CMapRaster Numbered(uint32_t w, uint32_t h)
{
    CMapRaster r;
    r.Resize(w, h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            r.indexRows[y][x] = uint8_t(10 * y + x);
    return r;
}

TEST(BitmapWriter, HeadersAndRowsBottomFirst)
{
    const CMapRaster r = Numbered(3, 2);
    const std::vector<uint8_t> b = EncodeBmp8(r);
    ASSERT_EQ(b.size(), 1086u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(U32(b, 2), 0u);  // file size field stays 0
    EXPECT_EQ(U32(b, 6), 0u);
    EXPECT_EQ(U32(b, 10), 1078u);
    EXPECT_EQ(U32(b, 14), 40u);
    EXPECT_EQ(U32(b, 18), 3u);
    EXPECT_EQ(U32(b, 22), 2u);
    EXPECT_EQ(b[26] | b[27] << 8, 1);
    EXPECT_EQ(b[28] | b[29] << 8, 8);
    for (size_t at = 30; at < 54; at += 4)
        EXPECT_EQ(U32(b, at), 0u) << at;
    // First stored row is the bottom row, padded with one zero to 4 bytes.
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 1078, b.end()),
              (std::vector<uint8_t>{10, 11, 12, 0, 0, 1, 2, 0}));
}

TEST(BitmapWriter, RowPaddingFollowsWidth)
{
    EXPECT_EQ(EncodeBmp8(Numbered(5, 2)).size(), 1078u + 2 * 8);
    EXPECT_EQ(EncodeBmp8(Numbered(4, 3)).size(), 1078u + 3 * 4);
    const std::vector<uint8_t> five = EncodeBmp8(Numbered(5, 1));
    EXPECT_EQ(std::vector<uint8_t>(five.begin() + 1078, five.end()),
              (std::vector<uint8_t>{0, 1, 2, 3, 4, 0, 0, 0}));
    CMapRaster empty;
    EXPECT_EQ(EncodeBmp8(empty).size(), 1078u);
}

TEST(BitmapWriter, ColourTableHasAll256EntriesAsBlueGreenRed)
{
    CMapRaster r = Numbered(1, 1);
    r.colorCount = 3;
    for (uint32_t i = 0; i < 256; ++i)
        r.palette[i] = 0x01000000u * (i & 1) + i;  // bits 24-31 never reach the file
    r.palette[0] = 0x00FF0000;                     // pure blue
    r.palette[1] = 0x000000FF;                     // pure red
    const std::vector<uint8_t> b = EncodeBmp8(r);
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 54, b.begin() + 62),
              (std::vector<uint8_t>{0xFF, 0, 0, 0, 0, 0, 0xFF, 0}));
    EXPECT_EQ(U32(b, 54 + 4 * 200), 200u << 16);  // past colorCount: written as it stands
    EXPECT_EQ(U32(b, 54 + 4 * 255), 255u << 16);
    EXPECT_EQ(U32(b, 46), 0u);
}

TEST(BitmapWriter, WritesThroughTheSafeWriter)
{
    testsupport::TempDir dir;
    const CMapRaster r = Numbered(3, 2);
    WriteBmp8(r, dir / "a.bmp");
    EXPECT_EQ(testsupport::ReadBytes(dir / "a.bmp"), EncodeBmp8(r));
}

TEST(BitmapWriter, TwoColumnFileDecodesToItsBitmap)
{
    CMapRaster r;
    ReadNativeFile(testsupport::TwoColumnsSample().string(), r);
    const std::vector<uint8_t> b = EncodeBmp8(r);
    ASSERT_EQ(b.size(), 1086u);
    EXPECT_EQ(U32(b, 54), 0x00FFFFFFu);
    EXPECT_EQ(U32(b, 58), 0u);
    EXPECT_EQ(U32(b, 62), 0u);  // from the colour count on: the new raster's zeros
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 1078, b.end()),
              (std::vector<uint8_t>{0, 0, 1, 1, 0, 0, 1, 1}));
}

// Every expected .rgm decodes; the bitmap of x.rgm decoded into a new raster
// has the expected digest.
TEST(BitmapWriter, CorpusFilesDecodeToExpectedBitmaps)
{
    SKIP_WITHOUT_CORPUS();
    const auto dir = testsupport::CorpusDir() / "expected";
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".rgm")
            continue;
        CMapRaster r;
        ASSERT_NO_THROW(ReadNativeFile(entry.path().string(), r)) << name;
        if (name.find(".c16.") != std::string::npos)
            continue;
        const std::string stem = name.substr(0, name.size() - 4);
        std::ifstream digestFile(dir / (stem + ".dec.sha256"));
        std::string expected;
        digestFile >> expected;
        EXPECT_EQ(testsupport::Sha256Hex(EncodeBmp8(r)), expected) << name;
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

}  // namespace
