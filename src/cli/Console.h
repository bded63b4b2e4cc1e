#pragma once

#include <QString>

// Standard output and standard error of sealmark-cli, in UTF-8. A status
// line (the progress bar) may stand at the bottom of standard error: every
// message clears it first and draws it again after.
class Console
{
public:
    Console();

    void out(const QString& text);
    // "sealmark-cli: <message>" on a line of its own.
    void error(const QString& message);
    // An error in how the program was called, with the pointer to --help.
    void usageError(const QString& message);

    // True when standard error is a terminal, where a status line can be redrawn.
    bool errorIsTerminal() const { return errorIsTerminal_; }
    // Replaces the status line; "" removes it.
    void setStatus(const QString& line);

private:
    void writeError(const QString& text);

    QString status_;
    bool errorIsTerminal_ = false;
};
