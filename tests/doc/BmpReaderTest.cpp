#include "doc/BmpReader.h"
#include "support/BmpBuilder.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using testsupport::BmpBuilder;

// Packs values (top row first) into padded stored rows; each value is an
// index for up to 8 bits, 0xRRGGBB for 24 bits, the raw word otherwise.
std::vector<uint8_t> PackRows(const std::vector<uint32_t>& values, int width, int height, int bpp, bool bottomUp)
{
    const size_t stride = (size_t(width) * bpp + 31) / 32 * 4;
    std::vector<uint8_t> out(stride * height, 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = out.data() + stride * (bottomUp ? height - 1 - y : y);
        for (int x = 0; x < width; ++x) {
            const uint32_t v = values[size_t(y) * width + x];
            if (bpp <= 8)
                row[x * bpp / 8] |= uint8_t(v << (8 - bpp - (x * bpp) % 8));
            else if (bpp == 24)
                row[3 * x] = uint8_t(v), row[3 * x + 1] = uint8_t(v >> 8), row[3 * x + 2] = uint8_t(v >> 16);
            else
                for (int k = 0; k < bpp / 8; ++k)
                    row[x * bpp / 8 + k] = uint8_t(v >> 8 * k);
        }
    }
    return out;
}

// 0xRRGGBB to the pixel word red | green << 8 | blue << 16.
uint32_t Word(uint32_t rrggbb) { return (rrggbb >> 16 & 0xFF) | (rrggbb & 0xFF00) | (rrggbb & 0xFF) << 16; }

TruecolorPicture Decode(const std::vector<uint8_t>& bytes) { return DecodeBmp(bytes.data(), bytes.size()); }

const std::vector<uint32_t> kColours = {0x102030, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000,
                                        0x7F7F7F, 0xA0B0C0, 0x123456, 0xFEDCBA, 0x00FFFF, 0x808000};

// A 5 x 3 picture of table indices: odd width, so rows need padding.
const int W = 5, H = 3;
const std::vector<uint32_t> kIndices = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 1, 0, 1};

std::vector<uint32_t> ExpectedWords(const std::vector<uint32_t>& indices, const std::vector<uint32_t>& table)
{
    std::vector<uint32_t> out;
    for (uint32_t i : indices)
        out.push_back(Word(table[i]));
    return out;
}

BmpBuilder Truecolour24(bool bottomUp)
{
    BmpBuilder b;
    b.width = W, b.height = bottomUp ? H : -H;
    std::vector<uint32_t> rgb;
    for (uint32_t i : kIndices)
        rgb.push_back(kColours[i]);
    b.pixelData = PackRows(rgb, W, H, 24, bottomUp);
    return b;
}

TEST(BmpReader, BluGreenRedBytesBecomeRedLowWord)
{
    BmpBuilder b;
    b.bitsPerPixel = 32;
    b.pixelData = {0x10, 0x20, 0x30, 0x40};
    const TruecolorPicture p = Decode(b.Bytes());
    ASSERT_EQ(p.width, 1);
    ASSERT_EQ(p.height, 1);
    EXPECT_EQ(p.pixels[0], 0x00102030u);  // red 0x30 low, blue 0x10 high, bits 24-31 zero
}

TEST(BmpReader, TwentyFourBitRowsBottomUpAndTopDown)
{
    const std::vector<uint32_t> expected = ExpectedWords(kIndices, kColours);
    for (bool bottomUp : {true, false}) {
        const TruecolorPicture p = Decode(Truecolour24(bottomUp).Bytes());
        EXPECT_EQ(p.width, W);
        EXPECT_EQ(p.height, H);
        EXPECT_EQ(p.pixels, expected) << (bottomUp ? "bottom-up" : "top-down");
    }
}

TEST(BmpReader, EveryHeaderSizeGivesTheSamePixels)
{
    const std::vector<uint32_t> expected = ExpectedWords(kIndices, kColours);
    for (uint32_t headerSize : {12u, 40u, 52u, 56u, 108u, 124u}) {
        BmpBuilder b = Truecolour24(true);
        b.headerSize = headerSize;
        EXPECT_EQ(Decode(b.Bytes()).pixels, expected) << "header " << headerSize;
    }
}

