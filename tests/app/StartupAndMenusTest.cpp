// Start-up without documents, the two menu sets, titles, prompts and keys.
#include "app/AboutBox.h"
#include "AppFixture.h"
#include "doc/qt/KarvexDoc.h"
#include "view/KarvexView.h"

#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QMimeDatabase>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

namespace {

const QStringList kMenus128 = {"文件(&F)", "查看(&V)", "帮助(&H)"};
const QStringList kMenus129 = {"文件(&F)", "查看(&V)", "窗口(&W)", "帮助(&H)"};

class StartupAndMenus : public AppFixture {};

TEST_F(StartupAndMenus, StartsEmptyWithMenu128EvenWithAFileNameArgument)
{
    testsupport::WriteBytes(files.path() / "plan.rgm", {1, 2, 3});
    Start({"karvex", File("plan.rgm")});

    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(Frames().isEmpty());
    EXPECT_TRUE(app->DocTemplate()->Documents().isEmpty());
    EXPECT_TRUE(prompts.warnings.isEmpty());
    EXPECT_EQ(MenuTitles(), kMenus128);
    EXPECT_EQ(frame->windowTitle(), "Karvex");
    EXPECT_EQ(frame->PaneText(0), QStringLiteral("就绪"));
    EXPECT_EQ(frame->PaneText(4), "x=????");
    EXPECT_EQ(frame->PaneText(5), "y=????");
    EXPECT_EQ(frame->PaneText(6), "rgb=(???,???,???)");
}

TEST_F(StartupAndMenus, OpenOptionOpensEachFileAsFileOpenWould)
{
    testsupport::WriteBytes(files.path() / "good.rgm",
                            testsupport::Hex("04 00 02 00 02 FF FF FF 00 00 00 00 00 00 01 02 00 FF 01 00 00 00 02 00 "
                                             "00 00 2F FF"));
    testsupport::WriteBytes(files.path() / "broken.rgm", {1, 2, 3});
    Start({"karvex", "--open", File("good.rgm"), File("broken.rgm")});

    EXPECT_EQ(Frames().size(), 1);
    EXPECT_EQ(app->DocTemplate()->Documents().size(), 1);
    EXPECT_EQ(prompts.warnings, QStringList{QStringLiteral("打开失败!")});
}

TEST_F(StartupAndMenus, FileMenusOfBothSetsWithShortcuts)
{
    Start();
    EXPECT_EQ(ItemTexts(MenuNamed("文件(&F)")),
              (QStringList{"打开(&O)...", "-", "最近文件", "-", "退出(&X)"}));
    EXPECT_FALSE(MenuNamed("文件(&F)")->actions()[2]->isEnabled());
    EXPECT_EQ(ItemTexts(MenuNamed("查看(&V)")), QStringList{"状态栏(&S)"});
    EXPECT_EQ(ItemTexts(MenuNamed("帮助(&H)")), QStringList{"关于 Karvex(&A)..."});
    EXPECT_EQ(frame->Commands().fileOpen->shortcut(), QKeySequence("Ctrl+O"));

    app->OnFileNew();
    EXPECT_EQ(ItemTexts(MenuNamed("文件(&F)")),
              (QStringList{"打开(&O)...", "保存(&S)", "-", "最近文件", "-", "退出(&X)"}));
    EXPECT_EQ(frame->Commands().fileSave->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(ItemTexts(MenuNamed("查看(&V)")), (QStringList{"状态栏(&S)", "颜色数(&C)", "适合窗口(&F)"}));
    EXPECT_EQ(frame->Commands().viewFitToWindow->shortcut(), QKeySequence("Ctrl+0"));
    QMenu* window = MenuNamed("窗口(&W)");
    ASSERT_NE(window, nullptr);
    emit window->aboutToShow();
    EXPECT_EQ(ItemTexts(window), (QStringList{"新建窗口(&N)", "层叠(&C)", "平铺(&T)", "排列图标(&A)", "-", "&1 Karvex1"}));
}

TEST_F(StartupAndMenus, MenusAndTitleFollowTheActiveDocumentWindow)
{
    Start();
    CKarvexDoc* first = app->DocTemplate()->OpenNewDocument();
    EXPECT_EQ(first->GetTitle(), "Karvex1");
    EXPECT_EQ(MenuTitles(), kMenus129);
    EXPECT_EQ(frame->windowTitle(), "Karvex - Karvex1");

    CKarvexDoc* second = app->DocTemplate()->OpenNewDocument();
    EXPECT_EQ(second->GetTitle(), "Karvex2");
    EXPECT_EQ(frame->windowTitle(), "Karvex - Karvex2");
    EXPECT_TRUE(frame->ActiveChildFrame()->isMaximized());

    // Going back to a maximised window keeps the plain title (no "- [child]").
    qobject_cast<CChildFrame*>(Frames()[0])->ActivateFrame();
    EXPECT_EQ(frame->windowTitle(), "Karvex - Karvex1");
    EXPECT_TRUE(frame->ActiveChildFrame()->isMaximized());

    app->DocTemplate()->CloseAllDocuments();
    frame->Tick(QPoint(0, 0));
    EXPECT_EQ(MenuTitles(), kMenus128);
    EXPECT_EQ(frame->windowTitle(), "Karvex");
    EXPECT_TRUE(app->DocTemplate()->Documents().isEmpty());
}

TEST_F(StartupAndMenus, PromptShowsWhileAnItemIsHighlighted)
{
    Start();
    frame->Commands().fileOpen->showStatusText(frame);
    EXPECT_EQ(frame->statusBar()->currentMessage(), QStringLiteral("打开一个现有文档"));
    frame->Commands().appAbout->showStatusText(frame);
    EXPECT_EQ(frame->statusBar()->currentMessage(), QStringLiteral("显示程序信息，版本号和版权"));

    QStatusTipEvent leave{QString()};
    QApplication::sendEvent(frame, &leave);
    EXPECT_TRUE(frame->statusBar()->currentMessage().isEmpty());
    EXPECT_EQ(frame->PaneText(0), QStringLiteral("就绪"));
}

TEST_F(StartupAndMenus, CtrlNMakesADocumentAndTheEditAndPaneKeysDoNothing)
{
    Start();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));

