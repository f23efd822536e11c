// The document when the machine fails it. Saving to a full disk or to a
// folder shows one message saying the picture was not saved, reports the save
// as failed and leaves the old file byte for byte as it was. Opening a picture
// too large for the memory there is fails the same way and keeps the picture.
#include "docqt/FakePrompts.h"
#include "doc/qt/KarvexDoc.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Outcome codes of the child process.
constexpr int kReportedFailure = 0;
constexpr int kClaimedSuccess = 1;
constexpr int kNoOrWrongMessage = 2;

class KarvexDocFaults : public ::testing::Test {
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

    size_t Entries() const
    {
        return size_t(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()));
    }

    testsupport::TempDir dir;
    FakePrompts prompts;
    CKarvexDoc doc;
    const std::vector<uint8_t> old = std::vector<uint8_t>(3000, 0x5A);
};

TEST_F(KarvexDocFaults, FullDiskSaysNotSavedAndKeepsTheOldFile)
{
    testsupport::WriteBytes(dir / "old.jpg", {'j'});
    for (const char* name : {"map.bmp", "map.rgm"}) {
        const QString target = Path(name);
        testsupport::WriteBytes(target.toStdString(), old);

        // A file-size limit in a child process stands in for a full disk.
        const int outcome = testsupport::RunInLimitedChild(RLIMIT_FSIZE, 100, [&] {
            if (SaveTo(target))
                return kClaimedSuccess;
            return SaidNotSaved(target) ? kReportedFailure : kNoOrWrongMessage;
        });
        EXPECT_EQ(outcome, kReportedFailure) << name;
        EXPECT_EQ(testsupport::ReadBytes(target.toStdString()), old) << name;
    }
    EXPECT_EQ(Entries(), 3u) << "a temporary file was left behind";
}

TEST_F(KarvexDocFaults, FolderTargetSaysNotSavedAndStaysAFolder)
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

// As nobody: root may write anything, so the refusal would not show.
TEST_F(KarvexDocFaults, WriteProtectedTargetSaysNotSavedAndIsKept)
{
    const QString target = Path("locked.rgm");
    testsupport::WriteBytes(target.toStdString(), old);
    fs::permissions(target.toStdString(), fs::perms::owner_read | fs::perms::others_read);
    const int outcome = testsupport::RunUnprivileged(dir.path(), [&] {
        testsupport::WriteBytes(dir / "old.jpg", {'j'});
        if (SaveTo(target))
            return kClaimedSuccess;
        return SaidNotSaved(target) ? kReportedFailure : kNoOrWrongMessage;
    });
    SKIP_IF_PRIVILEGES_KEPT(outcome);
    EXPECT_EQ(outcome, kReportedFailure);
    EXPECT_EQ(testsupport::ReadBytes(target.toStdString()), old);
    EXPECT_EQ(Entries(), 2u);
}

// 19 bytes of .rgm legally describe a flat 32768 x 32767 picture, just within
// the pixel limit: 7 GB of raster, refused under a 2 GiB address-space limit.
TEST_F(KarvexDocFaults, PictureTooLargeForMemoryIsNotOpenedAndTheOldOneStays)
{
    SKIP_UNDER_SANITIZER();
    const std::string huge = dir / "huge.rgm";
    testsupport::WriteBytes(huge, testsupport::FlatRgm(32768, 32767));
    const std::vector<uint8_t> before(doc.raster.IndexPlane(), doc.raster.IndexPlane() + doc.raster.PixelCount());

    const int outcome = testsupport::RunInLimitedChild(RLIMIT_AS, rlim_t(2) << 30, [&] {
        if (doc.OnOpenDocument(QString::fromStdString(huge)))
            return kClaimedSuccess;
        const bool kept = doc.raster.width == 40 && doc.raster.height == 30 &&
                          std::equal(before.begin(), before.end(), doc.raster.IndexPlane());
        return prompts.warnings.size() == 1 && kept ? kReportedFailure : kNoOrWrongMessage;
    });
    EXPECT_EQ(outcome, kReportedFailure);
}

}  // namespace
