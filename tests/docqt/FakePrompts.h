// Test stand-ins for the user: message boxes and dialogs answered by the test.
#pragma once

#include "doc/qt/UserPrompts.h"

#include <QApplication>
#include <QStringList>

#include <deque>
#include <functional>
#include <ostream>
#include <vector>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

// One QApplication for the whole test program, never destroyed: at exit Qt's
// own statics (the test keyboard among them) may already be gone.
inline QApplication& TestApp()
{
    static int argc = 1;
    static char name[] = "karvex-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Records what the program shows and answers dialogs from queued replies
// (an empty reply, or none queued, cancels). Installed for its lifetime.
// Declared before any widget in a fixture, it also makes sure the QApplication exists.
class FakePrompts : public IUserPrompts {
public:
    FakePrompts() : m_previous(SetPrompts(this)) { TestApp(); }
    ~FakePrompts() override { SetPrompts(m_previous); }

    QStringList warnings;
    std::vector<FileDialogRequest> saveRequests;
    std::vector<FileDialogRequest> openRequests;
    std::deque<QString> saveReplies;
    std::deque<QString> openReplies;
    std::deque<std::optional<int>> colorReplies;
    std::vector<int> colorDialogShown;
    // Runs while a message is up (to look at the program behind it).
    std::function<void()> whileWarning;

    void Warning(const QString& text) override
    {
        warnings.append(text);
        if (whileWarning)
            whileWarning();
    }
    QString SaveFileName(const FileDialogRequest& request) override
    {
        saveRequests.push_back(request);
        return Next(saveReplies);
    }
    QString OpenFileName(const FileDialogRequest& request) override
    {
        openRequests.push_back(request);
        return Next(openReplies);
    }
    std::optional<int> AskColorCount(int current) override
    {
        colorDialogShown.push_back(current);
        if (colorReplies.empty())
            return std::nullopt;
        std::optional<int> reply = colorReplies.front();
        colorReplies.pop_front();
        return reply;
    }

private:
    static QString Next(std::deque<QString>& replies)
    {
        if (replies.empty())
            return {};
        QString reply = replies.front();
        replies.pop_front();
        return reply;
    }

    IUserPrompts* m_previous;
};
