// The recent-file list: limit, order, and its round trip through the settings.
#include "AppFixture.h"
#include "app/RecentFileList.h"

namespace {

TEST(RecentFileList, KeepsTheNewestFourNewestFirst)
{
    CRecentFileList list(4);
    for (const char* path : {"/a", "/b", "/c", "/d", "/e"})
        list.Add(path);
    EXPECT_EQ(list.Files(), (QStringList{"/e", "/d", "/c", "/b"}));

    list.Add("/c");  // opened again: moves to the front, no duplicate
    EXPECT_EQ(list.Files(), (QStringList{"/c", "/e", "/d", "/b"}));
}

class RecentFiles : public AppFixture {
protected:
    void WriteSettings(const QStringList& paths)
    {
        QSettings settings("Local AppWizard-Generated Applications", "Karvex");
        for (int i = 0; i < paths.size(); ++i)
            settings.setValue(QStringLiteral("Recent File List/File%1").arg(i + 1), paths[i]);
    }
    QStringList RecentItems()
    {
        QStringList items = ItemTexts(MenuNamed("文件(&F)"));
        return items.mid(2, items.size() - 4);  // between the two separators
    }
};

TEST_F(RecentFiles, ListFromTheSettingsReplacesThePlaceholderInOrder)
{
    WriteSettings({"/maps/a.rgm", "/maps/b.jpg", "/maps/c.bmp", "/maps/d.rgm", "/maps/e.rgm"});
    Start();
    EXPECT_EQ(app->RecentFiles().Files(), (QStringList{"/maps/a.rgm", "/maps/b.jpg", "/maps/c.bmp", "/maps/d.rgm"}));
    EXPECT_EQ(RecentItems(), (QStringList{"&1 /maps/a.rgm", "&2 /maps/b.jpg", "&3 /maps/c.bmp", "&4 /maps/d.rgm"}));
}

TEST_F(RecentFiles, ListIsWrittenBackWhenTheProgramEndsAndReadAtTheNextStart)
{
    WriteSettings({"/maps/a.rgm", "/maps/b.jpg"});
    Start();
    frame->close();
    app.reset();

    QSettings written("Local AppWizard-Generated Applications", "Karvex");
    EXPECT_EQ(written.value("Recent File List/File1").toString(), "/maps/a.rgm");
    EXPECT_EQ(written.value("Recent File List/File2").toString(), "/maps/b.jpg");
    EXPECT_FALSE(written.contains("Recent File List/File3"));

    Start();
    EXPECT_EQ(app->RecentFiles().Files(), (QStringList{"/maps/a.rgm", "/maps/b.jpg"}));
}

TEST_F(RecentFiles, ChoosingAFileThatFailsToOpenDropsItFromTheList)
{
    WriteSettings({File("gone.rgm"), "/maps/b.jpg"});
    Start();
    QAction* first = MenuNamed("文件(&F)")->actions()[2];
    EXPECT_EQ(first->statusTip(), QStringLiteral("打开该文档：") + File("gone.rgm"));

    first->trigger();

    EXPECT_EQ(prompts.warnings.size(), 1);
    EXPECT_EQ(app->RecentFiles().Files(), QStringList{"/maps/b.jpg"});
    EXPECT_EQ(RecentItems(), QStringList{"&1 /maps/b.jpg"});
}

TEST(AbbreviatePath, KeepsTheFirstFolderAndAsMuchOfTheEndAsFits)
{
    EXPECT_EQ(AbbreviatePath("/maps/a.rgm", 40), "/maps/a.rgm");
    EXPECT_EQ(AbbreviatePath("/home/user/maps/2024/europe/plan.rgm", 25), QStringLiteral("/home/…/europe/plan.rgm"));
    EXPECT_EQ(AbbreviatePath("/a-very-long-first-folder/b/plan.rgm", 20), QStringLiteral("…/plan.rgm"));
    const QString longName = AbbreviatePath("/m/" + QString(60, 'x') + ".rgm", 40);
    EXPECT_EQ(longName.size(), 40);
    EXPECT_TRUE(longName.endsWith(".rgm"));
}

TEST_F(RecentFiles, LongPathsAreShortenedInTheMenuAndWholeInThePrompt)
{
    const QString deep = "/home/user/" + QString(50, 'd') + "/europe/plan&co.rgm";
    WriteSettings({deep});
    Start();
    EXPECT_EQ(RecentItems(), QStringList{QStringLiteral("&1 /home/…/europe/plan&&co.rgm")});
    EXPECT_EQ(MenuNamed("文件(&F)")->actions()[2]->statusTip(), QStringLiteral("打开该文档：") + deep);
}

TEST_F(RecentFiles, WindowSizePositionAndMaximisedStateAreRemembered)
{
    Start();
    frame->setGeometry(40, 50, 700, 500);
    frame->close();
    app.reset();
    Start();
    EXPECT_EQ(frame->size(), QSize(700, 500));
    EXPECT_FALSE(frame->isMaximized());

    frame->showMaximized();
    frame->close();
    app.reset();
    Start();
    EXPECT_TRUE(frame->isMaximized());
}

TEST_F(RecentFiles, PreviewPagesIsReadFromTheSettings)
{
    {
        QSettings settings("Local AppWizard-Generated Applications", "Karvex");
        settings.setValue("Settings/PreviewPages", 2);
    }
    Start();
    EXPECT_EQ(app->PreviewPages(), 2);
}

}  // namespace
