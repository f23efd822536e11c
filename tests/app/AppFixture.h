// A started program with its settings in a temporary folder and the user
// answered by the test.
#pragma once

#include "app/ChildFrame.h"
#include "app/DocTemplate.h"
#include "app/KarvexApp.h"
#include "app/MainFrame.h"
#include "docqt/FakePrompts.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>

#include <memory>

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(settingsDir.path().string()));
    }

    void Start(const QStringList& arguments = {"karvex"})
    {
        app = std::make_unique<CKarvexApp>();
        ASSERT_TRUE(app->InitInstance(arguments));
        frame = app->MainFrame();
    }

    QStringList MenuTitles() const
    {
        QStringList titles;
        for (QAction* action : frame->menuBar()->actions())
            titles.append(action->text());
        return titles;
    }

    QMenu* MenuNamed(const QString& title) const
    {
        for (QAction* action : frame->menuBar()->actions())
            if (action->text() == title)
                return action->menu();
        return nullptr;
    }

    // Item texts of a menu, "-" for a separator.
    static QStringList ItemTexts(QMenu* menu)
    {
        QStringList texts;
        for (QAction* action : menu->actions())
            texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
        return texts;
    }

    QList<QMdiSubWindow*> Frames() const { return frame->MdiArea()->subWindowList(); }
    QString File(const std::string& name) const { return QString::fromStdString(files / name); }

    FakePrompts prompts;  // first: it also makes the QApplication
    testsupport::TempDir settingsDir;
    testsupport::TempDir files;
    std::unique_ptr<CKarvexApp> app;
    CMainFrame* frame = nullptr;
};
