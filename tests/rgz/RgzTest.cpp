#include "codec/TestPictures.h"
#include "rgz/FirstLayer.h"
#include "rgz/PixelLayer.h"
#include "rgz/Rgz.h"
#include "rgz/RgzContainer.h"
#include "rgz/RgzFormat.h"
#include "support/RgzFiles.h"
#include "support/Sha256.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>

namespace {

using testpictures::EncodeToBytes;
using testpictures::Paint;

constexpr RgzLevel kLevels[] = {RgzLevel::Fast, RgzLevel::Best};

// Wavy flat regions crossed by a road, with lone pixels and a few noisy
// patches: every kind of change the cleanup makes.
void PaintMapLike(CMapRaster& r, uint32_t w, uint32_t h, uint32_t seed)
{
    std::mt19937 rng(seed);
    Paint(r, w, h, 12, [&](uint32_t x, uint32_t y) {
        if ((x + 2 * y) % 97 == 0)
            return uint8_t(11);
        if (rng() % 211 == 0)
            return uint8_t(rng() % 12);
        if (x > w / 2 && y > h / 2 && x < w / 2 + 9 && y < h / 2 + 9)
            return uint8_t(rng() % 3 + 8);
        return uint8_t(((x / 23 + (y + x / 7) / 19) % 7));
    });
}

bool SamePicture(const CMapRaster& a, const CMapRaster& b)
{
    return a.width == b.width && a.height == b.height && a.colorCount == b.colorCount &&
           std::memcmp(a.palette, b.palette, sizeof a.palette[0] * size_t(a.colorCount)) == 0 &&
           std::memcmp(a.IndexPlane(), b.IndexPlane(), a.PixelCount()) == 0;
}

// Encodes at both levels and checks every way back.
void ExpectRoundTrips(CMapRaster& picture)
{
    const std::vector<uint8_t> rgm = EncodeToBytes(picture);
    for (RgzLevel level : kLevels) {
        const std::vector<uint8_t> rgz = EncodeRgz(picture, level);
        const RgzInfo info = DescribeRgz(rgz);
        EXPECT_FALSE(info.fallback);
        EXPECT_EQ(info.level, level);
        EXPECT_TRUE(info.checksumOk);
        CMapRaster back;
        DecodeRgz(rgz, back);
        EXPECT_TRUE(SamePicture(picture, back)) << picture.width << " x " << picture.height;
        EXPECT_EQ(RgzToRgm(rgz), rgm);
        EXPECT_EQ(RgmToRgz(rgm, level), rgz);
    }
}

TEST(Rgz, GeneratedPicturesRoundTripAtBothLevels)
{
    CMapRaster r;
    PaintMapLike(r, 301, 203, 1);
    ExpectRoundTrips(r);
    // Noise: no region survives the cleanup, so W is the picture itself.
    std::mt19937 rng(2);
    Paint(r, 40, 30, 255, [&](uint32_t, uint32_t) { return uint8_t(rng() % 255); });
    ExpectRoundTrips(r);
    Paint(r, 1, 1, 1, [](uint32_t, uint32_t) { return uint8_t(0); });
    ExpectRoundTrips(r);
    Paint(r, 1, 700, 3, [](uint32_t, uint32_t y) { return uint8_t(y / 150 % 3); });
    ExpectRoundTrips(r);
    Paint(r, 700, 2, 3, [](uint32_t x, uint32_t y) { return uint8_t((x / 150 + y) % 3); });
    ExpectRoundTrips(r);
}

// Speed work shares the encoder's and the decoder's code, so a change that
// moves bytes still round-trips; the bytes stay fixed unless the format is
// changed on purpose (then update the digests). At the best level this also
// holds the processor-specific copy of the pixel layer to the plain build's
// bytes. The second picture holds a U-shaped region whose right arm begins as
// a region of its own and joins the left one rows later.
TEST(Rgz, BytesStayAsWritten)
{
    CMapRaster r;
    PaintMapLike(r, 301, 203, 1);
    EXPECT_EQ(testsupport::Sha256Hex(EncodeRgz(r, RgzLevel::Fast)), "1f5e43aa48b59b0210e8a252787371421c3a10664c5c573171787d26399a8144");
    EXPECT_EQ(testsupport::Sha256Hex(EncodeRgz(r, RgzLevel::Best)), "14b1c5df374dcfb59dcdfdc899e8cb8fc32922c3c4fdc1fa283e048b858e3dc7");
    Paint(r, 64, 64, 3, [](uint32_t x, uint32_t y) {
        const bool arm = (x >= 8 && x < 20) || (x >= 40 && x < 52);
        const bool bottom = x >= 8 && x < 52 && y >= 44;
        return uint8_t(y >= 8 && y < 56 && (arm || bottom) ? 1 + (x + y) % 97 / 96 : 0);
    });
    EXPECT_EQ(testsupport::Sha256Hex(EncodeRgz(r, RgzLevel::Fast)), "2be5beb855fc40bce8439558b05c8c7a436b4a6d4dad6e23c38c87fe1c14b0fb");
}

// Files of earlier format versions still read back to their .rgm bytes:
// version 1 at the default level (no tree weights; the fuzzing seeds keep
// such files) and at the best level (an antialiased picture of 120 colours
// an earlier build wrote, before the tree refinement by node), and version 3
// at the best level (a speckled picture whose tree version 4 would weigh).
TEST(Rgz, EarlierVersionsStillRead)
{
    const std::filesystem::path seeds = KARVEX_SOURCE_DIR "/fuzz/corpus";
    for (const char* name : {"three-chains", "scanned-crop"}) {
        const std::vector<uint8_t> v1 =
            testsupport::ReadBytes(seeds / "fuzz_rgz_decode" / (std::string(name) + "-fast-v1.rgz"));
        EXPECT_EQ(DescribeRgz(v1).version, 1) << name;
        EXPECT_EQ(RgzToRgm(v1), testsupport::ReadBytes(seeds / "fuzz_rgm_to_rgz" / (std::string(name) + ".rgm")))
            << name;
    }
    const std::vector<uint8_t> best =
        testsupport::ReadBytes(KARVEX_SOURCE_DIR "/tests/rgz/data/antialiased-64x48-best-version1.rgz");
    EXPECT_EQ(DescribeRgz(best).version, 1);
    EXPECT_EQ(testsupport::Sha256Hex(RgzToRgm(best)), "727eb44a25c32a4c4aee2e10bf5fde4e4ca5efb9e1b679d5dd2e329166397b17");
    const std::vector<uint8_t> v3 = testsupport::ReadBytes(seeds / "fuzz_rgz_decode" / "speckled-best-v3.rgz");
    EXPECT_EQ(DescribeRgz(v3).version, 3);
    EXPECT_EQ(RgzToRgm(v3), testsupport::ReadBytes(seeds / "fuzz_rgm_to_rgz" / "speckled.rgm"));
}

// One test per level, so that ctest runs the two side by side.
class RgzCorpus : public ::testing::TestWithParam<RgzLevel> {};

TEST_P(RgzCorpus, EveryFileRoundTripsInModelMode)
{
    SKIP_WITHOUT_CORPUS();
    if (testsupport::kSanitized)
        GTEST_SKIP() << "the whole corpus takes too long under the sanitizers; the normal build runs it";
    for (const auto& entry : std::filesystem::directory_iterator(testsupport::CorpusDir() / "expected")) {
        if (entry.path().extension() != ".rgm")
            continue;
        const std::vector<uint8_t> rgm = testsupport::ReadBytes(entry.path());
        const std::vector<uint8_t> rgz = RgmToRgz(rgm, GetParam());
        EXPECT_FALSE(DescribeRgz(rgz).fallback) << entry.path();
        EXPECT_EQ(RgzToRgm(rgz), rgm) << entry.path();
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, RgzCorpus, ::testing::ValuesIn(kLevels),
                         [](const auto& level) { return level.param == RgzLevel::Best ? "Best" : "Fast"; });

TEST(Rgz, ForeignRgmIsKeptInFallbackModeByteForByte)
{
    const std::vector<uint8_t> sample = testsupport::ReadBytes(KARVEX_SOURCE_DIR "/samples/two-columns.rgm");
    EXPECT_FALSE(DescribeRgz(RgmToRgz(sample, RgzLevel::Fast)).fallback);
    // The same picture with its two region seeds in the other order: the
    // decoder reads it, our encoder would not write it.
    const std::vector<uint8_t> swapped = testsupport::Hex(
        "04 00 02 00 02 FF FF FF 00 00 00 01 02 00 00 00 00 FF 01 00 00 00 02 00 00 00 2F FF");
    const std::vector<uint8_t> rgz = RgmToRgz(swapped, RgzLevel::Fast);
    EXPECT_TRUE(DescribeRgz(rgz).fallback);
    EXPECT_EQ(RgzToRgm(rgz), swapped);
    CMapRaster fromRgz, fromRgm;
    DecodeRgz(rgz, fromRgz);
    fromRgm.Decode(sample.size(), sample.data());
    EXPECT_TRUE(SamePicture(fromRgz, fromRgm));
}

TEST(Rgz, OptionalChunksTravelAndNeededOnesAreRefused)
{
    CMapRaster r;
    PaintMapLike(r, 64, 48, 3);
    const RgzChunk geo{RgzTag('g', 'e', 'o', 'R'), {1, 2, 3}};
    const std::vector<uint8_t> rgz = EncodeRgz(r, RgzLevel::Fast, {&geo, 1});
    std::vector<RgzChunk> chunks;
    CMapRaster back;
    DecodeRgz(rgz, back, &chunks);
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0], geo);
    EXPECT_EQ(RgmToRgz(RgzToRgm(rgz), RgzLevel::Fast, chunks), rgz);

