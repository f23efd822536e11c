#include "doc/BmpReader.h"
#include "doc/JpegReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdlib>
#include <random>
#include <vector>

namespace {

// A small noisy colour picture, RGB bytes, so every decoder detail shows.
std::vector<uint8_t> NoisyRgb(int width, int height, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
            p[0] = uint8_t((x * 255 / width + rng() % 40) & 255);
            p[1] = uint8_t((y * 255 / height + rng() % 40) & 255);
            p[2] = uint8_t(x < width / 2 ? 200 : 30);
        }
    return rgb;
}

std::vector<uint8_t> Compress(const std::vector<uint8_t>& pixels, int width, int height, int pixelFormat,
                              int subsampling, int flags, int quality = 85)
{
    tjhandle h = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int rc = tjCompress2(h, pixels.data(), width, 0, height, pixelFormat, &jpeg, &size, subsampling,
                               quality, flags);
    std::vector<uint8_t> out;
    if (rc == 0)
        out.assign(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(h);
    return out;
}

std::vector<uint8_t> ColourJpeg(int width, int height, int flags = 0)
{
    return Compress(NoisyRgb(width, height, 5), width, height, TJPF_RGB, TJSAMP_420, flags);
}

TruecolorPicture Decode(const std::vector<uint8_t>& bytes) { return DecodeJpeg(bytes.data(), bytes.size()); }

TEST(JpegReader, PixelsEqualDjpegsWithTheFourthByteZero)
{
    if (std::system("command -v djpeg >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "djpeg (libjpeg-turbo-progs) not found";
    testsupport::TempDir temp;
    const std::vector<uint8_t> jpeg = ColourJpeg(37, 23);  // odd sizes: partial blocks, 4:2:0 upsampling
    testsupport::WriteBytes(temp / "in.jpg", jpeg);
    const std::string command = "djpeg -bmp -outfile '" + (temp / "out.bmp") + "' '" + (temp / "in.jpg") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::vector<uint8_t> bmp = testsupport::ReadBytes(temp / "out.bmp");
    const TruecolorPicture reference = DecodeBmp(bmp.data(), bmp.size());

    const TruecolorPicture p = Decode(jpeg);
    ASSERT_EQ(p.width, 37);
    ASSERT_EQ(p.height, 23);
    ASSERT_EQ(p.pixels.size(), reference.pixels.size());
    for (size_t i = 0; i < p.pixels.size(); ++i) {
        ASSERT_EQ(p.pixels[i], reference.pixels[i]) << "pixel " << i;
    }
    // The packed 3-byte form that import uses: the same colours.
    const RgbPicture rgb = DecodeJpegRgb(jpeg.data(), jpeg.size());
    ASSERT_EQ(rgb.bytes.size(), 3 * p.pixels.size() + 1);
    for (size_t i = 0; i < p.pixels.size(); ++i)
        ASSERT_EQ(rgb.bytes[3 * i] | rgb.bytes[3 * i + 1] << 8 | rgb.bytes[3 * i + 2] << 16, int(p.pixels[i]));
}

TEST(JpegReader, ProgressiveGivesTheSamePixelsAsBaseline)
{
    const std::vector<uint8_t> baseline = ColourJpeg(40, 30);
    const std::vector<uint8_t> progressive = ColourJpeg(40, 30, TJFLAG_PROGRESSIVE);
    ASSERT_NE(baseline, progressive);
    EXPECT_EQ(Decode(progressive).pixels, Decode(baseline).pixels);
}

TEST(JpegReader, GreyPicturesHaveEqualChannels)
{
    const int w = 19, h = 11;
    std::vector<uint8_t> grey(size_t(w) * h);
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = uint8_t(i * 13);
    for (const std::vector<uint8_t>& jpeg :
         {Compress(grey, w, h, TJPF_GRAY, TJSAMP_GRAY, 0), Compress(NoisyRgb(w, h, 3), w, h, TJPF_RGB, TJSAMP_GRAY, 0)}) {
        const TruecolorPicture p = Decode(jpeg);
        ASSERT_EQ(p.pixels.size(), size_t(w) * h);
        for (uint32_t v : p.pixels) {
            ASSERT_EQ(v & 0xFF, (v >> 8) & 0xFF);
            ASSERT_EQ(v & 0xFF, (v >> 16) & 0xFF);
        }
    }
    // Near-lossless grey keeps the values.
    const TruecolorPicture p = Decode(Compress(grey, w, h, TJPF_GRAY, TJSAMP_GRAY, 0, 100));
    for (size_t i = 0; i < grey.size(); ++i)
        EXPECT_NEAR(int(p.pixels[i] & 0xFF), int(grey[i]), 2) << i;
}

TEST(JpegReader, RefusesCmykAndWhatIsNoJpeg)
{
    std::vector<uint8_t> cmyk(8 * 8 * 4, 100);
    const std::vector<uint8_t> jpeg = Compress(cmyk, 8, 8, TJPF_CMYK, TJSAMP_444, 0);
    ASSERT_FALSE(jpeg.empty());
    EXPECT_THROW(Decode(jpeg), ImportError);
    const std::vector<uint8_t> bmpBytes = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0};
    EXPECT_THROW(Decode(bmpBytes), ImportError);
    EXPECT_THROW(Decode({}), ImportError);
}

TEST(JpegReader, HugeClaimedSizeIsRefusedBeforeAllocating)
{
    std::vector<uint8_t> jpeg = ColourJpeg(16, 16);
    size_t sof = 0;
    for (size_t i = 2; i + 9 < jpeg.size() && !sof; ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0)
            sof = i;
    ASSERT_NE(sof, 0u);
    for (size_t at : {sof + 5, sof + 7})  // height, width: 60000 each, 3.6 gigapixels
        jpeg[at] = 60000 >> 8, jpeg[at + 1] = 60000 & 0xFF;
    try {
        Decode(jpeg);
        FAIL() << "accepted a 60000 x 60000 claim in a tiny file";
    } catch (const ImportError& e) {
        EXPECT_NE(std::string(e.what()).find("2^30"), std::string::npos) << e.what();
    }
}

TEST(JpegReader, EveryTruncationIsRefused)
{
    for (const std::vector<uint8_t>& whole : {ColourJpeg(16, 8), ColourJpeg(16, 8, TJFLAG_PROGRESSIVE)}) {
        ASSERT_NO_THROW(Decode(whole));
        for (size_t n = 0; n < whole.size(); ++n) {
            const std::vector<uint8_t> cut(whole.begin(), whole.begin() + n);
            EXPECT_THROW(Decode(cut), ImportError) << "cut at " << n;
        }
    }
}

TEST(JpegReader, FlippedBytesNeverCrash)
{
    const std::vector<uint8_t> whole = ColourJpeg(24, 16, TJFLAG_PROGRESSIVE);
    std::mt19937 rng(9);
    for (int round = 0; round < 400; ++round) {
        std::vector<uint8_t> bytes = whole;
        for (int flips = 1 + int(rng() % 3); flips > 0; --flips)
            bytes[rng() % bytes.size()] ^= uint8_t(1u << (rng() % 8));
        try {
            const TruecolorPicture p = Decode(bytes);
            EXPECT_EQ(p.pixels.size(), size_t(p.width) * size_t(p.height));
        } catch (const ImportError&) {
        }
    }
}

}  // namespace
