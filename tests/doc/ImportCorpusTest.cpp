// Every corpus picture imports to exactly the palette of its expected .rgm
// file and to the pixels of its expected digest, and lowered to 16 colours
// to the palette of its expected .c16.rgm file. PNG pictures are read both
// through their 24-bit bitmap and directly.
#include "doc/BitmapWriter.h"
#include "doc/ColorHistogram.h"
#include "doc/TruecolorImport.h"
#include "support/Sha256.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using testsupport::kSanitized;

// Large pictures take too long under the sanitizers; the normal build runs them all.
constexpr uint64_t kSanitizedMaxPixels = 4'000'000;

// Width x height from a PNG's IHDR or a JPEG's frame header; 0 if unknown.
uint64_t PixelCount(const fs::path& picture)
{
    const std::vector<uint8_t> b = testsupport::ReadBytes(picture);
    if (picture.extension() == ".png" && b.size() >= 24) {
        auto be32 = [&](size_t at) { return uint64_t(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]; };
        return be32(16) * be32(20);
    }
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    tjhandle h = tjInitDecompress();
    const int rc = tjDecompressHeader3(h, b.data(), b.size(), &width, &height, &subsampling, &colourspace);
    tjDestroy(h);
    return rc == 0 ? uint64_t(width) * uint64_t(height) : 0;
}

// A Python with Pillow, as make-bmp.sh uses: Debian's own first. Empty if none.
const std::string& PillowPython()
{
    static const std::string found = [] {
        for (const char* python : {"/usr/bin/python3", "python3"})
            if (std::system((std::string(python) + " -c 'import PIL' >/dev/null 2>&1").c_str()) == 0)
                return std::string(python);
        return std::string();
    }();
    return found;
}

// The 24-bit bitmap the corpus's make-bmp.sh writes for a PNG.
bool MakeBmp(const fs::path& png, const fs::path& bmp)
{
    const std::string command =
        PillowPython() + " -c 'import sys; from PIL import Image; Image.MAX_IMAGE_PIXELS = None; "
        "Image.open(sys.argv[1]).convert(\"RGB\").save(sys.argv[2], \"BMP\")' '" +
        png.string() + "' '" + bmp.string() + "'";
    return std::system(command.c_str()) == 0;
}

// Colour count and palette as an .rgm header stores them (bytes 4 on).
std::vector<uint8_t> HeaderPalette(const CMapRaster& raster)
{
    std::vector<uint8_t> out{uint8_t(raster.colorCount)};
    for (int i = 0; i < raster.colorCount; ++i)
        for (int shift : {0, 8, 16})
            out.push_back(uint8_t(raster.palette[i] >> shift));
    return out;
}

std::vector<uint8_t> ExpectedPalette(const fs::path& rgm)
{
    const std::vector<uint8_t> bytes = testsupport::ReadBytes(rgm);
    if (bytes.size() < 5 || bytes.size() < 5 + 3 * size_t(bytes[4]))
        return {};
    return std::vector<uint8_t>(bytes.begin() + 4, bytes.begin() + 5 + 3 * bytes[4]);
}

void CheckPicture(const fs::path& picture, const fs::path& corpus, const testsupport::TempDir& temp)
{
    const std::string stem = picture.stem().string();
    SCOPED_TRACE(stem);
    CMapRaster raster;
    if (picture.extension() == ".jpg") {
        ImportJpeg(picture.string(), raster);
    } else {
        const fs::path bmp = temp.path() / (stem + ".bmp");
        ASSERT_TRUE(MakeBmp(picture, bmp));
        ImportBmp(bmp.string(), raster);
        fs::remove(bmp);
    }
    EXPECT_EQ(HeaderPalette(raster), ExpectedPalette(corpus / "expected" / (stem + ".rgm")));
    std::string digest;
    std::ifstream(corpus / "expected" / (stem + ".dec.sha256")) >> digest;
    EXPECT_EQ(testsupport::Sha256Hex(EncodeBmp8(raster)), digest);
    if (picture.extension() == ".png") {
        CMapRaster direct;
        ImportPng(picture.string(), direct);
        EXPECT_EQ(HeaderPalette(direct), HeaderPalette(raster)) << "PNG read directly";
        EXPECT_EQ(testsupport::Sha256Hex(EncodeBmp8(direct)), digest) << "PNG read directly";
    }

    const fs::path c16 = corpus / "expected" / (stem + ".c16.rgm");
    if (fs::exists(c16)) {
        ReduceColorCount(raster, 16);
        EXPECT_EQ(HeaderPalette(raster), ExpectedPalette(c16));
        const std::vector<uint8_t> bytes = testsupport::ReadBytes(c16);
        CMapRaster expected;
        expected.Decode(bytes.size(), bytes.data());
        ASSERT_EQ(expected.PixelCount(), raster.PixelCount());
        EXPECT_TRUE(std::equal(raster.IndexPlane(), raster.IndexPlane() + raster.PixelCount(), expected.IndexPlane()))
            << "the 16-colour pixel indices differ from " << c16;
    }
}

TEST(ImportCorpus, PalettesAndPixelsMatchTheExpectedFiles)
{
    SKIP_WITHOUT_CORPUS();
    if (PillowPython().empty())
        GTEST_SKIP() << "python3 with PIL (python3-pil) not found; cannot make the corpus bitmaps";
    const fs::path corpus = testsupport::CorpusDir();
    std::vector<fs::path> pictures;
    for (const auto& entry : fs::directory_iterator(corpus)) {
        const fs::path& p = entry.path();
        if (p.extension() != ".png" && p.extension() != ".jpg")
            continue;
        if (kSanitized && PixelCount(p) > kSanitizedMaxPixels) {
            std::printf("sanitizer build: skipping large picture %s\n", p.filename().c_str());
            continue;
        }
        pictures.push_back(p);
    }
    std::sort(pictures.begin(), pictures.end());
    ASSERT_FALSE(pictures.empty());
    testsupport::TempDir temp;
    for (const fs::path& p : pictures)
        CheckPicture(p, corpus, temp);
}

}  // namespace
