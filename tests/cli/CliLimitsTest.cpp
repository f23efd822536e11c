// The rgm tool on pictures too large for the machine. Small files may claim
// huge pictures; the tool runs with 1 GiB of address space and must refuse
// each with one line and exit 1, never be killed. Claims that the file's own
// bytes cannot back are refused before any large allocation at all.
#include "cli/ToolRunner.h"
#include "support/BmpBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <initializer_list>

using clitest::ExpectOneLineError;
using clitest::Limits;
using clitest::RunTool;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

const Limits kOneGiB{.addressSpace = rlim_t(1) << 30};

// A bitmap with a 40-byte header, a two-colour table and the given pixel data.
std::vector<uint8_t> Bitmap(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                            std::initializer_list<uint8_t> data)
{
    testsupport::BmpBuilder b;
    b.width = width, b.height = height, b.bitsPerPixel = bits, b.compression = compression;
    b.colorsUsed = 2, b.table = {0x000000, 0xFFFFFF}, b.pixelData = data;
    b.fileSizeField = uint32_t(14 + 40 + 8 + data.size());
    return b.Bytes();
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
// boundaries. It is above the pixel limit; with the limit raised, its 30 GB
// raster cannot be had.
TEST_F(CliLimits, TinyRgmOfTheLargestSizeIsRefusedByTheLimitOrForWantOfMemory)
{
    const std::vector<uint8_t> flat = testsupport::FlatRgm(65535, 65535);
    ExpectOneLineError(Convert("flat.rgm", flat, {}), "exceeds the limit of 2^30 pixels at byte 0");
    SKIP_UNDER_SANITIZER();
    const std::string path = dir / "flat.rgm";
    for (const char* command : {"convert", "info"}) {
        std::vector<std::string> args = {command, path, "--max-pixels", "4294836225"};
        if (args[0] == "convert")
            args.insert(args.begin() + 2, dir / "out.rgm");
        ExpectOneLineError(RunTool(args, dir.path(), kOneGiB), "not enough memory");
    }
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
    ExpectOneLineError(Convert("empty.rgm", testsupport::FlatRgm(0, 1), {}),
                       "the width is 0");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.rgm"));
}

}  // namespace
