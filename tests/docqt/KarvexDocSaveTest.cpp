// Saving: the proposed name, the two-dialog flow of a first save, the writer
// chosen by the name picked in the dialog, and failures that write nothing.
#include "docqt/FakePrompts.h"
#include "doc/BitmapWriter.h"
#include "doc/qt/KarvexDoc.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <filesystem>

namespace {

void FillPicture(CMapRaster& raster)
{
    raster.Resize(3, 2);
    raster.colorCount = 2;
    raster.palette[0] = 0x0000FF;
    raster.palette[1] = 0x00FF00;
    for (size_t i = 0; i < raster.PixelCount(); ++i)
        raster.IndexPlane()[i] = uint8_t(i % 2);
}

bool BitmapWriterBuilt()
{
    CMapRaster raster;
    FillPicture(raster);
    try {
        EncodeBmp8(raster);
        return true;
    } catch (...) {
        return false;
    }
}

class KarvexDocSave : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        FillPicture(doc.raster);
    }

    QString Existing(const std::string& name, std::vector<uint8_t> bytes = {'o', 'l', 'd'})
    {
        testsupport::WriteBytes(dir.path() / name, bytes);
        return Path(name);
    }
    QString Path(const std::string& name) const { return QString::fromStdString(dir / name); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir.path() / name); }

    testsupport::TempDir dir;
    FakePrompts prompts;
    CKarvexDoc doc;
};

TEST(AdjustSaveName, KeepsRgmAndBmpLowerCasedAndTurnsTheRestIntoRgm)
{
    EXPECT_EQ(CKarvexDoc::AdjustSaveName("/m/a.jpg"), "/m/a.rgm");
    EXPECT_EQ(CKarvexDoc::AdjustSaveName("/m/b.BMP"), "/m/b.bmp");
    EXPECT_EQ(CKarvexDoc::AdjustSaveName("/m/MAP.BMP"), "/m/MAP.bmp");
    EXPECT_EQ(CKarvexDoc::AdjustSaveName("/m/x.rgm"), "/m/x.rgm");
    EXPECT_EQ(CKarvexDoc::AdjustSaveName("/m/x.RGM"), "/m/x.rgm");
    EXPECT_EQ(CKarvexDoc::AdjustSaveName("/m/plan.tar.jpeg"), "/m/plan.tar.rgm");
    EXPECT_EQ(CKarvexDoc::AdjustSaveName("/m/plan."), "/m/plan.rgm");
}

TEST(AdjustSaveName, DotsInFolderNamesAreLeftAlone)
{
    EXPECT_EQ(CKarvexDoc::AdjustSaveName("/maps.old/plan"), "/maps.old/plan.rgm");
    EXPECT_EQ(CKarvexDoc::AdjustSaveName("Karvex1"), "Karvex1.rgm");
}

TEST_F(KarvexDocSave, ExistingFileGoesStraightToTheOwnDialogWithTheAdjustedName)
{
    doc.SetPathName(Existing("a.jpg"));
    prompts.saveReplies = {QString()};  // cancel

    EXPECT_FALSE(doc.DoFileSave());

    ASSERT_EQ(prompts.saveRequests.size(), 1u);
    EXPECT_EQ(prompts.saveRequests[0].proposedName, Path("a.rgm"));
    EXPECT_EQ(prompts.saveRequests[0].defaultSuffix, "rgm");
    EXPECT_EQ(prompts.saveRequests[0].filters.size(), 1);
    EXPECT_TRUE(prompts.saveRequests[0].filters[0].startsWith("*.rgm;*.bmp;*.rgz "));
    EXPECT_EQ(doc.GetPathName(), Path("a.jpg"));
    EXPECT_TRUE(prompts.warnings.isEmpty());
}

TEST_F(KarvexDocSave, BmpInUpperCaseIsProposedLowerCased)
{
    doc.SetPathName(Existing("b.BMP"));
    EXPECT_FALSE(doc.DoFileSave());
    ASSERT_EQ(prompts.saveRequests.size(), 1u);
    EXPECT_EQ(prompts.saveRequests[0].proposedName, Path("b.bmp"));
}

TEST_F(KarvexDocSave, UnknownExtensionInTheDialogWritesNothingAndSaysNothing)
{
    doc.SetPathName(Existing("a.jpg"));
    prompts.saveReplies = {Path("c.png")};

    EXPECT_FALSE(doc.DoFileSave());

    EXPECT_FALSE(Exists("c.png"));
    EXPECT_TRUE(prompts.warnings.isEmpty());
    EXPECT_EQ(doc.GetPathName(), Path("a.jpg"));
}

