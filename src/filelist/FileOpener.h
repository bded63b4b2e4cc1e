#pragma once

#include "job/PdfLibrary.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <QStringList>

// What opening a file for the list found.
struct OpenedFile
{
    bool opened = false;
    int errorCode = 0;    // PdfLibrary's code when it did not open
    PdfLibrary::PagesFault pagesFault = PdfLibrary::PagesFault::None;
    int pages = 0;        // CountPages, also after a failed open
    int features = 0;     // DocumentFeatures of an opened file
};

// Opens files for the list off the user-interface thread, each with a
// PdfLibrary of its own, so that a file that takes seconds to open does not
// freeze the window: the window's events run while a result is awaited.
// A batch is opened a little ahead of the file the list asks for, on the
// cores the window does not need.
class FileOpener
{
public:
    // Opens the files of a batch without a password, in order, ahead of take().
    explicit FileOpener(QStringList paths);

    // What opening paths[index] without a password found. Indexes are asked
    // for in increasing order.
    OpenedFile take(int index);

    // Opens one file with `password` now.
    static OpenedFile open(const QString& path, const QString& password);

private:
    QStringList paths_;
    QList<QFuture<OpenedFile>> started_;
};
