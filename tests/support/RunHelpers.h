#pragma once

#include "platform/Desktop.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

// What tests of the batch run share.
namespace RunHelpers {

// A message box as one line: title, icon, buttons and text.
QString message(const QString& title, Desktop::Icon icon, Desktop::Buttons buttons,
                const QString& text);

// The end-of-run summary for `saved` files, as message() writes it.
QString summary(int saved);

// The failure message of one row, as message() writes it.
QString encryptFailure(const QString& path, int code);

// Calls `tick` once on every pass of the event loop until it returns false:
// a run yields to it before its first row, while each row is encrypted and
// after each row. A posted call is delivered on the next pass whatever its
// priority; a zero timer may wait while other events are pending.
class Ticker final : public QObject
{
public:
    explicit Ticker(std::function<bool()> tick);
    int count() const { return count_; }

private:
    void post();

    std::function<bool()> tick_;
    int count_ = 0;
};

} // namespace RunHelpers
