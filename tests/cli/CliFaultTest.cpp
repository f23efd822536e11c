// The rgm tool under faults: a full disk, unwritable or missing targets and
// inputs that are not there or not files. Every case must end with one line
// on stderr, a non-zero exit, no partial output and the old target untouched.
#include "cli/ToolRunner.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using clitest::ExpectOneLineError;
using clitest::Outcome;
using clitest::RunTool;
using testsupport::Hex;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

// A 4 x 2 picture: two white columns, two black ones.
const std::vector<uint8_t> kTwoColumns = testsupport::TwoColumnsRgm();

class CliFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        input = dir / "plan.rgm";
        WriteBytes(input, kTwoColumns);
    }
    size_t Entries() const
    {
        return size_t(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()));
    }
    TempDir dir;
    std::string input;
};

TEST_F(CliFaults, FullDiskKeepsOldTargetAndLeavesNoTemporary)
{
    const std::string target = dir / "plan.bmp";
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    WriteBytes(target, old);
    const Outcome o = RunTool({"convert", input, target}, dir.path(), {.fileSize = 512});  // the bitmap needs 1086
    ExpectOneLineError(o, "plan.bmp");
    EXPECT_EQ(ReadBytes(target), old);
    EXPECT_EQ(Entries(), 2u);
}

TEST_F(CliFaults, MissingFolderAndFolderTarget)
{
    ExpectOneLineError(RunTool({"convert", input, dir / "nowhere/plan.bmp"}, dir.path()), "plan.bmp");
    EXPECT_FALSE(fs::exists(dir.path() / "nowhere"));

    fs::create_directory(dir.path() / "out.bmp");
    ExpectOneLineError(RunTool({"convert", input, dir / "out.bmp"}, dir.path()), "out.bmp");
    EXPECT_TRUE(fs::is_directory(dir.path() / "out.bmp"));
}

// As nobody: root may write anything, so the refusals would not show.
TEST_F(CliFaults, TargetOrFolderTheUserCannotWrite)
{
    ASSERT_TRUE(testsupport::HandToUnprivilegedUser(dir.path()));
    const std::string locked = dir / "locked.bmp";
    WriteBytes(locked, {'o', 'l', 'd'});
    ::chmod(locked.c_str(), 0444);
    fs::create_directory(dir.path() / "ro");
    fs::permissions(dir.path() / "ro", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                           fs::perms::others_exec);
    for (const std::string& target : {locked, dir / "ro/plan.bmp"}) {
        const Outcome o = RunTool({"convert", input, target}, dir.path(), {.unprivileged = true});
        SKIP_IF_PRIVILEGES_KEPT(o.exitCode);
        ExpectOneLineError(o, "Permission denied");
    }
    EXPECT_EQ(ReadBytes(locked), std::vector<uint8_t>({'o', 'l', 'd'}));
    EXPECT_EQ(Entries(), 3u);
}

// Once OUT is in place, a summary line that cannot be printed is reported on
// stderr but does not turn the finished convert into a failure.
TEST_F(CliFaults, SummaryThatCannotBePrintedDoesNotFailAFinishedConvert)
{
    const Outcome o = RunTool({"convert", input, dir / "plan.bmp"}, dir.path(), {.standardOutput = "/dev/full"});
    EXPECT_EQ(o.exitCode, 0) << o.stderrText;
    EXPECT_NE(o.stderrText.find("summary"), std::string::npos) << o.stderrText;
    EXPECT_TRUE(fs::exists(dir.path() / "plan.bmp"));
}

TEST_F(CliFaults, InputThatIsMissingOrNotAFile)
{
    const std::string target = dir / "out.bmp";
    ExpectOneLineError(RunTool({"convert", dir / "gone.rgm", target}, dir.path()), "gone.rgm");
    fs::create_directory(dir.path() / "folder.rgm");
    ExpectOneLineError(RunTool({"convert", dir / "folder.rgm", target}, dir.path()), "folder.rgm");
    const std::string fifo = dir / "pipe.rgm";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ExpectOneLineError(RunTool({"convert", fifo, target}, dir.path()), "pipe.rgm");
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(CliFaults, TruncatedInputWritesNothing)
{
    const std::string target = dir / "out.bmp";
    for (size_t cut = 0; cut < kTwoColumns.size(); ++cut) {
        WriteBytes(input, std::vector<uint8_t>(kTwoColumns.begin(), kTwoColumns.begin() + long(cut)));
        ExpectOneLineError(RunTool({"convert", input, target}, dir.path()), "plan.rgm");
        EXPECT_FALSE(fs::exists(target)) << "cut at " << cut;
    }
}

}  // namespace
