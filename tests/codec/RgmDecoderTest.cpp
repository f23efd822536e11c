#include "codec/MapRaster.h"
#include "codec/RgmFormat.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using testsupport::Hex;

namespace {

// The picture as rows of index digits, top row first.
std::string Picture(const CMapRaster& r)
{
    std::string s;
    for (uint32_t y = 0; y < r.height; ++y) {
        if (y)
            s += '/';
        for (uint32_t x = 0; x < r.width; ++x)
            s += r.indexRows[y][x] == NO_INDEX ? std::string("_") : std::to_string(r.indexRows[y][x]);
    }
    return s;
}

CMapRaster Decoded(const std::vector<uint8_t>& file)
{
    CMapRaster r;
    r.Decode(file.size(), file.data());
    return r;
}

// A w x h picture of colour 0 (one region, no chains) with one small region of
// colour 1 at the seed and the given tree chunk.
std::vector<uint8_t> FlatWithTree(uint32_t w, uint32_t h, uint32_t seedX, uint32_t seedY,
                                  const std::string& chunk)
{
    std::vector<uint8_t> f = {uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8), 2,
                              0xFF, 0xFF, 0xFF, 0, 0, 0};
    const auto add = [&f](std::vector<uint8_t> more) { f.insert(f.end(), more.begin(), more.end()); };
    add({0, 0, 0, 0xFF, 0, 0, 0, 0});
    add({1, uint8_t(seedX), uint8_t(seedY), 0xFF});
    add(Hex(chunk));
    return f;
}

// Pixels of colour 1 in a decoded picture, as "(x,y)" in raster order.
std::string Ones(const CMapRaster& r)
{
    std::string s;
    for (uint32_t y = 0; y < r.height; ++y)
        for (uint32_t x = 0; x < r.width; ++x)
            if (r.indexRows[y][x] == 1)
                s += "(" + std::to_string(x) + "," + std::to_string(y) + ")";
    return s;
}

std::string RefusalOf(const std::vector<uint8_t>& file)
{
    CMapRaster r;
    try {
        r.Decode(file.size(), file.data());
    } catch (const RgmFormatError& e) {
        return e.what();
    }
    return "accepted";
}

TEST(RgmDecoder, TwoColumnFileGivesPictureAndBoundary)
{
    const std::vector<uint8_t> file = testsupport::TwoColumnsRgm();
    ASSERT_EQ(file.size(), 28u);
    CMapRaster r;
    RgmLayout layout;
    r.Decode(file.size(), file.data(), layout);
    EXPECT_EQ(r.width, 4u);
    EXPECT_EQ(r.height, 2u);
    EXPECT_EQ(r.colorCount, 2);
    EXPECT_EQ(r.palette[0], 0x00FFFFFFu);
    EXPECT_EQ(r.palette[1], 0u);
    EXPECT_EQ(Picture(r), "0011/0011");
    EXPECT_EQ(r.flagRows[0][1], EDGE_RIGHT);
    EXPECT_EQ(r.flagRows[1][1], EDGE_RIGHT);
    EXPECT_EQ(r.flagRows[0][2], EDGE_LEFT);
    EXPECT_EQ(r.flagRows[1][2], EDGE_LEFT);
    EXPECT_EQ(r.flagRows[0][0], 0);

    EXPECT_EQ(layout.regions, 2u);
    EXPECT_EQ(layout.chains, 1u);
    EXPECT_EQ(layout.crackCodes, 3u);
    EXPECT_EQ(layout.smallRegions, 0u);
    const size_t parts[] = {11, 7, 8, 1, 1, 0};
    for (int i = 0; i < RgmLayout::PART_COUNT; ++i)
        EXPECT_EQ(layout.partBytes[i], parts[i]) << "part " << i;
}

TEST(RgmDecoder, SmallRegionIsPaintedOverFirstLayer)
{
    std::vector<uint8_t> file = testsupport::TwoColumnsRgm();
    file.pop_back();
    for (uint8_t b : Hex("00 03 01 FF 00"))
        file.push_back(b);
    EXPECT_EQ(Picture(Decoded(file)), "0011/0010");
}

TEST(RgmDecoder, WidePictureUsesLongRecords)
{
    // 300 x 2, columns 0-149 colour 0, 150-299 colour 1, one chain down at x = 150.
    std::vector<uint8_t> file = Hex("2C 01 02 00 02 FF FF FF 00 00 00");
    for (uint8_t b : Hex("00 00 00 00 00  01 96 00 00 00  FF  01 00 00 00  96 00 00 00  2F  FF"))
        file.push_back(b);
    const CMapRaster r = Decoded(file);
    ASSERT_EQ(r.width, 300u);
    for (uint32_t y = 0; y < 2; ++y) {
        EXPECT_EQ(r.indexRows[y][149], 0);
        EXPECT_EQ(r.indexRows[y][150], 1);
        EXPECT_EQ(r.indexRows[y][0], 0);
        EXPECT_EQ(r.indexRows[y][299], 1);
    }
}

