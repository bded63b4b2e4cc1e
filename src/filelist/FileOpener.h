#pragma once

#include "job/OpenedInput.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <QStringList>

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
    OpenedInput take(int index);

    // Opens one file with `password` now.
    static OpenedInput open(const QString& path, const QString& password);

private:
    QStringList paths_;
    QList<QFuture<OpenedInput>> started_;
};
