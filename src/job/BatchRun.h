#pragma once

#include "job/EncryptionSettings.h"

#include <QString>

class PdfLibrary;

// One row of a run: the input and the password that opened it ("" for none).
struct RunRow
{
    QString path;
    QString password;
};

struct RowResult
{
    bool saved = false;
    int errorCode = 0;  // PdfLibrary's code when nothing was saved
};

// Opens the row's file, replaces its security with `settings` and saves it
// as `output`; the document is closed again whatever happens. Nothing is
// written unless the file opened and took the new security; a failing step
// ends the row and its code is the result's errorCode.
RowResult EncryptRow(PdfLibrary& pdf, const RunRow& row, const QString& output,
                     const EncryptionSettings& settings);

// Runs rows one at a time on a worker thread while the caller's event loop
// keeps running, so the window repaints and takes clicks during a long file.
class RowRunner
{
public:
    // Holds the runner for a whole run, from before its first row until
    // after its last: inFlight() stays true between rows as well, while the
    // run yields to the event loop and while a stopped run winds down, so
    // nothing can start another run or unload the window under it.
    class RunHold
    {
    public:
        explicit RunHold(RowRunner& runner) : runner_(runner) { runner_.held_ = true; }
        ~RunHold() { runner_.held_ = false; }
        RunHold(const RunHold&) = delete;
        RunHold& operator=(const RunHold&) = delete;

    private:
        RowRunner& runner_;
    };

    // Encrypts one row off the calling thread and returns once it is done;
    // events are processed meanwhile. The caller must not touch `pdf` until
    // it returns, and must not call it again from those events.
    RowResult run(PdfLibrary& pdf, const RunRow& row, const QString& output,
                  const EncryptionSettings& settings);

    // A run holds the runner or a row is being worked on.
    bool inFlight() const { return held_ || rowInFlight_; }

private:
    bool held_ = false;
    bool rowInFlight_ = false;
};
