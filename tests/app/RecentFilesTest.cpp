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
    EXPECT_EQ(first->statusTip(), QStringLiteral("打开该文档"));

    first->trigger();

    EXPECT_EQ(prompts.warnings.size(), 1);
    EXPECT_EQ(app->RecentFiles().Files(), QStringList{"/maps/b.jpg"});
    EXPECT_EQ(RecentItems(), QStringList{"&1 /maps/b.jpg"});
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
