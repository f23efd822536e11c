// World files and .prj files beside a picture, and the .rgz georeferencing chunk.
#include "doc/GeoChunk.h"
#include "doc/GeoReference.h"
#include "doc/PictureGeoReference.h"
#include "rgz/Rgz.h"
#include "rgz/RgzError.h"
#include "support/RgzFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

namespace {

using testsupport::TempDir;

const GeoReference UTM{{431234.5, 2.5, 0, 5412345.25, 0, -2.5},
                       "PROJCS[\"WGS 84 / UTM zone 33N\",GEOGCS[\"WGS 84\"]]"};

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// A small .rgz file holding geo (or none).
std::vector<uint8_t> RgzWith(const std::optional<GeoReference>& geo)
{
    CMapRaster picture;
    picture.Resize(3, 2);
    picture.colorCount = 2;
    std::memcpy(picture.IndexPlane(), "\0\1\1\0\0\1", 6);
    const std::vector<uint8_t> plain = EncodeRgz(picture, RgzLevel::Fast);
    return geo ? WithGeoReference(plain, geo) : plain;
}

// file with one more georeferencing chunk holding data as it is.
std::vector<uint8_t> WithRawGeoChunk(const std::vector<uint8_t>& file, const std::vector<uint8_t>& data)
{
    CMapRaster picture;
    std::vector<RgzChunk> chunks;
    DecodeRgz(file, picture, &chunks);
    chunks.push_back({RGZ_GEO_TAG, data});
    return EncodeRgz(picture, RgzLevel::Fast, chunks);
}

TEST(WorldFile, NamesPixelCentresAsGdalDoesAndReadsBack)
{
    const std::string text = WorldFileText(UTM.transform);
    EXPECT_EQ(text, "2.5\n0\n0\n-2.5\n431235.75\n5412344\n");
    EXPECT_EQ(ParseWorldFile(text), UTM.transform);
    // Windows line ends, a '+' and exponents, as other programs write them.
    EXPECT_EQ(ParseWorldFile("2.5\r\n0\r\n0\r\n-2.5e0\r\n+431235.75\r\n5412344\r\n"), UTM.transform);
}

TEST(WorldFile, RefusesAnythingButSixNumbers)
{
    for (const char* bad : {"", "1\n2\n3\n4\n5\n", "1\n2\n3\n4\n5\nsix\n", "1\n2\n3\n4\n5\n6\n7\n",
                            "1\n2\n3\n4\n5\nnan\n", "1\n2\n3\n4\n5\n1e999\n", "1,5\n2\n3\n4\n5\n6\n"})
        EXPECT_THROW(ParseWorldFile(bad), GeoReferenceError) << bad;
}

TEST(WorldFile, IsFoundByGdalsNamesBesideThePicture)
{
    const auto names = WorldFileCandidates("/maps/Sheet.JPG");
    EXPECT_EQ(names, (std::vector<std::string>{"/maps/Sheet.jgw", "/maps/Sheet.JGW", "/maps/Sheet.jpgw",
                                               "/maps/Sheet.JPGW", "/maps/Sheet.wld", "/maps/Sheet.WLD"}));
    EXPECT_EQ(WorldFilePath("a.b/map.bmp"), "a.b/map.bpw");
    EXPECT_EQ(PrjPath("a.b/map"), "a.b/map.prj");

    TempDir dir;
    EXPECT_EQ(ReadSidecarGeoReference(dir / "map.png"), std::nullopt);
    WriteText(dir / "map.wld", WorldFileText(UTM.transform));
    WriteText(dir / "map.prj", UTM.wkt + "\r\n");
    EXPECT_EQ(ReadSidecarGeoReference(dir / "map.png"), UTM);

    WriteSidecarGeoReference(dir / "out.rgm", UTM);
    EXPECT_EQ(ReadPictureGeoReference(dir / "out.rgm"), UTM);
    EXPECT_TRUE(std::filesystem::exists(dir / "out.rmw"));

    WriteText(dir / "map.prj", std::string("PROJCS[\"\xC0\"]"));
    EXPECT_THROW(ReadSidecarGeoReference(dir / "map.png"), GeoReferenceError);
}

TEST(GeoChunk, KeepsEveryDoubleBitForBitInsideTheRgzFile)
{
    GeoReference odd = UTM;
    odd.transform = {-0.0, std::numeric_limits<double>::denorm_min(), 1e300, 0.1, -7, 1.0 / 3};
    odd.wkt = "GEOGCS[\"Ünïcode ✓\"]";
    const std::vector<uint8_t> file = RgzWith(odd);
    const auto back = GeoReferenceOfRgz(file);
    ASSERT_TRUE(back);
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(std::bit_cast<uint64_t>(back->transform[k]), std::bit_cast<uint64_t>(odd.transform[k]));
    EXPECT_EQ(back->wkt, odd.wkt);

    // The picture is untouched, a reader that skips the chunk sees it, and
    // replacing or removing the chunk leaves one or none.
    CMapRaster picture;
    std::vector<RgzChunk> chunks;
    DecodeRgz(file, picture, &chunks);
    EXPECT_EQ(picture.width, 3u);
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0].tag, RGZ_GEO_TAG);
    EXPECT_EQ(GeoReferenceOfRgz(WithGeoReference(file, UTM)), UTM);
    EXPECT_EQ(WithGeoReference(file, std::nullopt), RgzWith(std::nullopt));
}

TEST(GeoChunk, DamageIsRefusedNamingTheByteOfTheFile)
{
    const std::vector<uint8_t> good = RgzWith(UTM);
    const size_t data = good.size() - 4 - EncodeGeoChunk(UTM).data.size();  // where the chunk's data starts
    const auto refusedAt = [&](std::vector<uint8_t> file) -> size_t {
        testsupport::FixRgzChecksum(file);
        try {
            GeoReferenceOfRgz(file);
        } catch (const RgzFormatError& e) {
            return e.offset();
        }
        ADD_FAILURE() << "damaged chunk accepted";
        return 0;
    };
    std::vector<uint8_t> bad = good;
    bad[data] = 2;  // version
    EXPECT_EQ(refusedAt(bad), data);
    bad = good;
    std::memcpy(&bad[data + 1 + 8 * 3], "\0\0\0\0\0\0\xF8\x7F", 8);  // NaN
    EXPECT_EQ(refusedAt(bad), data + 1 + 8 * 3);
    bad = good;
    bad[data + 49] += 1;  // coordinate system length
    EXPECT_EQ(refusedAt(bad), data + 49);
    bad = good;
    bad[data + 60] = 0xFF;  // not UTF-8
    EXPECT_EQ(refusedAt(bad), data + 60);
    // Too short for the fixed part: refused at the chunk's end.
    const std::vector<uint8_t> cut = RgzWith(std::nullopt);
    EXPECT_EQ(refusedAt(WithRawGeoChunk(cut, {1, 2, 3})), cut.size() - 4 + 4 + 1 + 3);
    // Two georeferencing chunks.
    EXPECT_THROW(GeoReferenceOfRgz(WithRawGeoChunk(good, EncodeGeoChunk(UTM).data)), RgzFormatError);
}

}  // namespace
