// Everything the program asks of or tells the user, behind one interface so
// that tests can answer instead of a person.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

struct FileDialogRequest {
    QString caption;
    QString proposedName;    // initial file name (may include a folder)
    QStringList filters;     // "name (patterns)"; only the names are shown
    QString defaultSuffix;   // added when the user types a name without one
};

class IUserPrompts {
public:
    virtual ~IUserPrompts() = default;
    // A message box with only an OK button, an exclamation icon and the program's name as caption.
    virtual void Warning(const QString& text) = 0;
    // A save dialog that confirms before overwriting; the chosen path, or empty when cancelled.
    virtual QString SaveFileName(const FileDialogRequest& request) = 0;
    // An open dialog; the chosen path, or empty when cancelled.
    virtual QString OpenFileName(const FileDialogRequest& request) = 0;
    // The colour-count dialog showing current; the confirmed count, or nothing when cancelled.
    virtual std::optional<int> AskColorCount(int current) = 0;
};

// The real dialogs and message boxes.
class CQtUserPrompts : public IUserPrompts {
public:
    void Warning(const QString& text) override;
    QString SaveFileName(const FileDialogRequest& request) override;
    QString OpenFileName(const FileDialogRequest& request) override;
    std::optional<int> AskColorCount(int current) override;
};

// The prompts in use: the real ones unless a test installed its own.
IUserPrompts& Prompts();
// Installs prompts (nullptr restores the real ones); returns the previous ones.
IUserPrompts* SetPrompts(IUserPrompts* prompts);