TEST(BmpReader, IndexedDepthsLookUpTheColourTable)
{
    for (int bpp : {1, 4, 8}) {
        std::vector<uint32_t> indices = kIndices;
        for (uint32_t& i : indices)
            i %= (1u << bpp);
        BmpBuilder b;
        b.width = W, b.height = H, b.bitsPerPixel = uint16_t(bpp);
        b.table.assign(kColours.begin(), kColours.begin() + std::min<size_t>(kColours.size(), 1u << bpp));
        b.colorsUsed = uint32_t(b.table.size());
        b.pixelData = PackRows(indices, W, H, bpp, true);
        EXPECT_EQ(Decode(b.Bytes()).pixels, ExpectedWords(indices, b.table)) << bpp << " bits";
        b.headerSize = 12;  // core header: 3-byte entries, always the full table
        b.table.resize(1u << bpp, 0);
        EXPECT_EQ(Decode(b.Bytes()).pixels, ExpectedWords(indices, b.table)) << bpp << " bits, core";
    }
}

TEST(BmpReader, IndexBeyondTheColourTableIsRefused)
{
    BmpBuilder b;
    b.bitsPerPixel = 8;
    b.table = {0x112233, 0x445566};
    b.colorsUsed = 2;
    b.pixelData = {2, 0, 0, 0};
    EXPECT_THROW(Decode(b.Bytes()), ImportError);
}

TEST(BmpReader, SixteenAndThirtyTwoBitMasks)
{
    BmpBuilder b;
    b.width = 3, b.bitsPerPixel = 16;
    // Default 5-5-5: full red, full green, mid blue.
    b.pixelData = PackRows({0x7C00, 0x03E0, 0x0010}, 3, 1, 16, true);
    EXPECT_EQ(Decode(b.Bytes()).pixels, (std::vector<uint32_t>{0xFF, 0xFF00, 0x840000}));

    b.compression = 3;  // BI_BITFIELDS 5-6-5
    b.masks = {0xF800, 0x07E0, 0x001F};
    b.pixelData = PackRows({0xF800, 0x07E0, 0x0020}, 3, 1, 16, true);
    EXPECT_EQ(Decode(b.Bytes()).pixels, (std::vector<uint32_t>{0xFF, 0xFF00, 0x0400}));
    b.headerSize = 124;  // masks inside the header
    EXPECT_EQ(Decode(b.Bytes()).pixels, (std::vector<uint32_t>{0xFF, 0xFF00, 0x0400}));

    b.headerSize = 40, b.bitsPerPixel = 32;
    b.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};  // red in the low byte
    b.pixelData = PackRows({0xAA123456, 0x00000001, 0xFF000000}, 3, 1, 32, true);
    EXPECT_EQ(Decode(b.Bytes()).pixels, (std::vector<uint32_t>{0x123456, 0x000001, 0}));

    b.masks = {0x00FF0000, 0x0000F0F0, 0x000000FF};  // green not one run
    EXPECT_THROW(Decode(b.Bytes()), ImportError);
}

TEST(BmpReader, RunLengthEightAndFour)
{
    const std::vector<uint32_t> table = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    const uint32_t k = Word(0x000000), r = Word(0xFF0000), g = Word(0x00FF00), u = Word(0x0000FF);
    BmpBuilder b;
    b.width = 6, b.height = 3, b.table = table, b.colorsUsed = 4;
    b.bitsPerPixel = 8, b.compression = 1;
    b.pixelData = {
        3, 1, 0, 3, 2, 3, 1, 0,  // bottom row: 3 x red, absolute 2 3 1 (padded)
        0, 0,                    // end of line
        0, 2, 2, 1,              // delta: skip to x 2 of the top row
        2, 3, 9, 2, 0, 1,        // 2 x blue, then a run past the row end (dropped), end
    };
    // Middle row stays colour 0; pixels past the row end are dropped.
    EXPECT_EQ(Decode(b.Bytes()).pixels, (std::vector<uint32_t>{k, k, u, u, g, g, k, k, k, k, k, k,
                                                               r, r, r, g, u, r}));

    b.bitsPerPixel = 4, b.compression = 2;
    b.pixelData = {
        5, 0x12,           // 1 2 1 2 1
        0, 3, 0x30, 0x20,  // absolute 3 0 2, padded to a word
        0, 1,
    };
    b.height = 1;
    EXPECT_EQ(Decode(b.Bytes()).pixels, (std::vector<uint32_t>{r, g, r, g, r, u}));
}