TEST(RgmDecoder, TreeChunksOfTheFormatDescription)
{
    EXPECT_EQ(Ones(Decoded(FlatWithTree(9, 9, 5, 5, "4C 00"))), "(5,5)(5,6)(5,7)(5,8)");
    EXPECT_EQ(Ones(Decoded(FlatWithTree(9, 9, 5, 5, "05 00"))), "(5,5)(6,5)(5,6)");
    EXPECT_EQ(Ones(Decoded(FlatWithTree(9, 9, 5, 5, "3F 7C 01"))), "(5,5)(4,6)(6,6)(5,7)");
}

TEST(RgmDecoder, ChunkEndingOnByteBoundaryIsFollowedByTheNextByte)
{
    // 10 x 1 of colour 0; small region 0 is a line of 8 pixels going right
    // (groups 1,1,1,1,1,1,1,0: exactly 24 bits), small region 1 the pixel (9, 0).
    std::vector<uint8_t> file = Hex("0A 00 01 00 02 FF FF FF 00 00 00  00 00 00 FF  00 00 00 00"
                                    "  01 00 00  01 09 00  FF  49 92 04  00");
    EXPECT_EQ(Picture(Decoded(file)), "1111111101");
    file.push_back(0);
    EXPECT_EQ(RefusalOf(file), "1 bytes follow the last tree at byte 30");
}

TEST(RgmDecoder, GroupReaderCrossesBytesAtOffsetsSixSevenAndEight)
{
    // Groups 1..7, 0 packed low bit first fill three bytes; a ninth group (5)
    // starts at offset 8 and comes from bits 0-2 of the fourth byte.
    const std::vector<uint8_t> bytes = Hex("D1 58 1F 05");
    GroupReader reader(bytes.data(), bytes.data() + bytes.size());
    std::vector<unsigned> groups;
    unsigned g;
    for (int i = 0; i < 8 && reader.Read(g); ++i)
        groups.push_back(g);
    EXPECT_EQ(groups, (std::vector<unsigned>{1, 2, 3, 4, 5, 6, 7, 0}));
    EXPECT_EQ(reader.Next(), bytes.data() + 3);
    ASSERT_TRUE(reader.Read(g));
    EXPECT_EQ(g, 5u);
    EXPECT_EQ(reader.Next(), bytes.data() + 4);
    ASSERT_TRUE(reader.Read(g));  // offset 3 of the last byte
    EXPECT_FALSE(reader.Read(g));  // offset 6 would need a fifth byte
}

TEST(RgmDecoder, ChainEndsAtFirstReversalButNeverAtItsFirstCode)
{
    // 2 x 2: (0, 0) and (0, 1) colour 0, (1, 0) colour 1, (1, 1) colour 2.
    // Chain 0 from (1, 0): down, end up. Chain 1 from (1, 1): down (the reverse
    // of the end code before it, yet a move), end up. Chain 2 from (2, 1): left,
    // end right: one move. Codes 3,2,3,2,1,0 = BB 01.
    const std::vector<uint8_t> file =
        Hex("02 00 02 00 03 FF FF FF 00 00 00 80 80 80  00 00 00  01 01 00  02 01 01  FF"
            "  03 00 00 00  01 00 00 00  01 00 01 00  02 00 01 00  BB 01  FF");
    CMapRaster r;
    RgmLayout layout;
    r.Decode(file.size(), file.data(), layout);
    EXPECT_EQ(Picture(r), "01/02");
    EXPECT_EQ(layout.crackCodes, 6u);
    EXPECT_EQ(layout.partBytes[RgmLayout::CRACK_CODES], 2u);
    EXPECT_EQ(r.flagRows[0][1], EDGE_LEFT | EDGE_BOTTOM);
    EXPECT_EQ(r.flagRows[1][1], EDGE_LEFT | EDGE_TOP);
    EXPECT_EQ(r.flagRows[1][0], EDGE_RIGHT);
}

