#pragma once

#include "platform/Desktop.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <variant>

// A scripted Desktop for tests. Each prompt the code under test makes is
// recorded in `calls` and answered from the queue of scripted answers; a
// prompt without a matching scripted answer is an unexpected prompt. A test
// fixture calls verify() in cleanup(): it fails on unexpected prompts and on
// answers left over.
class FakeDesktop final : public Desktop
{
public:
    enum class Kind { Message, Input, OpenFiles, ChooseFolder, OpenFolder, OpenHelp };

    struct Call
    {
        Kind kind;
        QString text;      // message text, input prompt, or the path opened
        QString title;     // message, input or folder-chooser title
        Icon icon = Icon::Information;
        Buttons buttons = Buttons::Ok;
        QString defaultText;  // input box default
        QString startFolder;  // file dialog / folder chooser start
        QString filter;       // file dialog filter
    };

    // Scripted answers, consumed in order by the matching kind of prompt.
    void answerMessage(Answer answer = Answer::Ok) { answers_.push_back(answer); }
    void answerInput(std::optional<QString> text)
    {
        answers_.push_back(InputAnswer{text.value_or(QString()), !text.has_value()});
    }
    void answerOpenFiles(QStringList files) { answers_.push_back(FilesAnswer{std::move(files)}); }
    void answerChooseFolder(QString folder) { answers_.push_back(FolderAnswer{std::move(folder)}); }

    // Answer the input and message prompts that no queued answer is left
    // for, when set: a test that cannot know the order of its prompts
    // decides each one as it comes (and may run events meanwhile, as a real
    // modal prompt does).
    std::function<std::optional<QString>(const QString& prompt)> onInput;
    std::function<Answer(const Call& call)> onMessage;

    QList<Call> calls;
    QStringList unexpected;   // descriptions of prompts nobody scripted

    // Calls of one kind, in order.
    QList<Call> callsOf(Kind kind) const;
    // Clears the record and the scripted answers.
    void reset();
    // Empty when every scripted answer was used and no prompt came unscripted;
    // otherwise what went wrong.
    QString problems() const;

    Answer messageBox(const QString& text, const QString& title, Icon icon,
                      Buttons buttons) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) override;
    QStringList openFileNames(const QString& startFolder, const QString& filter) override;
    QString chooseFolder(const QString& title, const QString& startFolder) override;
    void openFolder(const QString& folder) override;
    void openHelp(const QString& helpFile) override;

private:
    struct InputAnswer { QString text; bool cancelled; };
    struct FilesAnswer { QStringList files; };
    struct FolderAnswer { QString folder; };
    using AnswerVariant = std::variant<Answer, InputAnswer, FilesAnswer, FolderAnswer>;

    template <typename T> std::optional<T> take(const QString& what);

    std::deque<AnswerVariant> answers_;
};

// Verifies the fake in a Qt Test cleanup(): QVERIFY2 with the problems found.
#define VERIFY_DESKTOP(fake)                                                   \
    do {                                                                       \
        const QString desktopProblems = (fake).problems();                     \
        QVERIFY2(desktopProblems.isEmpty(), qPrintable(desktopProblems));      \
    } while (false)
