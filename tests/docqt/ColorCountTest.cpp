// The colour-count dialog's validation and the command around it.
#include "docqt/FakePrompts.h"
#include "doc/qt/ColorCountDlg.h"
#include "doc/qt/KarvexDoc.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <vector>

namespace {

class ColorCountDialog : public ::testing::Test {
protected:
    void SetUp() override { TestApp(); }

    // Types text and presses OK; true when the dialog closed accepted.
    bool Confirm(const QString& text)
    {
        dialog.Edit()->setText(text);
        dialog.setResult(0);
        dialog.accept();
        return dialog.result() == QDialog::Accepted;
    }

    FakePrompts prompts;
    CColorCountDlg dialog;
};

TEST_F(ColorCountDialog, LooksAsDescribed)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("颜色查看"));
    const QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);  // no Cancel button
    EXPECT_EQ(buttons[0]->text(), "OK");
    EXPECT_TRUE(buttons[0]->isDefault());
}

TEST_F(ColorCountDialog, AcceptsWholeNumbersFromOneTo256WithSpacesAround)
{
    EXPECT_TRUE(Confirm("1"));
    EXPECT_EQ(dialog.m_nColors, 1);
    EXPECT_TRUE(Confirm("256"));
    EXPECT_EQ(dialog.m_nColors, 256);
    EXPECT_TRUE(Confirm(" \t 12\t "));
    EXPECT_EQ(dialog.m_nColors, 12);
    EXPECT_TRUE(prompts.warnings.isEmpty());
}

TEST_F(ColorCountDialog, OutOfRangeShowsTheRangeMessageAndStaysOpen)
{
    dialog.m_nColors = 40;
    for (const char* text : {"0", "257", "-3"}) {
        prompts.warnings.clear();
        EXPECT_FALSE(Confirm(text)) << text;
        EXPECT_EQ(prompts.warnings, QStringList{QStringLiteral("“请填入一个在1和256之间的整数。”")}) << text;
    }
    EXPECT_EQ(dialog.m_nColors, 40);
    EXPECT_EQ(dialog.Edit()->selectedText(), "-3");
}

TEST_F(ColorCountDialog, NonIntegersShowTheIntegerMessage)
{
    for (const char* text : {"", "abc", "12abc", "1.5", "   "}) {
        prompts.warnings.clear();
        EXPECT_FALSE(Confirm(text)) << text;
        EXPECT_EQ(prompts.warnings, QStringList{QStringLiteral("请键入一个整数。")}) << text;
    }
}

TEST_F(ColorCountDialog, EscapeCancels)
{
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(dialog.isHidden());
}

class ColorCountCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        doc.raster.Resize(2, 2);
        doc.raster.colorCount = 3;
        doc.raster.palette[0] = 0x000000;
        doc.raster.palette[1] = 0x000001;  // merges into black first
        doc.raster.palette[2] = 0xFFFFFF;
        for (int i = 0; i < 4; ++i)
            doc.raster.IndexPlane()[i] = uint8_t(i % 3);
    }

    FakePrompts prompts;
    CKarvexDoc doc;
};

TEST_F(ColorCountCommand, ShowsTheCurrentCount)
{
    doc.OnViewColors();
    EXPECT_EQ(prompts.colorDialogShown, std::vector<int>{3});
}

TEST_F(ColorCountCommand, CancelOrNoFewerColoursChangesNothing)
{
    QSignalSpy updates(&doc, &CKarvexDoc::viewsNeedUpdate);
    prompts.colorReplies = {std::nullopt, 3, 256};
    for (int i = 0; i < 3; ++i)
        doc.OnViewColors();
    EXPECT_EQ(doc.raster.colorCount, 3);
    EXPECT_EQ(updates.count(), 0);
    EXPECT_TRUE(prompts.warnings.isEmpty());
}

TEST_F(ColorCountCommand, FewerColoursReduceAndRepaint)
{
    QSignalSpy updates(&doc, &CKarvexDoc::viewsNeedUpdate);
    prompts.colorReplies = {2};
    doc.OnViewColors();
    EXPECT_EQ(updates.count(), 1);
    EXPECT_TRUE(prompts.warnings.isEmpty());
    ASSERT_EQ(doc.raster.colorCount, 2);
    EXPECT_EQ(doc.raster.palette[1], 0xFFFFFFu);
    EXPECT_EQ(std::vector<uint8_t>(doc.raster.IndexPlane(), doc.raster.IndexPlane() + 4),
              (std::vector<uint8_t>{0, 0, 1, 0}));
}

}  // namespace
