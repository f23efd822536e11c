#include "codec/MapRaster.h"
#include "codec/RgmFormat.h"

#include "TestPictures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

namespace {

using testpictures::EncodeToBytes;
using testpictures::Paint;
using testpictures::Plane;

// Encodes, decodes into a fresh raster and checks that the picture comes back
// exactly and that encoding again, before and after, gives the same bytes.
void ExpectRoundTrip(CMapRaster& picture, const std::string& name)
{
    SCOPED_TRACE(name);
    const std::vector<uint8_t> bytes = EncodeToBytes(picture);
    CMapRaster decoded;
    decoded.Decode(bytes.size(), bytes.data());
    ASSERT_EQ(decoded.width, picture.width);
    ASSERT_EQ(decoded.height, picture.height);
    ASSERT_EQ(decoded.colorCount, picture.colorCount);
    EXPECT_TRUE(std::equal(picture.palette, picture.palette + picture.colorCount, decoded.palette));
    EXPECT_TRUE(Plane(decoded.IndexPlane(), decoded) == Plane(picture.IndexPlane(), picture));
    EXPECT_TRUE(EncodeToBytes(picture) == bytes);
    EXPECT_TRUE(EncodeToBytes(decoded) == bytes);
}

uint8_t Hash(uint32_t x, uint32_t y, uint32_t salt)
{
    uint32_t h = x * 0x9E3779B1u ^ (y + salt) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    return uint8_t(h >> 24);
}

// Flat regions with wavy borders, lines and a few dots.
uint8_t MapLike(uint32_t x, uint32_t y)
{
    if (y % 37 == 5 || (x + 2 * y) % 101 == 0)
        return 5;
    if (Hash(x, y, 1) < 3)
        return 6;
    const uint32_t cx = (x + (y / 7) % 5) / 29, cy = (y + (x / 11) % 4) / 23;
    return uint8_t((cx * 3 + cy * 5) % 5);
}

TEST(RoundTrip, TinyAndThinPictures)
{
    CMapRaster r;
    Paint(r, 1, 1, 1, [](uint32_t, uint32_t) { return uint8_t(0); });
    ExpectRoundTrip(r, "1 x 1");
    Paint(r, 1, 300, 3, [](uint32_t, uint32_t y) { return uint8_t(y / 40 % 3); });
    ExpectRoundTrip(r, "1 x 300");
    Paint(r, 300, 1, 3, [](uint32_t x, uint32_t) { return uint8_t(Hash(x, 0, 2) % 3); });
    ExpectRoundTrip(r, "300 x 1 noise");
    Paint(r, 257, 3, 4, [](uint32_t x, uint32_t y) { return uint8_t((x / 50 + y) % 4); });
    ExpectRoundTrip(r, "257 x 3");
    Paint(r, 2, 2, 2, [](uint32_t x, uint32_t y) { return uint8_t((x + y) & 1); });
    ExpectRoundTrip(r, "2 x 2 checker");
}

TEST(RoundTrip, MapLikePicturesAtTheRecordFormLimits)
{
    CMapRaster r;
    for (auto [w, h] : {std::pair{256u, 256u}, {257u, 120u}, {90u, 300u}, {500u, 400u}}) {
        Paint(r, w, h, 7, MapLike);
        ExpectRoundTrip(r, std::to_string(w) + " x " + std::to_string(h));
    }
}

TEST(RoundTrip, NoiseDithersAndCheckerboards)
{
    CMapRaster r;
    Paint(r, 200, 150, 4, [](uint32_t x, uint32_t y) { return uint8_t(Hash(x, y, 3) < 20 ? Hash(x, y, 4) % 4 : x / 70); });
    ExpectRoundTrip(r, "flat regions with noise");
    Paint(r, 300, 200, 2, [](uint32_t x, uint32_t y) { return uint8_t((x + y) & 1); });
    ExpectRoundTrip(r, "checkerboard of pixels, nothing survives");
    Paint(r, 300, 260, 5, [](uint32_t x, uint32_t y) {
        if (x >= 100 && x < 200 && y >= 80 && y < 180)
            return uint8_t(4);
        return uint8_t((x & 1) | (y & 1) << 1);  // four-colour dither around one solid square
    });
    ExpectRoundTrip(r, "four-colour dither around a surviving square");
    Paint(r, 160, 160, 2, [](uint32_t x, uint32_t y) { return uint8_t((x / 8 + y / 8) & 1); });
    ExpectRoundTrip(r, "checkerboard of 8 x 8 squares");
    Paint(r, 160, 160, 3, [](uint32_t x, uint32_t y) { return uint8_t((x / 12 + y / 12) % 3); });
    ExpectRoundTrip(r, "checkerboard of 12 x 12 squares");
}

TEST(RoundTrip, ThinLinesAndManyDots)
{
    CMapRaster r;
    Paint(r, 240, 180, 4, [](uint32_t x, uint32_t y) {
        if (x % 30 == 7 || y % 25 == 3)
            return uint8_t(1);
        if ((x + y) % 41 == 0 || (x > y && (x - y) % 53 == 0))
            return uint8_t(2);
        return uint8_t(x < 120 ? 0 : 3);
    });
    ExpectRoundTrip(r, "grid of thin lines and diagonals");

    std::mt19937 random(11);
    Paint(r, 640, 480, 9, [](uint32_t, uint32_t) { return uint8_t(0); });
    for (int k = 0; k < 4000; ++k)
        r.indexRows[random() % 480][random() % 640] = uint8_t(1 + random() % 8);
    ExpectRoundTrip(r, "one huge region with thousands of dots");
}

TEST(RoundTrip, WorkedExampleFilesDecodeAndEncodeBack)
{
    const std::vector<uint8_t> twoColumns = testsupport::TwoColumnsRgm();
    CMapRaster r;
    r.Decode(twoColumns.size(), twoColumns.data());
    EXPECT_EQ(EncodeToBytes(r), twoColumns);

    // The dot at (0, 0): one region of colour 1 and a one-pixel small region of colour 0.
    Paint(r, 20, 20, 2, [](uint32_t x, uint32_t y) { return uint8_t(x != 0 || y != 0); });
    ExpectRoundTrip(r, "dot at the origin");
}

// Files made by an independent implementation: decoding and encoding again
// must give every byte back.
TEST(RoundTrip, ExpectedCorpusFilesEncodeToTheSameBytes)
{
    SKIP_WITHOUT_CORPUS();
    const std::filesystem::path dir = testsupport::CorpusDir() / "expected";
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() == ".rgm")
            files.push_back(entry.path());
    if (files.empty())
        GTEST_SKIP() << "no expected .rgm files in " << dir;
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        const std::vector<uint8_t> bytes = testsupport::ReadBytes(file);
        CMapRaster r;
        r.Decode(bytes.size(), bytes.data());
        const std::vector<uint8_t> again = EncodeToBytes(r);
        const size_t firstDifference =
            size_t(std::mismatch(again.begin(), again.end(), bytes.begin(), bytes.end()).first - again.begin());
        EXPECT_TRUE(again == bytes) << file.filename() << ": " << again.size() << " bytes instead of "
                                    << bytes.size() << ", first difference at byte " << firstDifference;
    }
}

}  // namespace
