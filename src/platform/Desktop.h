#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Every modal prompt, dialog and shell call of the program goes through this
// interface: the program uses QtDesktop, tests a scripted fake that answers
// each call and records exactly what was asked.
class Desktop
{
public:
    enum class Icon { Information, Critical, Question, Warning };
    enum class Buttons { Ok, YesNo, YesNoCancel };
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~Desktop() = default;

    // A modal message box; returns the button pressed (closing a Yes/No box
    // any other way answers No, a Yes/No/Cancel box Cancel).
    virtual Answer messageBox(const QString& text, const QString& title, Icon icon,
                              Buttons buttons) = 0;

    // A modal one-line input box with OK and Cancel; nullopt on Cancel.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText) = 0;

    // The open-file dialog, several files selectable, starting in
    // startFolder ("" for the dialog's own default); the chosen files' full
    // paths in the dialog's order, empty when cancelled.
    virtual QStringList openFileNames(const QString& startFolder, const QString& filter) = 0;

    // The folder chooser with the given title, opening at startFolder;
    // the chosen folder's absolute path, "" when cancelled.
    virtual QString chooseFolder(const QString& title, const QString& startFolder) = 0;

    // Opens a folder in the desktop's file manager.
    virtual void openFolder(const QString& folder) = 0;

    // Opens the help file with the desktop's default handler.
    virtual void openHelp(const QString& helpFile) = 0;
};