TEST(BmpReader, ReadsTheEightBitFilesWeWrite)
{
    // Layout of our own 8-bit export: file size field 0, 256 entries, offset 1078.
    BmpBuilder b;
    b.width = W, b.height = H, b.bitsPerPixel = 8;
    b.table.assign(256, 0);
    std::copy(kColours.begin(), kColours.end(), b.table.begin());
    b.pixelData = PackRows(kIndices, W, H, 8, true);
    const std::vector<uint8_t> bytes = b.Bytes();
    ASSERT_EQ(bytes.size(), 1078u + 3 * 8);
    EXPECT_EQ(Decode(bytes).pixels, ExpectedWords(kIndices, kColours));
}

TEST(BmpReader, RefusesImpossibleHeaders)
{
    auto refused = [](BmpBuilder b) {
        const std::vector<uint8_t> bytes = b.Bytes();
        EXPECT_THROW(DecodeBmp(bytes.data(), bytes.size()), ImportError);
    };
    BmpBuilder b = Truecolour24(true);
    BmpBuilder v = b;
    v.width = 65536;  // too wide, and far more than the data
    refused(v);
    v = b, v.height = -65536;
    refused(v);
    v = b, v.width = 0;
    refused(v);
    v = b, v.height = 0;
    refused(v);
    v = b, v.width = -5;
    refused(v);
    v = b, v.bitsPerPixel = 2;
    refused(v);
    v = b, v.compression = 1;  // RLE8 on 24 bits
    refused(v);
    v = b, v.compression = 4;  // JPEG inside
    refused(v);
    v = b, v.headerSize = 64;
    refused(v);
    v = b, v.width = 60000, v.height = 60000;  // claims 10 GB, has 48 bytes
    refused(v);
    std::vector<uint8_t> jpegLike = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
    EXPECT_THROW(DecodeBmp(jpegLike.data(), jpegLike.size()), ImportError);
}

// Every prefix of a valid file is refused, whatever its variant. Run under
// the sanitizers, this also shows that no read leaves the given bytes.
TEST(BmpReader, EveryTruncationIsRefused)
{
    std::vector<BmpBuilder> files = {Truecolour24(true), Truecolour24(false)};
    BmpBuilder rle;
    rle.width = 4, rle.height = 2, rle.bitsPerPixel = 8, rle.compression = 1;
    rle.table = {0x010203, 0x040506}, rle.colorsUsed = 2;
    rle.pixelData = {4, 1, 0, 0, 0, 4, 0, 1, 1, 0, 0, 1};
    files.push_back(rle);
    BmpBuilder fields;
    fields.bitsPerPixel = 16, fields.compression = 3, fields.masks = {0xF800, 0x07E0, 0x001F};
    fields.pixelData = {1, 2, 0, 0};
    files.push_back(fields);
    for (const BmpBuilder& f : files) {
        const std::vector<uint8_t> whole = f.Bytes();
        ASSERT_NO_THROW(DecodeBmp(whole.data(), whole.size()));
        for (size_t n = 0; n < whole.size(); ++n) {
            const std::vector<uint8_t> cut(whole.begin(), whole.begin() + n);  // own buffer, exact size
            EXPECT_THROW(DecodeBmp(cut.data(), cut.size()), ImportError) << "cut at " << n;
        }
    }
}

// Corrupted files either decode or are refused; they never crash or read outside.
TEST(BmpReader, FlippedBytesNeverCrash)
{
    BmpBuilder rle;
    rle.width = 7, rle.height = 5, rle.bitsPerPixel = 4, rle.compression = 2;
    rle.table = {0x010203, 0x040506, 0x070809};
    rle.pixelData = {7, 0x12, 0, 0, 0, 2, 1, 1, 0, 4, 0x21, 0x02, 3, 0x11, 0, 1};
    const std::vector<std::vector<uint8_t>> files = {Truecolour24(true).Bytes(), rle.Bytes()};
    std::mt19937 rng(42);
    for (const auto& whole : files)
        for (int round = 0; round < 3000; ++round) {
            std::vector<uint8_t> bytes = whole;
            for (int flips = 1 + int(rng() % 3); flips > 0; --flips)
                bytes[rng() % bytes.size()] ^= uint8_t(1u << (rng() % 8));
            try {
                const TruecolorPicture p = DecodeBmp(bytes.data(), bytes.size());
                EXPECT_EQ(p.pixels.size(), size_t(p.width) * size_t(p.height));
            } catch (const ImportError&) {
            }
        }
}

}  // namespace