// Two columns of colours 0 and 1, h rows, one chain straight down x = 2;
// tail is what follows the code stream.
std::vector<uint8_t> TwoColumns(uint32_t h, const std::string& tail)
{
    std::vector<uint8_t> f = {4, 0, uint8_t(h), 0, 2, 0xFF, 0xFF, 0xFF, 0, 0, 0,
                              0, 0, 0, 1, 2, 0, 0xFF, 1, 0, 0, 0, 2, 0, 0, 0};
    std::vector<unsigned> codes(h, CRACK_DOWN);
    codes.push_back(CRACK_UP);
    for (size_t i = 0; i < codes.size(); i += 4) {
        uint8_t b = 0;
        for (size_t j = 0; j < 4 && i + j < codes.size(); ++j)
            b |= uint8_t(codes[i + j] << (2 * j));
        f.push_back(b);
    }
    for (uint8_t b : Hex(tail))
        f.push_back(b);
    return f;
}

TEST(RgmDecoder, SmallSeedsStartAfterTheLastCodeByte)
{
    // 4 codes fill one byte; 5 codes take a second byte holding one code.
    for (uint32_t h : {3u, 4u}) {
        CMapRaster r;
        RgmLayout layout;
        const std::vector<uint8_t> file = TwoColumns(h, "00 03 02 FF 00");
        r.Decode(file.size(), file.data(), layout);
        EXPECT_EQ(layout.partBytes[RgmLayout::CRACK_CODES], h == 3 ? 1u : 2u);
        EXPECT_EQ(r.indexRows[2][3], 0) << h;
        EXPECT_EQ(r.indexRows[1][3], 1) << h;
        EXPECT_EQ(r.indexRows[h - 1][0], 0) << h;
    }
}

TEST(RgmDecoder, EmptyChainStreamPutsSmallSeedsRightAfterTheCount)
{
    const std::vector<uint8_t> file = Hex("01 00 01 00 01 10 20 30  00 00 00 FF  00 00 00 00  FF");
    CMapRaster r;
    RgmLayout layout;
    r.Decode(file.size(), file.data(), layout);
    EXPECT_EQ(Picture(r), "0");
    EXPECT_EQ(r.palette[0], 0x302010u);
    EXPECT_EQ(layout.partBytes[RgmLayout::CRACK_CODES], 0u);
}

TEST(RgmDecoder, DecodingKeepsBlockOfSameSizeAndUnusedPaletteEntries)
{
    CMapRaster r;
    r.Resize(4, 2);
    const uint8_t* plane = r.IndexPlane();
    r.colorCount = 200;
    for (uint32_t i = 0; i < 256; ++i)
        r.palette[i] = 0xABCD00 + i;
    const std::vector<uint8_t> file = testsupport::TwoColumnsRgm();
    r.Decode(file.size(), file.data());
    EXPECT_EQ(r.IndexPlane(), plane);
    EXPECT_EQ(r.colorCount, 2);
    EXPECT_EQ(r.palette[2], 0xABCD02u);
    EXPECT_EQ(r.palette[199], 0xABCD00u + 199);
}

