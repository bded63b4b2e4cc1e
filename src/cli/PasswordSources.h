#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Where passwords come from. Never from the command line: other users of the
// machine can read a process's arguments.

// Where one password is read from.
struct PasswordSource
{
    enum Kind { File, Environment, StandardInput };
    Kind kind = File;
    QString name;  // the file or the variable; "" for standard input
};

// A text read for a password, or why it could not be read. `error` never
// holds any of the text itself.
struct PasswordText
{
    QString text;
    QStringList lines;  // ReadPasswordLines only
    QString error;      // "" when read
};

// The lines of UTF-8 `bytes`, each exactly as it stands (spaces included)
// without its line end (LF or CR LF); a last line without a line end counts.
// Empty when the bytes are not UTF-8 (then *valid is false).
QStringList SplitLines(const QByteArray& bytes, bool* valid = nullptr);

// The password of `source`: a file's first line, a variable's whole value or
// one line of standard input (typed at a terminal, it is asked for as the
// owner password and not shown).
PasswordText ReadPassword(const PasswordSource& source);

// Every line of a file of passwords, in order.
PasswordText ReadPasswordLines(const QString& file);

// A whole UTF-8 text file (a passwords CSV); a leading byte order mark is
// dropped.
PasswordText ReadTextFile(const QString& file);

// The passwords to try, in order, on an input that may be protected: the
// lines of the file, then "" (no password) unless a line was empty. Without
// an open password a file then needs no line: the window opens such files
// without asking, too.
QStringList InputPasswordsToTry(const QStringList& fileLines);
