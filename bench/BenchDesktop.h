#pragma once

#include "platform/Desktop.h"

#include <functional>

// The Desktop of the benchmarks: the only prompt expected is a run's
// summary, which is kept and answered No; every other prompt is counted.
class BenchDesktop final : public Desktop
{
public:
    QString summary;
    int otherPrompts = 0;
    std::function<void()> onSummary;

    Answer messageBox(const QString& text, const QString&, Icon icon, Buttons) override
    {
        if (icon == Icon::Question) {
            summary = text;
            if (onSummary)
                onSummary();
            return Answer::No;
        }
        ++otherPrompts;
        return Answer::Ok;
    }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override
    {
        ++otherPrompts;
        return std::nullopt;
    }
    QStringList openFileNames(const QString&, const QString&) override
    {
        ++otherPrompts;
        return {};
    }
    QString chooseFolder(const QString&, const QString&) override
    {
        ++otherPrompts;
        return {};
    }
    void openFolder(const QString&) override {}
    void openHelp(const QString&) override {}
};
