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
// written unless the file opened and took the new security.
RowResult EncryptRow(PdfLibrary& pdf, const RunRow& row, const QString& output,
                     const EncryptionSettings& settings);

// Runs rows one at a time on a worker thread while the caller's event loop
// keeps running, so the window repaints and takes clicks during a long file.
class RowRunner
{
public:
    // Encrypts one row off the calling thread and returns once it is done;
    // events are processed meanwhile. Must not be called while a row is in
    // flight.
    RowResult run(PdfLibrary& pdf, const RunRow& row, const QString& output,
                  const EncryptionSettings& settings);

    // A row is being worked on.
    bool inFlight() const { return inFlight_; }

private:
    bool inFlight_ = false;
};
