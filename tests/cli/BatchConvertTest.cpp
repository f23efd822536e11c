// rgm convert --to: many files into one folder.
#include "cli/ToolRunner.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using clitest::Outcome;
using clitest::RunTool;
using testsupport::Hex;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

const char* const kTwoColumns =
    "04 00 02 00 02 FF FF FF 00 00 00 00 00 00 01 02 00 FF 01 00 00 00 02 00 00 00 2F FF";

size_t Lines(const std::string& s) { return size_t(std::count(s.begin(), s.end(), '\n')); }

// Two good pictures and two that fail, in dir/in.
std::vector<std::string> MixedInputs(const testsupport::TempDir& dir)
{
    fs::create_directory(dir.path() / "in");
    WriteBytes(dir.path() / "in/a.rgm", Hex(kTwoColumns));
    WriteBytes(dir.path() / "in/b.RGM", Hex(kTwoColumns));
    WriteBytes(dir.path() / "in/broken.rgm", Hex("04 00 02"));
    return {dir / "in/a.rgm", dir / "in/b.RGM", dir / "in/broken.rgm", dir / "in/missing.rgm"};
}

std::vector<std::string> Args(std::vector<std::string> options, const std::vector<std::string>& inputs)
{
    options.insert(options.begin(), "convert");
    options.insert(options.end(), inputs.begin(), inputs.end());
    return options;
}

TEST(BatchConvert, GoesOnAfterFailuresAndLeavesDoneOutputsAlone)
{
    testsupport::TempDir dir;
    const std::vector<std::string> inputs = MixedInputs(dir);
    const std::string out = dir / "out";
    const Outcome first = RunTool(Args({"--to", "bmp", "-o", out, "-j", "2"}, inputs), dir.path());
    EXPECT_EQ(first.exitCode, 1);
    EXPECT_EQ(Lines(first.stderrText), 2u) << first.stderrText;  // one line per failure, no progress
    EXPECT_NE(first.stderrText.find("broken.rgm: "), std::string::npos);
    EXPECT_NE(first.stderrText.find("missing.rgm: "), std::string::npos);
    EXPECT_EQ(first.stdoutText.rfind("2 converted, 0 skipped (already there), 2 failed; 56 bytes in, 2172 bytes out;", 0),
              0u)
        << first.stdoutText;

    // The same as the single-file form writes.
    const Outcome single = RunTool({"convert", inputs[0], dir / "single.bmp"}, dir.path());
    ASSERT_EQ(single.exitCode, 0);
    EXPECT_EQ(ReadBytes(out + "/a.bmp"), ReadBytes(dir / "single.bmp"));
    EXPECT_EQ(ReadBytes(out + "/b.bmp"), ReadBytes(dir / "single.bmp"));

    // A second run carries on: what is there stays unless --force.
    WriteBytes(out + "/a.bmp", {1});
    const Outcome again = RunTool(Args({"--to", "bmp", "-o", out}, {inputs[0], inputs[1]}), dir.path());
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.stdoutText.rfind("0 converted, 2 skipped (already there), 0 failed", 0), 0u);
    EXPECT_EQ(ReadBytes(out + "/a.bmp"), std::vector<uint8_t>{1});
    const Outcome forced = RunTool(Args({"--to", "bmp", "-o", out, "--force"}, {inputs[0]}), dir.path());
    EXPECT_EQ(forced.exitCode, 0);
    EXPECT_EQ(ReadBytes(out + "/a.bmp"), ReadBytes(dir / "single.bmp"));

    // The limits apply to every input: 8 pixels are more than 7.
    const Outcome limited = RunTool(Args({"--to", "rgm", "-o", out, "--max-pixels=7"}, {inputs[0]}), dir.path());
    EXPECT_EQ(limited.exitCode, 1);
    EXPECT_NE(limited.stderrText.find("a.rgm: "), std::string::npos);
}

TEST(BatchConvert, TwoInputsWithOneOutputNameConvertOnce)
{
    testsupport::TempDir dir;
    fs::create_directories(dir.path() / "one");
    fs::create_directories(dir.path() / "two");
    WriteBytes(dir.path() / "one/map.rgm", Hex(kTwoColumns));
    WriteBytes(dir.path() / "two/map.rgm", Hex(kTwoColumns));
    const Outcome o = RunTool({"convert", "--to", "rgm", "-o", dir / "out", dir / "one/map.rgm", dir / "two/map.rgm"},
                              dir.path());
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(Lines(o.stderrText), 1u);
    EXPECT_NE(o.stderrText.find("two/map.rgm: would be written to"), std::string::npos) << o.stderrText;
}

TEST(BatchConvert, WrongArgumentsAreUsageErrors)
{
    testsupport::TempDir dir;
    const std::vector<std::vector<std::string>> wrong = {
        {"convert", "--to", "gif", "-o", "out", "a.rgm"},
        {"convert", "--to", "bmp", "a.rgm"},
        {"convert", "--to", "bmp", "-o", "out"},
        {"convert", "-o", "out", "a.rgm"},
        {"convert", "--to", "bmp", "-o", "out", "-j", "0", "a.rgm"},
        {"convert", "--to", "bmp", "-o", "out", "--colors", "300", "a.rgm"},
        {"convert", "--to", "bmp", "-o", "out", "--max-pixels", "0", "a.rgm"},
    };
    for (const auto& args : wrong) {
        const Outcome o = RunTool(args, dir.path());
        EXPECT_EQ(o.exitCode, 2) << o.stderrText;
        EXPECT_EQ(Lines(o.stderrText), 1u) << o.stderrText;
    }
    EXPECT_FALSE(fs::exists(dir.path() / "out"));
}

}  // namespace
