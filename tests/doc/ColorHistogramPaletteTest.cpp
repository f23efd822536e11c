// SetTruecolorPixels and the colour-count reduction on whole rasters.
#include "doc/ChunkedReduction.h"
#include "doc/ColorHistogram.h"
#include "doc/UsableCores.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <sched.h>
#include <set>
#include <vector>

namespace {

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

std::vector<uint8_t> Indices(const CMapRaster& raster)
{
    return std::vector<uint8_t>(raster.IndexPlane(), raster.IndexPlane() + raster.PixelCount());
}

TEST(SetTruecolorPixels, OneColourGivesZeros)
{
    CMapRaster raster;
    const std::vector<uint32_t> pixels(12, Rgb(5, 6, 7));
    SetTruecolorPixels(raster, 4, 3, pixels.data());
    EXPECT_EQ(raster.width, 4u);
    EXPECT_EQ(raster.height, 3u);
    EXPECT_EQ(raster.colorCount, 1);
    EXPECT_EQ(raster.palette[0], Rgb(5, 6, 7));
    EXPECT_EQ(Indices(raster), std::vector<uint8_t>(12, 0));
}

TEST(SetTruecolorPixels, EqualCountsAreOrderedFromTheLastPixelBack)
{
    // a and b twice each: b appears first when read from the bottom-right.
    const uint32_t a = Rgb(10, 0, 0), b = Rgb(0, 10, 0), c = Rgb(0, 0, 10);
    const std::vector<uint32_t> pixels = {a, c, a, b, c, b, c};
    CMapRaster raster;
    SetTruecolorPixels(raster, 7, 1, pixels.data());
    ASSERT_EQ(raster.colorCount, 3);
    EXPECT_EQ(raster.palette[0], c);
    EXPECT_EQ(raster.palette[1], b);
    EXPECT_EQ(raster.palette[2], a);
    EXPECT_EQ(Indices(raster), (std::vector<uint8_t>{2, 0, 2, 1, 0, 1, 0}));
}

TEST(SetTruecolorPixels, ManyColoursEndAtMost255AndIndicesNameThem)
{
    std::vector<uint32_t> pixels;
    for (uint32_t i = 0; i < 64 * 64; ++i)
        pixels.push_back(Rgb(i & 255, (i * 7) & 255, (i >> 4) * 13 & 255));
    CMapRaster raster;
    SetTruecolorPixels(raster, 64, 64, pixels.data());
    EXPECT_LE(raster.colorCount, IMPORT_MAX_COLORS);
    EXPECT_GT(raster.colorCount, 1);
    for (uint8_t i : Indices(raster))
        ASSERT_LT(i, raster.colorCount);
}

TEST(SetTruecolorPixels, FailingResizeLeavesTheRasterAsItWas)
{
    CMapRaster raster;
    const std::vector<uint32_t> small = {Rgb(1, 1, 1), Rgb(2, 2, 2)};
    SetTruecolorPixels(raster, 2, 1, small.data());
    std::vector<uint32_t> wide(70000, Rgb(9, 9, 9));
    EXPECT_THROW(SetTruecolorPixels(raster, 70000, 1, wide.data()), RasterError);
    EXPECT_EQ(raster.width, 2u);
    EXPECT_EQ(raster.colorCount, 2);
    EXPECT_EQ(raster.palette[0], Rgb(2, 2, 2));  // equal counts: last pixel first
    EXPECT_EQ(raster.palette[1], Rgb(1, 1, 1));
    EXPECT_EQ(raster.palette[2], 0u);
    EXPECT_THROW(SetTruecolorPixels(raster, -1, 5, small.data()), RasterError);
    EXPECT_EQ(raster.width, 2u);
}

// Large pictures are counted in a direct table and, with millions of colours,
// merged through a distance field: both must give exactly what the
// histogram gives, ties included, from words and from packed 3-byte pixels,
// counted and mapped in one chunk or split into several.
void ExpectSameAsHistogram(const std::vector<uint32_t>& pixels, int32_t width, int32_t height)
{
    CColorHistogram histogram;
    for (size_t i = pixels.size(); i-- > 0;)
        histogram.AddColor(pixels[i]);
    uint32_t palette[256] = {};
    const int colorCount = histogram.Reduce(IMPORT_MAX_COLORS, palette);
    auto expectSame = [&](const CMapRaster& raster, const char* what, unsigned threads) {
        SCOPED_TRACE(testing::Message() << what << " on " << threads << " threads");
        ASSERT_EQ(raster.colorCount, colorCount);
        ASSERT_TRUE(std::equal(palette, palette + colorCount, raster.palette));
        const uint8_t* plane = raster.IndexPlane();
        for (size_t i = 0; i < pixels.size(); ++i)
            ASSERT_EQ(plane[i], histogram.IndexOf(pixels[i])) << "pixel " << i;
    };

    // The same pixels packed in 3 bytes each, as JPEG import hands them over.
    std::vector<uint8_t> rgb;
    for (uint32_t p : pixels)
        rgb.insert(rgb.end(), {uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16)});
    rgb.push_back(0);
    for (unsigned threads : {1u, 3u}) {
        CMapRaster raster;
        SetTruecolorPixels(raster, width, height, pixels.data(), threads);
        expectSame(raster, "words", threads);
    }
    CMapRaster packed;
    SetRgbPixels(packed, width, height, rgb.data(), 2);
    expectSame(packed, "packed", 2);
}