TEST(RgmDecoder, RefusesBrokenFilesNamingWhatAndWhere)
{
    const std::vector<uint8_t> good = testsupport::TwoColumnsRgm();
    auto with = [&good](size_t at, uint8_t value) {
        std::vector<uint8_t> f = good;
        f[at] = value;
        return f;
    };
    struct Case {
        std::vector<uint8_t> file;
        const char* says;
    };
    const Case cases[] = {
        {Hex("04 00"), "file ends early, inside the header at byte 2"},
        {with(0, 0), "the width is 0 at byte 0"},
        {with(2, 0), "the height is 0 at byte 2"},
        {std::vector<uint8_t>(good.begin(), good.begin() + 9),
         "file ends early, inside the palette at byte 9"},
        {with(14, 2), "record 1 of the region seed list has colour index 2, not below the colour "
                      "count 2 at byte 14"},
        {with(15, 4), "record 1 of the region seed list has its seed (4, 0) outside the 4 x 2 "
                      "picture at byte 15"},
        {with(18, 2), "file ends early, inside the chain table of 2 chains at byte 28"},
        {with(22, 4), "chain 0 walks along the picture's border from vertex (4, 0) at byte 26"},
        {with(22, 5), "chain 0 starts at (5, 0), outside the picture at byte 22"},
        {with(26, 0xFF), "chain 0 walks off the picture from vertex (2, 2) at byte 26"},
        {with(26, 0x00), "chain 0 walks along the picture's border from vertex (2, 0) at byte 26"},
        {Hex("04 00 02 00 02 FF FF FF 00 00 00 00 00 00 FF 01 00 00 00 02 00 00 00 2F FF"),
         "pixel (2, 0) lies in no region of the region seed list at byte 14"},
        {with(27, 0x00), "file ends early, inside record 0 of the small-region seed list at byte 28"},
        {std::vector<uint8_t>(good.begin(), good.end() - 1),
         "file ends early, inside the small-region seed list at byte 27"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RefusalOf(c.file), c.says);

    std::vector<uint8_t> trailing = good;
    trailing.push_back(0);
    EXPECT_EQ(RefusalOf(trailing), "1 bytes follow the last tree at byte 28");
}

// 19 bytes claim a flat 40000 x 40000 picture (1.6 gigapixels): refused from
// the header, before the raster is touched, naming the limit.
TEST(RgmDecoder, PictureAboveTheLimitsIsRefusedAtOnce)
{
    const std::vector<uint8_t> flat = testsupport::FlatRgm(40000, 40000);
    CMapRaster r;
    try {
        r.Decode(flat.size(), flat.data());
        ADD_FAILURE() << "decoded";
    } catch (const RgmFormatError& e) {
        EXPECT_EQ(e.code(), ErrorCode::TooLarge);
        EXPECT_STREQ(e.what(), "picture size 40000 x 40000 exceeds the limit of 2^30 pixels at byte 0");
    }
    EXPECT_FALSE(r.HasPixels());
    const std::vector<uint8_t> fourByTwo = testsupport::TwoColumnsRgm();
    EXPECT_THROW(r.Decode(fourByTwo.size(), fourByTwo.data(), Limits{.maxPixels = 7}), RgmFormatError);
    EXPECT_THROW(r.Decode(fourByTwo.size(), fourByTwo.data(), Limits{.maxSide = 3}), RgmFormatError);
    EXPECT_NO_THROW(r.Decode(fourByTwo.size(), fourByTwo.data(), Limits{.maxPixels = 8}));
}

TEST(RgmDecoder, RefusesTreesThatLeaveThePictureOrComeBack)
{
    EXPECT_EQ(RefusalOf(FlatWithTree(9, 9, 8, 8, "01")),
              "the tree of small region 0 leaves the picture at (8, 8) at byte 23");
    // Root children R and D; both then name (6, 6) as their child.
    EXPECT_EQ(RefusalOf(FlatWithTree(9, 9, 5, 5, "25 01")),
              "the tree of small region 0 takes pixel (6, 6) a second time at byte 24");
    // Two small regions with the same seed.
    const std::vector<uint8_t> twice =
        Hex("09 00 09 00 02 FF FF FF 00 00 00  00 00 00 FF  00 00 00 00  01 05 05  01 05 05 FF"
            "  00 00");
    EXPECT_EQ(RefusalOf(twice), "the tree of small region 1 takes pixel (5, 5) a second time at byte 27");
    EXPECT_EQ(RefusalOf(FlatWithTree(9, 9, 5, 5, "07")),
              "file ends early, inside the tree of small region 0 at byte 24");
    // Neither kind of refusal happens before the whole tree stream is consumed.
    const std::vector<uint8_t> ok = FlatWithTree(9, 9, 5, 5, "07 00");
    EXPECT_EQ(Ones(Decoded(ok)), "(5,4)(5,5)(6,5)(5,6)");
}

TEST(RgmDecoder, RefusalInHeaderOrSeedsLeavesRasterAsItWas)
{
    const std::vector<uint8_t> good = testsupport::TwoColumnsRgm();
    CMapRaster r;
    r.Decode(good.size(), good.data());
    const uint8_t* plane = r.IndexPlane();
    for (size_t at : {size_t(0), size_t(15), size_t(18)}) {
        std::vector<uint8_t> bad = good;
        bad[at] = at == 18 ? 9 : 7;  // width 7 with a cut file; seed x = 7; 9 chains
        bad.resize(at == 0 ? 12 : bad.size());
        EXPECT_THROW(r.Decode(bad.size(), bad.data()), RgmFormatError) << at;
        EXPECT_EQ(r.width, 4u);
        EXPECT_EQ(r.IndexPlane(), plane);
        EXPECT_EQ(r.colorCount, 2);
        EXPECT_EQ(Picture(r), "0011/0011");
    }
}

// The fill in the form first described: pixel by pixel, breadth first,
// through Neighbours4 walked backwards.
void ReferenceFill(CMapRaster& r, uint8_t colour, PackedPos seed)
{
    std::vector<PackedPos> queue{seed};
    r.indexRows[PosY(seed)][PosX(seed)] = colour;
    for (size_t head = 0; head < queue.size(); ++head) {
        const uint32_t x = PosX(queue[head]), y = PosY(queue[head]);
        PackedPos nb[4];
        PackedPos* end = r.Neighbours4(uint16_t(x), uint16_t(y), nb);
        while (end != nb) {
            const PackedPos n = *--end;
            const uint32_t nx = PosX(n), ny = PosY(n);
            if (r.indexRows[ny][nx] != NO_INDEX)
                continue;
            const bool open = nx == x ? !(r.flagRows[std::min(y, ny)][x] & EDGE_BOTTOM)
                                      : !(r.flagRows[y][std::min(x, nx)] & EDGE_RIGHT);
            if (open) {
                r.indexRows[ny][nx] = colour;
                queue.push_back(n);
            }
        }
    }
}

TEST(RgmDecoder, RegionPaintPaintsWhatPixelFillsFromEachSeedPaint)
{
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 16; };
    for (int round = 0; round < 400; ++round) {
        const uint32_t w = 1 + next() % 12, h = 1 + next() % 12;
        CMapRaster a, b;
        a.Resize(w, h);
        b.Resize(w, h);
        const unsigned density = next() % 4;
        for (size_t i = 0; i < a.PixelCount(); ++i)  // random one-sided edge bits
            a.FlagPlane()[i] = b.FlagPlane()[i] = uint8_t(next() % 4 < density ? next() & 0x0F : 0);
        // Seeds may share a group or a pixel, and groups may have none.
        std::vector<PackedPos> seeds(next() % 5);
        std::vector<uint8_t> colours;
        std::fill_n(b.IndexPlane(), b.PixelCount(), NO_INDEX);
        for (PackedPos& s : seeds) {
            s = PackPos(next() % w, next() % h);
            colours.push_back(uint8_t(colours.size()));
            ReferenceFill(b, colours.back(), s);
        }
        const size_t hole = a.PaintRegions(seeds.data(), colours.data(), seeds.size());
        ASSERT_EQ(Picture(a), Picture(b)) << "round " << round;
        const uint8_t* firstHole = std::find(b.IndexPlane(), b.IndexPlane() + b.PixelCount(), NO_INDEX);
        ASSERT_EQ(hole, size_t(firstHole - b.IndexPlane())) << "round " << round;
    }
}