TEST_F(KarvexDocSave, NewDocumentAsksTwiceAndFirstChoiceIsNotWritten)
{
    doc.SetTitle("Karvex1");
    prompts.saveReplies = {Path("first.jpg"), QString()};

    EXPECT_FALSE(doc.DoFileSave());

    ASSERT_EQ(prompts.saveRequests.size(), 2u);
    EXPECT_EQ(prompts.saveRequests[0].caption, QStringLiteral("保存为"));
    EXPECT_EQ(prompts.saveRequests[0].proposedName, "Karvex1");
    EXPECT_EQ(prompts.saveRequests[1].proposedName, Path("first.rgm"));
    EXPECT_FALSE(Exists("first.jpg"));
    EXPECT_FALSE(Exists("first.rgm"));
    EXPECT_TRUE(doc.GetPathName().isEmpty());
}

TEST_F(KarvexDocSave, DeletedFileGetsTheFirstDialogProposingItsName)
{
    doc.SetPathName(Path("gone.jpg"));
    prompts.saveReplies = {Path("gone.jpg"), QString()};

    EXPECT_FALSE(doc.DoFileSave());

    ASSERT_EQ(prompts.saveRequests.size(), 2u);
    EXPECT_EQ(prompts.saveRequests[0].caption, QStringLiteral("保存为"));
    EXPECT_EQ(prompts.saveRequests[0].proposedName, Path("gone.jpg"));
    EXPECT_EQ(prompts.saveRequests[1].proposedName, Path("gone.rgm"));
}

TEST_F(KarvexDocSave, ReadOnlyFileAlsoGetsTheFirstDialog)
{
    const QString path = Existing("locked.bmp");
    std::filesystem::permissions(path.toStdString(), std::filesystem::perms::owner_read);
    doc.SetPathName(path);

    // As nobody: root may write anything.
    const int outcome = testsupport::RunUnprivileged(dir.path(), [&] {
        return !doc.DoFileSave() && prompts.saveRequests.size() == 1 &&
                       prompts.saveRequests[0].caption == QStringLiteral("保存为")
                   ? 0
                   : 1;
    });
    SKIP_IF_PRIVILEGES_KEPT(outcome);
    EXPECT_EQ(outcome, 0) << "a write-protected file must get the Save As dialog first";
}

TEST_F(KarvexDocSave, WriterFailureIsReportedAndLeavesTheOldFile)
{
    // An empty picture cannot be stored as .rgm: the writer refuses it.
    CKarvexDoc empty;
    const QString target = Existing("keep.rgm", {'k', 'e', 'e', 'p'});
    empty.SetPathName(target);
    prompts.saveReplies = {target};

    EXPECT_FALSE(empty.DoFileSave());

    ASSERT_EQ(prompts.warnings.size(), 1);
    EXPECT_TRUE(prompts.warnings[0].contains(target));
    EXPECT_TRUE(prompts.warnings[0].contains(QStringLiteral("没有保存")));
    EXPECT_EQ(testsupport::ReadBytes(target.toStdString()), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
}

TEST_F(KarvexDocSave, MissingFolderIsReportedAsNotSaved)
{
    doc.SetPathName(Existing("a.jpg"));
    prompts.saveReplies = {Path("no/such/folder/x.bmp")};

    EXPECT_FALSE(doc.DoFileSave());

    ASSERT_EQ(prompts.warnings.size(), 1);
    EXPECT_TRUE(prompts.warnings[0].contains(QStringLiteral("没有保存")));
    EXPECT_EQ(doc.GetPathName(), Path("a.jpg"));
}

TEST_F(KarvexDocSave, BitmapChosenInUpperCaseIsWrittenAndTheAdjustedNameRecorded)
{
    if (!BitmapWriterBuilt())
        GTEST_SKIP() << "the bitmap writer is not built yet";
    doc.SetPathName(Existing("a.jpg"));
    prompts.saveReplies = {Path("d.BMP")};

    EXPECT_TRUE(doc.DoFileSave());

    EXPECT_TRUE(prompts.warnings.isEmpty());
    const std::vector<uint8_t> written = testsupport::ReadBytes(dir.path() / "d.BMP");
    ASSERT_GE(written.size(), 2u);
    EXPECT_EQ(written[0], 'B');
    EXPECT_EQ(written[1], 'M');
    // The name passed in, adjusted, becomes the path name, not the one chosen.
    EXPECT_EQ(doc.GetPathName(), Path("a.rgm"));
    EXPECT_EQ(doc.GetTitle(), "a.rgm");
}

}  // namespace