    QTest::keyClick(frame, Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(app->DocTemplate()->Documents().size(), 1);
    QMdiSubWindow* active = frame->ActiveChildFrame();

    const std::pair<Qt::Key, Qt::KeyboardModifiers> deadKeys[] = {
        {Qt::Key_Z, Qt::ControlModifier},   {Qt::Key_Backspace, Qt::AltModifier},
        {Qt::Key_X, Qt::ControlModifier},   {Qt::Key_Delete, Qt::ShiftModifier},
        {Qt::Key_C, Qt::ControlModifier},   {Qt::Key_Insert, Qt::ControlModifier},
        {Qt::Key_V, Qt::ControlModifier},   {Qt::Key_Insert, Qt::ShiftModifier},
        {Qt::Key_F6, Qt::NoModifier},       {Qt::Key_F6, Qt::ShiftModifier},
    };
    for (const auto& [key, modifiers] : deadKeys)
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : frame, key, modifiers);

    EXPECT_EQ(app->DocTemplate()->Documents().size(), 1);
    EXPECT_EQ(Frames().size(), 1);
    EXPECT_EQ(frame->ActiveChildFrame(), active);
    EXPECT_TRUE(active->isMaximized());
    EXPECT_TRUE(prompts.warnings.isEmpty());
    EXPECT_TRUE(prompts.saveRequests.empty());
}

TEST_F(StartupAndMenus, CtrlF4ClosesAndCtrlF6GoesToTheNextDocumentWindow)
{
    Start();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    app->OnFileNew();
    app->OnFileNew();
    app->OnFileNew();
    auto press = [this](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : frame, key, modifiers);
    };
    ASSERT_EQ(frame->ActiveDocument()->GetTitle(), "Karvex3");

    press(Qt::Key_F6, Qt::ControlModifier);
    EXPECT_NE(frame->ActiveDocument()->GetTitle(), "Karvex3");
    EXPECT_TRUE(frame->ActiveChildFrame()->isMaximized());
    press(Qt::Key_F6, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(frame->ActiveDocument()->GetTitle(), "Karvex3");

    press(Qt::Key_F4, Qt::ControlModifier);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Frames().size(), 2);
    EXPECT_EQ(app->DocTemplate()->Documents().size(), 2);
    EXPECT_NE(frame->ActiveChildFrame(), nullptr);
    EXPECT_TRUE(prompts.warnings.isEmpty());
}

TEST_F(StartupAndMenus, QtDialogTextsDatesAndFileTypesAreChinese)
{
    Start();
    if (QCoreApplication::translate("QPlatformTheme", "Cancel") == "Cancel")
        GTEST_SKIP() << "Qt's Chinese translations (qt6-translations-l10n) are not installed";
    EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "Folder"), QStringLiteral("文件夹"));
    EXPECT_EQ(QLocale().language(), QLocale::Chinese);
    EXPECT_EQ(QMimeDatabase().mimeTypeForName("image/bmp").comment(), QStringLiteral("Windows BMP 图像"));
}

TEST_F(StartupAndMenus, StatusBarCommandHidesAndShowsTheBarWhileTheReadoutGoesOn)
{
    Start();
    app->OnFileNew();
    QAction* toggle = frame->Commands().viewStatusBar;
    ASSERT_TRUE(toggle->isChecked());

    toggle->trigger();
    EXPECT_TRUE(frame->statusBar()->isHidden());
    EXPECT_FALSE(toggle->isChecked());
    frame->Tick(frame->ActiveChildFrame()->GetActiveView()->viewport()->mapToGlobal(QPoint(3, 4)));
    EXPECT_EQ(frame->PaneText(4), "x=3");

    toggle->trigger();
    EXPECT_FALSE(frame->statusBar()->isHidden());
    EXPECT_TRUE(toggle->isChecked());
}

TEST_F(StartupAndMenus, ExitClosesEveryDocumentWithoutAsking)
{
    Start();
    app->OnFileNew();
    app->OnFileNew();
    frame->Commands().appExit->trigger();
    EXPECT_FALSE(frame->isVisible());
    EXPECT_TRUE(app->DocTemplate()->Documents().isEmpty());
    EXPECT_TRUE(prompts.warnings.isEmpty());
    EXPECT_TRUE(prompts.saveRequests.empty());
}

TEST(AboutBox, HasItsCaptionAndOneDefaultButton)
{
    TestApp();
    CAboutBox about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("关于 Karvex"));
    const QList<QPushButton*> buttons = about.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text(), QStringLiteral("确定"));
    EXPECT_TRUE(buttons[0]->isDefault());
    bool hasIcon = false;
    for (QLabel* label : about.findChildren<QLabel*>())
        hasIcon = hasIcon || !label->pixmap().isNull();
    EXPECT_TRUE(hasIcon);
}

}  // namespace
