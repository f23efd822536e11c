// Documents and their windows: new windows on one document, a document
// destroyed with its last view, failed opens, dropped files.
#include "AppFixture.h"
#include "doc/qt/KarvexDoc.h"
#include "view/KarvexView.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <filesystem>

namespace {

class DocumentWindows : public AppFixture {
protected:
    void Drop(const QStringList& paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls.append(QUrl::fromLocalFile(path));
        data.setUrls(urls);
        const QPoint at = frame->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &drop);
    }
};

TEST_F(DocumentWindows, NewWindowShowsTheSameDocumentAndTheLastViewTakesItAlong)
{
    Start();
    CKarvexDoc* doc = app->DocTemplate()->OpenNewDocument();
    frame->Commands().windowNew->trigger();

    ASSERT_EQ(Frames().size(), 2);
    EXPECT_EQ(app->DocTemplate()->Documents().size(), 1);
    ASSERT_EQ(doc->Views().size(), 2);
    CChildFrame* second = frame->ActiveChildFrame();
    EXPECT_EQ(second->GetActiveView(), doc->Views()[1]);
    EXPECT_TRUE(second->isMaximized());
    EXPECT_EQ(second->GetActiveView()->m_dZoom, 1.0);
    EXPECT_EQ(Frames()[0]->windowTitle(), "Karvex1:1");
    EXPECT_EQ(second->windowTitle(), "Karvex1:2");

    QPointer<CKarvexDoc> watch(doc);
    delete Frames()[0];
    ASSERT_FALSE(watch.isNull());
    EXPECT_EQ(Frames()[0]->windowTitle(), "Karvex1");
    delete Frames()[0];
    EXPECT_TRUE(watch.isNull());
    EXPECT_TRUE(app->DocTemplate()->Documents().isEmpty());
}

TEST_F(DocumentWindows, CascadeMakesLargeWindowsEachOneTitleBarLowerAndTileWorks)
{
    Start();
    app->OnFileNew();
    app->OnFileNew();
    app->OnFileNew();
    frame->Commands().windowTile->trigger();
    for (QMdiSubWindow* child : Frames())
        EXPECT_FALSE(child->isMaximized());
    frame->Commands().windowCascade->trigger();

    const QSize area = frame->MdiArea()->viewport()->size();
    const QList<QMdiSubWindow*> stacked = frame->MdiArea()->subWindowList(QMdiArea::StackingOrder);
    ASSERT_EQ(stacked.size(), 3);
    const int step = stacked[1]->y() - stacked[0]->y();
    EXPECT_GT(step, 10);  // a title bar
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(stacked[i]->isMaximized());
        EXPECT_EQ(stacked[i]->pos(), QPoint(i * step, i * step));
        EXPECT_EQ(stacked[i]->size(), area - QSize(2 * step, 2 * step));
    }
    EXPECT_EQ(frame->ActiveChildFrame(), stacked.last());
}

TEST_F(DocumentWindows, FailedOpenLeavesTitleMenusPanesAndActiveWindowAsTheyWere)
{
    Start();
    testsupport::WriteBytes(files.path() / "x.png", {9});
    QStringList seenDuringMessage;
    prompts.whileWarning = [&] {
        frame->Tick(frame->mapToGlobal(frame->rect().center()));
        seenDuringMessage << frame->windowTitle() << MenuTitles().join(' ') << frame->PaneText(4);
    };

    EXPECT_EQ(app->OpenDocumentFile(File("x.png")), nullptr);
    EXPECT_EQ(seenDuringMessage, (QStringList{"Karvex", MenuTitles().join(' '), "x=????"}));
    EXPECT_FALSE(frame->ShowsDocumentMenus());

    // With documents open the one that was active stays active.
    CKarvexDoc* first = app->DocTemplate()->OpenNewDocument();
    CKarvexDoc* second = app->DocTemplate()->OpenNewDocument();
    qobject_cast<CChildFrame*>(first->Views()[0]->parentWidget())->ActivateFrame();
    prompts.whileWarning = nullptr;
    EXPECT_EQ(app->OpenDocumentFile(File("x.png")), nullptr);
    EXPECT_EQ(frame->ActiveDocument(), first);
    EXPECT_EQ(app->OpenDocumentFile(File("missing.rgm")), nullptr);
    EXPECT_EQ(frame->ActiveDocument(), first);
    EXPECT_EQ(Frames().size(), 2);
    (void)second;
}

TEST_F(DocumentWindows, FailedOpenLeavesNoDocumentAndNoWindow)
{
    Start();
    testsupport::WriteBytes(files.path() / "junk.rgm", {9, 9, 9});
    testsupport::WriteBytes(files.path() / "plan.gif", {9, 9, 9});

    EXPECT_EQ(app->OpenDocumentFile(File("junk.rgm")), nullptr);
    EXPECT_EQ(app->OpenDocumentFile(File("plan.gif")), nullptr);
    EXPECT_EQ(app->OpenDocumentFile(File("missing.bmp")), nullptr);

    EXPECT_EQ(prompts.warnings.size(), 3);
    EXPECT_TRUE(Frames().isEmpty());
    EXPECT_TRUE(app->DocTemplate()->Documents().isEmpty());
    EXPECT_TRUE(app->RecentFiles().Files().isEmpty());
    EXPECT_FALSE(frame->ShowsDocumentMenus());
}

TEST_F(DocumentWindows, DroppedFilesAreOpenedEachInTurn)
{
    Start();
    testsupport::WriteBytes(files.path() / "one.gif", {1});
    testsupport::WriteBytes(files.path() / "two.rgm", {2});

    Drop({File("one.gif"), File("two.rgm")});

    EXPECT_EQ(prompts.warnings, (QStringList{QStringLiteral("不识别的格式!"), QStringLiteral("打开失败!")}));
}

TEST_F(DocumentWindows, TwoDroppedMapsOpenMaximisedAndReopeningActivates)
{
    const std::filesystem::path sample = testsupport::TwoColumnsSample();
    std::filesystem::copy_file(sample, files.path() / "a.rgm");
    std::filesystem::copy_file(sample, files.path() / "b.rgm");
    Start();

    Drop({File("a.rgm"), File("b.rgm")});

    ASSERT_EQ(Frames().size(), 2);
    EXPECT_TRUE(prompts.warnings.isEmpty());
    EXPECT_EQ(frame->windowTitle(), "Karvex - b.rgm");
    EXPECT_TRUE(frame->ActiveChildFrame()->isMaximized());
    EXPECT_EQ(app->RecentFiles().Files(), (QStringList{File("b.rgm"), File("a.rgm")}));

    CKarvexDoc* again = app->OpenDocumentFile(File("a.rgm"));
    EXPECT_EQ(Frames().size(), 2);
    EXPECT_EQ(frame->ActiveDocument(), again);
    EXPECT_EQ(frame->windowTitle(), "Karvex - a.rgm");
}

}  // namespace