// Decoding a damaged file either refuses it cleanly or gives a whole picture.
void ExpectCleanOutcome(const std::vector<uint8_t>& file, const std::string& what)
{
    CMapRaster r;
    try {
        r.Decode(file.size(), file.data());
    } catch (const RgmFormatError&) {
        return;
    } catch (const RasterError&) {
        return;
    }
    for (size_t i = 0; i < r.PixelCount(); ++i)
        ASSERT_LT(r.IndexPlane()[i], r.colorCount) << what << ": pixel " << i;
}

void Torture(const std::vector<uint8_t>& good, const std::string& name, size_t flipStep)
{
    for (size_t cut = 0; cut < good.size(); ++cut) {
        const std::vector<uint8_t> part(good.begin(), good.begin() + cut);
        ExpectCleanOutcome(part, name + " cut at " + std::to_string(cut));
    }
    for (size_t at = 0; at < good.size(); at += flipStep) {
        for (uint8_t mask : {0x01, 0x02, 0x04, 0x10, 0x40, 0x80, 0xFF}) {
            std::vector<uint8_t> bad = good;
            bad[at] ^= mask;
            ExpectCleanOutcome(bad, name + " byte " + std::to_string(at) + " ^ " +
                                        std::to_string(mask));
        }
    }
}

TEST(RgmDecoder, DamagedFilesAreRefusedOrWhole)
{
    std::vector<std::vector<uint8_t>> files = {
        testsupport::TwoColumnsRgm(),
        FlatWithTree(9, 9, 5, 5, "4C 00"),
        FlatWithTree(9, 9, 5, 5, "05 00"),
        FlatWithTree(9, 9, 5, 5, "3F 7C 01"),
    };
    std::vector<uint8_t> small = testsupport::TwoColumnsRgm();
    small.pop_back();
    for (uint8_t b : Hex("00 03 01 FF 00"))
        small.push_back(b);
    files.push_back(small);
    for (size_t i = 0; i < files.size(); ++i)
        Torture(files[i], "file " + std::to_string(i), 1);
}

TEST(RgmDecoder, DamagedCorpusFilesAreRefusedOrWhole)
{
    SKIP_WITHOUT_CORPUS();
    const auto dir = testsupport::CorpusDir() / "expected";
    for (const char* name : {"v07_sri_lanka_tiny_48x64.rgm", "v17_africa_strip_edge_10x1000.rgm"}) {
        const auto path = dir / name;
        if (!std::filesystem::exists(path)) {
            ADD_FAILURE() << "the corpus lacks " << path;
            continue;
        }
        Torture(testsupport::ReadBytes(path), name, 1);
    }
}

}  // namespace
