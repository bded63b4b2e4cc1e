#pragma once

#include <QString>

// What sealmark-cli exchanges with its terminal and environment: the one
// place where it differs between Windows and Linux.
//
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

// The value of an environment variable as UTF-8 bytes. Linux hands over the
// bytes as they were set; Windows keeps the environment as UTF-16, which
// the C runtime's narrow copy would squeeze into the ANSI code page.
QByteArray EnvironmentBytes(const QString& name);

// One line of standard input with its line end, at most; "" at its end.
// Typed at a terminal it is not shown, after `prompt` on standard error,
// and Ctrl+C meanwhile gives the terminal back first. What is typed at a
// Windows console arrives as UTF-8, whatever the console's code page.
QByteArray ReadInputLine(const char* prompt);
