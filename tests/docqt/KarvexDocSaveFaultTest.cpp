// Saving the document when the disk fails it: a full disk, a target that is
// a folder. Each must show one message saying the picture was not saved,
// report the save as failed and leave the old file byte for byte as it was.
#include "docqt/FakePrompts.h"
#include "doc/qt/KarvexDoc.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Outcome codes of the saving child process.
constexpr int kReportedFailure = 0;
constexpr int kClaimedSuccess = 1;
constexpr int kNoOrWrongMessage = 2;

class KarvexDocSaveFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc.raster.Resize(40, 30);
        doc.raster.colorCount = 3;
        for (size_t i = 0; i < doc.raster.PixelCount(); ++i)
            doc.raster.IndexPlane()[i] = uint8_t(i * 7 % 3);
    }

    QString Path(const std::string& name) const { return QString::fromStdString(dir / name); }

    // The document's own save dialog answered with target: the path is an
    // existing file, so DoFileSave goes straight to it.
    bool SaveTo(const QString& target)
    {
        doc.SetPathName(Path("old.jpg"));
        prompts.saveReplies = {target};
        return doc.DoFileSave();
    }

    bool SaidNotSaved(const QString& target) const
    {
        return prompts.warnings.size() == 1 && prompts.warnings[0].contains(QStringLiteral("没有保存")) &&
               prompts.warnings[0].contains(target);
    }

    size_t Entries() const { return size_t(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator())); }

    testsupport::TempDir dir;
    FakePrompts prompts;
    CKarvexDoc doc;
    const std::vector<uint8_t> old = std::vector<uint8_t>(3000, 0x5A);
};

TEST_F(KarvexDocSaveFaults, FullDiskSaysNotSavedAndKeepsTheOldFile)
{
    testsupport::WriteBytes(dir / "old.jpg", {'j'});
    for (const char* name : {"map.bmp", "map.rgm"}) {
        const QString target = Path(name);
        testsupport::WriteBytes(target.toStdString(), old);

        // A file-size limit in a child process stands in for a full disk.
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{100, 100};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            if (SaveTo(target))
                ::_exit(kClaimedSuccess);
            ::_exit(SaidNotSaved(target) ? kReportedFailure : kNoOrWrongMessage);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << name;
        EXPECT_EQ(WEXITSTATUS(status), kReportedFailure) << name;
        EXPECT_EQ(testsupport::ReadBytes(target.toStdString()), old) << name;
    }
    EXPECT_EQ(Entries(), 3u) << "a temporary file was left behind";
}

TEST_F(KarvexDocSaveFaults, FolderTargetSaysNotSavedAndStaysAFolder)
{
    testsupport::WriteBytes(dir / "old.jpg", {'j'});
    fs::create_directory(dir.path() / "map.rgm");
    testsupport::WriteBytes(dir / "map.rgm/inside.txt", old);

    EXPECT_FALSE(SaveTo(Path("map.rgm")));

    EXPECT_TRUE(SaidNotSaved(Path("map.rgm")));
    EXPECT_TRUE(fs::is_directory(dir.path() / "map.rgm"));
    EXPECT_EQ(testsupport::ReadBytes(dir / "map.rgm/inside.txt"), old);
    EXPECT_EQ(doc.GetPathName(), Path("old.jpg"));
    EXPECT_EQ(Entries(), 2u);
}

}  // namespace