TEST(SetTruecolorPixels, LargePicturesGiveWhatTheHistogramGives)
{
    // Noisy clusters on coarse levels: many equal counts and equal distances.
    std::mt19937 rng(3);
    std::vector<uint32_t> clustered(1024 * 1024);
    for (uint32_t& p : clustered) {
        const uint32_t centre = rng() % 3 * 0x505050u + 0x202020u, noise = rng();
        p = centre + (noise & 0x0F) * 4 + (noise >> 8 & 0x0F) * 0x400 + (noise >> 16 & 0x07) * 0x40000;
    }
    ExpectSameAsHistogram(clustered, 1024, 1024);

    // Every pixel its own colour, scattered over the whole cube.
    std::vector<uint32_t> distinct(2048 * 2048);
    for (uint32_t i = 0; i < distinct.size(); ++i)
        distinct[i] = i * 2654435761u & 0xFFFFFF;
    ExpectSameAsHistogram(distinct, 2048, 2048);

    // Counts around 2^16, some equal, interleaved with rarer colours; each
    // chunk's count of a frequent colour is below 2^16 and their sum above,
    // or one chunk's count wraps already.
    std::vector<uint32_t> frequent(1024 * 1024);
    const uint32_t counts[] = {65535, 65536, 65537, 65536, 131072, 65535, 200000};
    size_t at = 0;
    for (uint32_t colour = 0; colour < std::size(counts); ++colour)
        for (uint32_t i = 0; i < counts[colour]; ++i)
            frequent[at++] = colour * 0x0A0A0A;
    for (uint32_t i = 0; at < frequent.size(); ++i)
        frequent[at++] = (0x808080 + i % 4000 * 0x010307) & 0xFFFFFF;
    std::shuffle(frequent.begin(), frequent.end(), rng);
    ExpectSameAsHistogram(frequent, 1024, 1024);

    // Equally frequent colours that first appear (from the last pixel) in
    // different chunks or in the same one, and colours confined to one
    // chunk: the order across chunk borders decides the ranking.
    std::vector<uint32_t> ties(1024 * 1024);
    for (size_t i = 0; i < ties.size(); ++i) {
        const uint32_t band = uint32_t(i * 7 / ties.size());  // crosses every border of 2 or 3 chunks
        ties[i] = (i % 5 == 0) ? (uint32_t(i / 5) % 3000 * 0x030201u & 0xFFFFFF) : (band * 0x151515u + uint32_t(i) % 64);
    }
    ExpectSameAsHistogram(ties, 1024, 1024);
}