    const RgzChunk needed{RgzTag('G', 'e', 'o', 'R'), {}};
    EXPECT_THROW(EncodeRgz(r, RgzLevel::Fast, {&needed, 1}), RgzEncodeError);
    std::vector<uint8_t> withNeeded = rgz;
    const uint8_t tag[] = {'g', 'e', 'o', 'R'};
    *std::find_end(withNeeded.begin(), withNeeded.end(), tag, tag + 4) = 'G';
    testsupport::FixRgzChecksum(withNeeded);
    EXPECT_THROW(DecodeRgz(withNeeded, back), RgzFormatError);
}

// Decoding either refuses or gives a picture whose file is these very bytes.
void ExpectRefusedOrExact(const std::vector<uint8_t>& file)
{
    CMapRaster picture;
    std::vector<RgzChunk> chunks;
    try {
        DecodeRgz(file, picture, &chunks);
    } catch (const RgzFormatError&) {
        return;
    }
    const RgzInfo info = DescribeRgz(file);
    if (info.fallback)
        EXPECT_EQ(RgmToRgz(RgzToRgm(file), info.level, chunks), file);
    else
        EXPECT_EQ(EncodeRgz(picture, info.level, chunks), file);
}

TEST(Rgz, DamagedFilesAreRefusedAtTheirByte)
{
    CMapRaster r;
    PaintMapLike(r, 80, 60, 4);
    const std::vector<uint8_t> rgz = EncodeRgz(r, RgzLevel::Fast);
    CMapRaster back;
    auto refusal = [&](const std::vector<uint8_t>& file, uint64_t maxPixels = Limits{}.maxPixels) {
        try {
            Limits limits;
            limits.maxPixels = maxPixels;
            DecodeRgz(file, back, nullptr, limits);
        } catch (const RgzFormatError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    std::vector<uint8_t> flipped = rgz;
    flipped[rgz.size() / 2] ^= 0x10;
    EXPECT_EQ(refusal(flipped), "the checksum does not match: the file is damaged at byte " +
                                    std::to_string(rgz.size() - 4));
    EXPECT_EQ(refusal({rgz.begin(), rgz.begin() + 20}), "the checksum does not match: the file is damaged at byte 16");
    EXPECT_EQ(refusal(rgz, 80 * 60 - 1), "the picture has 4800 pixels, more than the limit of 4799 at byte 7");

    // Found by fuzzing: a lowered byte inside layer 1 took the range decoder's
    // code out of its range and back, reading as the same 4 x 2 picture.
    std::vector<uint8_t> lowered = {0x89, 0x52, 0x47, 0x5a, 0x01, 0x00, 0x00, 0x04, 0x00, 0x02, 0x00,
                                    0x02, 0x0b, 0xff, 0xff, 0xff, 0xf7, 0x00, 0x01, 0x9f, 0xa2, 0x77,
                                    0x77, 0x00, 0x04, 0xf0, 0x85, 0xad, 0xf6, 0, 0, 0, 0};
    testsupport::FixRgzChecksum(lowered);
    EXPECT_EQ(refusal(lowered), "layer 1 does not end as the encoder ends it at byte 23");

    // A cleaned picture that is not the cleanup of the picture: a lone pixel
    // our encoder would paint over, kept in W as well.
    CMapRaster lone;
    Paint(lone, 16, 16, 2, [](uint32_t x, uint32_t y) { return uint8_t(x == 8 && y == 8); });
    std::memcpy(lone.WorkPlane(), lone.IndexPlane(), lone.PixelCount());
    RangeEncoder enc;
    EncodeFirstLayer(lone, RgzLevel::Fast, enc);
    std::vector<uint8_t> body;
    AppendPart(body, enc.Finish());
    EncodePixelLayer(lone.WorkPlane(), lone.IndexPlane(), 16, 16, lone.palette, 2, RgzLevel::Fast, enc);
    AppendPart(body, enc.Finish());
    EXPECT_EQ(refusal(WriteRgzFile({RgzLevel::Fast, RGZ_MODE_MODEL, 16, 16, 2}, body, {})),
              "the cleaned picture in layer 1 does not belong to the picture at byte 13");

    // Every single-byte change with the checksum made right again.
    for (size_t at = 0; at + 4 < rgz.size(); ++at) {
        std::vector<uint8_t> changed = rgz;
        changed[at] ^= uint8_t(1 + at % 255);
        testsupport::FixRgzChecksum(changed);
        SCOPED_TRACE("byte " + std::to_string(at));
        ExpectRefusedOrExact(changed);
    }
}

}  // namespace
