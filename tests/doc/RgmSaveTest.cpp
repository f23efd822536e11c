#include "doc/RgmFile.h"
#include "codec/RgmFormat.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

void PaintStripes(CMapRaster& r)
{
    r.Resize(64, 48);
    r.colorCount = 3;
    for (uint32_t y = 0; y < 48; ++y)
        for (uint32_t x = 0; x < 64; ++x)
            r.indexRows[y][x] = uint8_t(x / 22);
}

TEST(SaveRgm, WritesTheEncodedImage)
{
    TempDir dir;
    CMapRaster r;
    PaintStripes(r);
    std::vector<uint8_t> expected;
    r.Encode(expected);
    SaveRgm(r, dir / "map.rgm");
    EXPECT_EQ(ReadBytes(dir / "map.rgm"), expected);
}

TEST(SaveRgm, RefusedPictureLeavesTheOldFile)
{
    TempDir dir;
    const std::vector<uint8_t> old{1, 2, 3};
    WriteBytes(dir / "map.rgm", old);
    CMapRaster empty;
    EXPECT_THROW(SaveRgm(empty, dir / "map.rgm"), RgmEncodeError);
    EXPECT_EQ(ReadBytes(dir / "map.rgm"), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