// Imports take the cores of the affinity mask, shared among the jobs of a batch.
TEST(ImportThreads, FollowTheUsableCores)
{
    cpu_set_t all;
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &all)) {
            CPU_SET(cpu, &one);
            break;
        }
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    EXPECT_EQ(UsableCores(), 1u);
    EXPECT_EQ(TableThreads(size_t(1) << 24), 1u);
    ASSERT_EQ(sched_setaffinity(0, sizeof all, &all), 0);

    ShareCoresAmongImports(UsableCores());
    EXPECT_EQ(TableThreads(size_t(1) << 24), 1u);
    ShareCoresAmongImports(1);
    EXPECT_EQ(TableThreads(size_t(1) << 24), std::min(UsableCores(), 4u));
}

// A raster whose pixels use the given palette indices.
CMapRaster IndexedRaster(const std::vector<uint32_t>& palette, const std::vector<uint8_t>& indices, uint32_t width)
{
    CMapRaster raster;
    raster.Resize(width, uint32_t(indices.size() / width));
    std::copy(indices.begin(), indices.end(), raster.IndexPlane());
    std::copy(palette.begin(), palette.end(), raster.palette);
    raster.colorCount = int(palette.size());
    return raster;
}

TEST(ReduceColorCount, NoFewerColoursChangesNothing)
{
    CMapRaster raster = IndexedRaster({Rgb(0, 0, 0), Rgb(1, 1, 1), Rgb(200, 0, 0)}, {0, 1, 2, 2}, 2);
    for (int target : {3, 4, 256}) {
        ReduceColorCount(raster, target);
        EXPECT_EQ(raster.colorCount, 3);
        EXPECT_EQ(Indices(raster), (std::vector<uint8_t>{0, 1, 2, 2}));
    }
    EXPECT_THROW(ReduceColorCount(raster, 0), std::invalid_argument);
}

TEST(ReduceColorCount, LowersInPlaceAndLeavesLaterPaletteEntries)
{
    std::vector<uint32_t> palette;
    std::vector<uint8_t> indices;
    for (uint32_t i = 0; i < 200; ++i) {
        palette.push_back(Rgb(i, 255 - i, (i * 97) & 255));
        for (uint32_t k = 0; k <= i % 5; ++k)
            indices.push_back(uint8_t(i));
    }
    indices.resize(indices.size() / 10 * 10);
    CMapRaster raster = IndexedRaster(palette, indices, 10);
    std::set<uint8_t> usedBefore(indices.begin(), indices.end());
    ReduceColorCount(raster, 50);
    EXPECT_LE(raster.colorCount, 50);
    for (int i = 50; i < 200; ++i)
        EXPECT_EQ(raster.palette[i], palette[i]) << "entry " << i;
    // Every pixel names one of the remaining colours.
    const std::vector<uint8_t> after = Indices(raster);
    for (size_t i = 0; i < after.size(); ++i)
        ASSERT_LT(after[i], raster.colorCount);
}

TEST(ReduceColorCount, UnusedPaletteEntriesDropOut)
{
    std::vector<uint32_t> palette;
    for (uint32_t i = 0; i < 12; ++i)
        palette.push_back(Rgb(i * 20, 0, 0));
    // Entries 3 and 7 are used by no pixel.
    std::vector<uint8_t> indices = {0, 1, 2, 4, 5, 6, 8, 9, 10, 11, 0, 0};
    CMapRaster raster = IndexedRaster(palette, indices, 4);
    ReduceColorCount(raster, 11);
    EXPECT_EQ(raster.colorCount, 10);
    EXPECT_EQ(raster.palette[0], palette[0]);  // most frequent
    for (size_t i = 0; i < indices.size(); ++i)
        EXPECT_EQ(raster.palette[raster.IndexPlane()[i]], palette[indices[i]]) << "pixel " << i;
}

TEST(ReduceColorCount, DuplicatePaletteEntriesBecomeOneColour)
{
    const uint32_t red = Rgb(255, 0, 0), blue = Rgb(0, 0, 255);
    CMapRaster raster = IndexedRaster({red, blue, red}, {0, 1, 2, 2}, 4);
    ReduceColorCount(raster, 2);
    EXPECT_EQ(raster.colorCount, 2);
    EXPECT_EQ(raster.palette[0], red);
    EXPECT_EQ(Indices(raster), (std::vector<uint8_t>{0, 1, 0, 0}));
}

}  // namespace
