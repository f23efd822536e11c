// rgm thumbnail: the file manager's preview.
#include "cli/ToolRunner.h"
#include "doc/PngReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(ThumbnailTool, WritesAPngThatFitsAndRefusesWrongArguments)
{
    testsupport::TempDir dir;
    // The 2 x 2 two-column sample, scaled to fit 1 x 1.
    testsupport::WriteBytes(dir / "map.rgm", testsupport::Hex("04 00 02 00 02 FF FF FF 00 00 00 00 00 00 01 02 00 FF "
                                                              "01 00 00 00 02 00 00 00 2F FF"));
    const clitest::Outcome o = clitest::RunTool({"thumbnail", "--size", "1", dir / "map.rgm", dir / "t.png"}, dir.path());
    ASSERT_EQ(o.exitCode, 0) << o.stderrText;
    const std::vector<uint8_t> png = testsupport::ReadBytes(dir / "t.png");
    const TruecolorPicture t = DecodePng(png.data(), png.size());
    EXPECT_EQ(t.width, 1);
    EXPECT_EQ(t.height, 1);

    for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
             {"thumbnail", dir / "map.rgm", dir / "u.png"},
             {"thumbnail", "--size", "0", dir / "map.rgm", dir / "u.png"},
             {"thumbnail", "--size", "8", dir / "map.rgm"}})
        EXPECT_EQ(clitest::RunTool(wrong, dir.path()).exitCode, 2);
    clitest::ExpectOneLineError(clitest::RunTool({"thumbnail", "--size", "8", dir / "no.rgm", dir / "u.png"}, dir.path()),
                                "no.rgm");
}

}  // namespace
