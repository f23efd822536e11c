// The rgm tool on pictures too large for the machine. Small files may claim
// huge pictures; the tool runs with 1 GiB of address space and must refuse
// each with one line and exit 1, never be killed. Claims that the file's own
// bytes cannot back are refused before any large allocation at all.
#include "cli/ToolRunner.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <initializer_list>

using clitest::ExpectOneLineError;
using clitest::Limits;
using clitest::RunTool;
using testsupport::Hex;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
constexpr bool kSanitized = false;
#endif

#define SKIP_UNDER_SANITIZER()                                                                      \
    do {                                                                                            \
        if (kSanitized)                                                                             \
            GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space: no memory limit"; \
    } while (0)

const Limits kOneGiB{.addressSpace = rlim_t(1) << 30};

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

// A bitmap with a 40-byte header, a two-colour table and the given pixel data.
std::vector<uint8_t> Bitmap(int32_t width, int32_t height, int bits, uint32_t compression,
                            std::initializer_list<uint8_t> data)
{
    std::vector<uint8_t> b = {'B', 'M'};
    PutLe(b, uint32_t(14 + 40 + 8 + data.size()), 4);
    PutLe(b, 0, 4);
    PutLe(b, 14 + 40 + 8, 4);
    for (uint32_t field : {40u, uint32_t(width), uint32_t(height)})
        PutLe(b, field, 4);
    PutLe(b, 1, 2);
    PutLe(b, uint32_t(bits), 2);
    for (uint32_t field : {compression, uint32_t(data.size()), 2835u, 2835u, 2u, 0u})
        PutLe(b, field, 4);
    b.insert(b.end(), {0, 0, 0, 0, 255, 255, 255, 0});
    b.insert(b.end(), data);
    return b;
}

// An 8 x 8 grey JPEG whose frame header then claims side x side pixels.
std::vector<uint8_t> JpegClaiming(int side, int flags = 0)
{
    std::vector<uint8_t> grey(64, 128);
    tjhandle h = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int rc = tjCompress2(h, grey.data(), 8, 0, 8, TJPF_GRAY, &jpeg, &size, TJSAMP_GRAY, 90, flags);
    std::vector<uint8_t> bytes;
    if (rc == 0)
        bytes.assign(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(h);
    for (size_t i = 2; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {  // baseline, progressive
            for (size_t at : {i + 5, i + 7})  // height, then width
                bytes[at] = uint8_t(side >> 8), bytes[at + 1] = uint8_t(side);
            break;
        }
    return bytes;
}

class CliLimits : public ::testing::Test {
protected:
    // Converts a file holding bytes to .rgm under limits.
    clitest::Outcome Convert(const std::string& name, const std::vector<uint8_t>& bytes, Limits limits = kOneGiB)
    {
        WriteBytes(dir / name, bytes);
        return RunTool({"convert", dir / name, dir / "out.rgm"}, dir.path(), limits);
    }
    TempDir dir;
};

// 19 bytes describe a flat 65535 x 65535 picture, legally: one region, no
// boundaries. Its raster needs about 30 GB.
TEST_F(CliLimits, TinyRgmOfTheLargestSizeIsRefusedForWantOfMemory)
{
    SKIP_UNDER_SANITIZER();
    const std::vector<uint8_t> flat = Hex("FF FF FF FF 01 80 80 80 00 00 00 00 00 FF 00 00 00 00 FF");
    ExpectOneLineError(Convert("flat.rgm", flat), "not enough memory");
    ExpectOneLineError(RunTool({"info", dir / "flat.rgm"}, dir.path(), kOneGiB), "not enough memory");
}

// Run-length data can skip a gigapixel in two bytes; such a picture is legal
// and needs 4 GiB of truecolour pixels before its colours are counted.
TEST_F(CliLimits, RunLengthBitmapOfAGigapixelIsRefusedForWantOfMemory)
{
    SKIP_UNDER_SANITIZER();
    ExpectOneLineError(Convert("huge.bmp", Bitmap(32768, 32768, 8, 1, {0, 1})), "not enough memory");
}

// Claims that the bytes cannot back are refused before memory is taken: the
// message is about the file, not about memory.
TEST_F(CliLimits, ClaimsTheFileCannotBackAreRefusedBeforeAllocating)
{
    SKIP_UNDER_SANITIZER();
    const clitest::Outcome rows = Convert("rows.bmp", Bitmap(32768, 32768, 24, 0, {1, 2, 3, 4}));
    ExpectOneLineError(rows, "rows.bmp");
    EXPECT_EQ(rows.stderrText.find("memory"), std::string::npos) << rows.stderrText;

    // A JPEG bomb: a few hundred bytes claiming 32768 x 32768, within the
    // import limit. Its data runs out after the first block.
    const std::vector<uint8_t> bomb = JpegClaiming(32768);
    ASSERT_FALSE(bomb.empty());
    const clitest::Outcome jpeg = Convert("bomb.jpg", bomb);
    ExpectOneLineError(jpeg, "bomb.jpg");
    EXPECT_EQ(jpeg.stderrText.find("memory"), std::string::npos) << jpeg.stderrText;

    // Progressive data is buffered whole by the library (2 bytes per
    // coefficient), which it cannot get here: a clean refusal all the same.
    ExpectOneLineError(Convert("progressive.jpg", JpegClaiming(32768, TJFLAG_PROGRESSIVE)), "progressive.jpg");
}

TEST_F(CliLimits, SidesAboveTheLimitAndZeroSidesAreRefused)
{
    ExpectOneLineError(Convert("wide.bmp", Bitmap(65536, 1, 24, 0, {1, 2, 3, 0}), {}), "65535");
    ExpectOneLineError(Convert("tall.jpg", JpegClaiming(65500), {}), "2^30");
    ExpectOneLineError(Convert("taller.jpg", JpegClaiming(65501), {}), "65501 x 65501 exceeds the largest JPEG side of 65500");
    ExpectOneLineError(Convert("empty.bmp", Bitmap(0, 1, 24, 0, {}), {}), "empty.bmp");
    ExpectOneLineError(Convert("empty.rgm", Hex("00 00 01 00 01 00 00 00 00 00 00 FF 00 00 00 00 FF"), {}),
                       "the width is 0");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.rgm"));
}

}  // namespace
