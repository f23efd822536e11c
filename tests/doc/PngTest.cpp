#include "doc/PngReader.h"
#include "doc/PngWriter.h"
#include "support/PngFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using testsupport::MakePng;
using testsupport::PngShape;

namespace {

TruecolorPicture Decode(const std::vector<uint8_t>& bytes) { return DecodePng(bytes.data(), bytes.size()); }

std::string RefusalOf(const std::vector<uint8_t>& bytes)
{
    try {
        Decode(bytes);
    } catch (const ImportError& e) {
        return e.what();
    }
    return "accepted";
}

// A 5 x 3 picture of four colours, as palette indices.
const std::vector<png_color> kPalette = {{200, 10, 0}, {0, 255, 7}, {1, 2, 3}, {255, 255, 255}};
const std::vector<uint8_t> kIndices = {0, 1, 2, 3, 0, 3, 3, 2, 1, 1, 2, 0, 0, 1, 3};

uint32_t Word(const png_color& c) { return c.red | c.green << 8 | c.blue << 16; }

PngShape PaletteShape(int bitDepth)
{
    PngShape s{5, 3, PNG_COLOR_TYPE_PALETTE, bitDepth, false, kPalette, {}, {}};
    const int perByte = 8 / bitDepth;
    const size_t rowBytes = (5 + perByte - 1) / perByte;
    s.samples.assign(rowBytes * 3, 0);
    for (size_t y = 0; y < 3; ++y)
        for (size_t x = 0; x < 5; ++x)
            s.samples[y * rowBytes + x / perByte] |=
                uint8_t(kIndices[y * 5 + x] << (8 - bitDepth * (x % perByte + 1)));
    return s;
}

PngShape TruecolourShape(int colourType, int bitDepth, bool interlaced)
{
    PngShape s{5, 3, colourType, bitDepth, interlaced, {}, {}, {}};
    for (uint8_t i : kIndices) {
        const uint8_t rgb[3] = {kPalette[i].red, kPalette[i].green, kPalette[i].blue};
        for (int c = 0; c < 4; ++c) {
            if (c == 3 && colourType != PNG_COLOR_TYPE_RGB_ALPHA)
                break;
            const uint8_t v = c == 3 ? 255 : rgb[c];
            s.samples.push_back(v);
            if (bitDepth == 16)
                s.samples.push_back(v);  // v * 257 rounds back to v
        }
    }
    return s;
}

TEST(PngReader, EveryKindOfTheSamePictureGivesTheSamePixels)
{
    std::vector<uint32_t> expected;
    for (uint8_t i : kIndices)
        expected.push_back(Word(kPalette[i]));
    const PngShape kinds[] = {PaletteShape(8),
                             PaletteShape(2),
                             TruecolourShape(PNG_COLOR_TYPE_RGB, 8, false),
                             TruecolourShape(PNG_COLOR_TYPE_RGB, 16, false),
                             TruecolourShape(PNG_COLOR_TYPE_RGB_ALPHA, 8, false),
                             TruecolourShape(PNG_COLOR_TYPE_RGB_ALPHA, 16, true),
                             TruecolourShape(PNG_COLOR_TYPE_RGB, 8, true)};
    for (const PngShape& shape : kinds) {
        SCOPED_TRACE("colour type " + std::to_string(shape.colourType) + ", " + std::to_string(shape.bitDepth) +
                     " bits, interlaced " + std::to_string(shape.interlaced));
        const TruecolorPicture p = Decode(MakePng(shape));
        EXPECT_EQ(p.width, 5);
        EXPECT_EQ(p.height, 3);
        EXPECT_EQ(p.pixels, expected);
    }
}

TEST(PngReader, GreyLevelsScaleToEightBitsAndRoundSixteen)
{
    const auto grey = [](uint32_t v) { return v | v << 8 | v << 16; };
    // 2 bits: 0, 1, 2, 3 in one byte.
    EXPECT_EQ(Decode(MakePng({4, 1, PNG_COLOR_TYPE_GRAY, 2, false, {}, {}, {0x1B}})).pixels,
              (std::vector<uint32_t>{grey(0), grey(85), grey(170), grey(255)}));
    // 16 bits: 0x1234 and 0x80FF round to the nearest of 256 levels.
    EXPECT_EQ(Decode(MakePng({2, 1, PNG_COLOR_TYPE_GRAY, 16, false, {}, {}, {0x12, 0x34, 0x80, 0xFF}})).pixels,
              (std::vector<uint32_t>{grey(18), grey(128)}));
}

TEST(PngReader, AlphaIsLaidOverWhite)
{
    // (c * a + 255 * (255 - a) + 127) / 255 per channel.
    const TruecolorPicture rgba =
        Decode(MakePng({2, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, {}, {}, {200, 100, 0, 128, 9, 9, 9, 0}}));
    EXPECT_EQ(rgba.pixels, (std::vector<uint32_t>{227 | 177 << 8 | 127 << 16, 0xFFFFFF}));
    // A tRNS entry of 0 makes that palette colour white; entries without one stay opaque.
    PngShape palette = PaletteShape(8);
    palette.transparency = {255, 0};
    const TruecolorPicture p = Decode(MakePng(palette));
    EXPECT_EQ(p.pixels[0], Word(kPalette[0]));
    EXPECT_EQ(p.pixels[1], 0xFFFFFFu);
    EXPECT_EQ(p.pixels[2], Word(kPalette[2]));
}

TEST(PngReader, RefusesBrokenFilesNamingTheByte)
{
    const std::vector<uint8_t> good = MakePng(TruecolourShape(PNG_COLOR_TYPE_RGB, 8, false));
    EXPECT_NE(RefusalOf({good.begin(), good.begin() + 7}).find("signature at byte 0"), std::string::npos);
    EXPECT_NE(RefusalOf({good.begin(), good.begin() + 40}).find("the file ends at byte 40"), std::string::npos);
    std::vector<uint8_t> badCrc = good;
    badCrc[20] ^= 1;  // inside IHDR
    EXPECT_NE(RefusalOf(badCrc).find("CRC error (at byte 33)"), std::string::npos) << RefusalOf(badCrc);
    std::vector<uint8_t> tooWide = good;
    tooWide[16] = 1;  // width 2^24 + 5
    EXPECT_NE(RefusalOf(tooWide).find("PNG: "), std::string::npos);
}

uint32_t Crc32(const uint8_t* p, size_t n)
{
    uint32_t c = 0xFFFFFFFF;
    while (n--) {
        c ^= *p++;
        for (int k = 0; k < 8; ++k)
            c = c & 1 ? 0xEDB88320 ^ (c >> 1) : c >> 1;
    }
    return ~c;
}

TEST(PngReader, AGigapixelClaimWithLittleDataIsRefusedBeforeAllocation)
{
    // 65535 x 16384 RGB in a file of a few hundred bytes.
    PngShape shape{65535, 1, PNG_COLOR_TYPE_GRAY, 1, false, {}, {}, std::vector<uint8_t>(8192, 0)};
    std::vector<uint8_t> bytes = MakePng(shape);
    bytes[22] = 0x40;  // height 16384
    bytes[23] = 0;
    bytes[24] = 8;     // 8-bit
    bytes[25] = PNG_COLOR_TYPE_RGB;
    const uint32_t crc = Crc32(bytes.data() + 12, 17);
    for (int i = 0; i < 4; ++i)
        bytes[29 + i] = uint8_t(crc >> (24 - 8 * i));
    EXPECT_NE(RefusalOf(bytes).find("is too short for a 65535 x 16384 picture"), std::string::npos)
        << RefusalOf(bytes);
    // The check goes by the bits the file stores: one bit per pixel compresses about 8000 to 1.
    const PngShape flat{2048, 2048, PNG_COLOR_TYPE_GRAY, 1, false, {}, {}, std::vector<uint8_t>(2048 * 256, 0)};
    EXPECT_EQ(Decode(MakePng(flat)).pixels.size(), 2048u * 2048u);
}

TEST(PngImport, APalettePictureOf255UsedColoursKeepsThemExactly)
{
    PngShape shape{17, 15, PNG_COLOR_TYPE_PALETTE, 8, false, {}, {}, {}};
    for (int i = 0; i < 255; ++i) {
        shape.palette.push_back({uint8_t(i), uint8_t(i * 7), uint8_t(255 - i)});
        shape.samples.push_back(uint8_t(i));
    }
    testsupport::TempDir dir;
    testsupport::WriteBytes(dir / "p.png", MakePng(shape));
    CMapRaster raster;
    ImportPng(dir / "p.png", raster);
    ASSERT_EQ(raster.colorCount, 255);
    for (uint32_t i = 0; i < 255; ++i)
        EXPECT_EQ(raster.palette[raster.indexRows[i / 17][i % 17]], Word(shape.palette[i])) << i;
}

// Palette length from the PLTE chunk of a file image.
size_t PaletteEntries(const std::vector<uint8_t>& png)
{
    const auto at = std::search(png.begin(), png.end(), "PLTE", "PLTE" + 4);
    return size_t(at[-2] << 8 | at[-1]) / 3;
}

TEST(PngWriter, PalettePngDecodesToThePaletteColoursOfEveryPixel)
{
    CMapRaster r;
    r.Resize(7, 4);
    r.colorCount = 3;
    r.palette[0] = 0x0000FF, r.palette[1] = 0x00FF00, r.palette[2] = 0x123456;
    for (uint32_t i = 0; i < 28; ++i)
        r.IndexPlane()[i] = uint8_t(i * 5 % 3);
    const std::vector<uint8_t> png = EncodePng8(r);
    EXPECT_EQ(png, EncodePng8(r));
    EXPECT_EQ(PaletteEntries(png), 3u);
    const TruecolorPicture p = Decode(png);
    ASSERT_EQ(p.width, 7);
    for (uint32_t i = 0; i < 28; ++i)
        EXPECT_EQ(p.pixels[i], r.palette[r.IndexPlane()[i]]) << i;

    r.IndexPlane()[5] = NO_INDEX;  // an index past the colours still names a stored entry
    EXPECT_EQ(PaletteEntries(EncodePng8(r)), 256u);
    EXPECT_THROW(EncodePng8(CMapRaster()), std::invalid_argument);
}

}  // namespace
