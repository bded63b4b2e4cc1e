#include "FakeDesktop.h"

template <typename T>
std::optional<T> FakeDesktop::take(const QString& what)
{
    if (!answers_.empty() && std::holds_alternative<T>(answers_.front())) {
        T answer = std::get<T>(answers_.front());
        answers_.pop_front();
        return answer;
    }
    unexpected << what;
    return std::nullopt;
}

QList<FakeDesktop::Call> FakeDesktop::callsOf(Kind kind) const
{
    QList<Call> result;
    for (const Call& call : calls)
        if (call.kind == kind)
            result << call;
    return result;
}

void FakeDesktop::reset()
{
    onInput = {};
    onMessage = {};
    calls.clear();
    unexpected.clear();
    answers_.clear();
}

QString FakeDesktop::problems() const
{
    QStringList problems;
    for (const QString& what : unexpected)
        problems << QStringLiteral("unexpected prompt: ") + what;
    if (!answers_.empty())
        problems << QStringLiteral("%1 scripted answer(s) left unused").arg(answers_.size());
    return problems.join(QLatin1Char('\n'));
}

Desktop::Answer FakeDesktop::messageBox(const QString& text, const QString& title, Icon icon,
                                        Buttons buttons)
{
    calls << Call{Kind::Message, text, title, icon, buttons, {}, {}, {}};
    if (onMessage && (answers_.empty() || !std::holds_alternative<Answer>(answers_.front())))
        return onMessage(calls.last());
    const auto answer = take<Answer>(QStringLiteral("message box \"%1\"").arg(text));
    if (answer)
        return *answer;
    return buttons == Buttons::YesNo         ? Answer::No
           : buttons == Buttons::YesNoCancel ? Answer::Cancel
                                             : Answer::Ok;
}

std::optional<QString> FakeDesktop::inputBox(const QString& prompt, const QString& title,
                                             const QString& defaultText)
{
    calls << Call{Kind::Input, prompt, title, Icon::Information, Buttons::Ok, defaultText, {}, {}};
    if (onInput && (answers_.empty() || !std::holds_alternative<InputAnswer>(answers_.front())))
        return onInput(prompt);
    const auto answer = take<InputAnswer>(QStringLiteral("input box \"%1\"").arg(prompt));
    if (!answer || answer->cancelled)
        return std::nullopt;
    return answer->text;
}

QStringList FakeDesktop::openFileNames(const QString& startFolder, const QString& filter)
{
    calls << Call{Kind::OpenFiles, {}, {}, Icon::Information, Buttons::Ok, {}, startFolder, filter};
    const auto answer = take<FilesAnswer>(QStringLiteral("open-file dialog"));
    return answer ? answer->files : QStringList();
}

QString FakeDesktop::chooseFolder(const QString& title, const QString& startFolder)
{
    calls << Call{Kind::ChooseFolder, {}, title,       Icon::Information,
                  Buttons::Ok,        {}, startFolder, {}};
    const auto answer = take<FolderAnswer>(QStringLiteral("folder chooser \"%1\"").arg(title));
    return answer ? answer->folder : QString();
}

void FakeDesktop::openFolder(const QString& folder)
{
    calls << Call{Kind::OpenFolder, folder, {}, Icon::Information, Buttons::Ok, {}, {}, {}};
}

void FakeDesktop::openHelp(const QString& helpFile)
{
    calls << Call{Kind::OpenHelp, helpFile, {}, Icon::Information, Buttons::Ok, {}, {}, {}};
}
