#pragma once

#include "job/OpenedInput.h"
#include "job/WorkerThreads.h"

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

class QEventLoop;

// Opens files for the list off the user-interface thread, each with a
// PdfLibrary of its own, so that a file that takes seconds to open does not
// freeze the window: the window's events run while a result is awaited.
// A batch is opened a little ahead of the file the list asks for, on the
// cores the window does not need. Going away, it waits for the files being
// opened at that moment, not for the rest.
class FileOpener
{
public:
    // Opens the files of a batch with `password` ("" for none), in order,
    // ahead of take().
    explicit FileOpener(QStringList paths, QString password = {});
    ~FileOpener();
    FileOpener(const FileOpener&) = delete;
    FileOpener& operator=(const FileOpener&) = delete;

    // What opening paths[index] found. Indexes are asked for in increasing
    // order, one take() at a time; takes of other openers may nest in the
    // events it runs.
    OpenedInput take(int index);

    // Opens one file with `password` now.
    static OpenedInput open(const QString& path, const QString& password);

private:
    QStringList paths_;
    QString password_;
    int started_ = 0;
    std::mutex mutex_;
    std::condition_variable opened_;
    std::vector<std::optional<OpenedInput>> results_;  // under mutex_
    // The loop of the take() waiting, which a wake-up ends to look whether
    // its file is in.
    QEventLoop* waiting_ = nullptr;
    int wakeUps_ = 0;
    Waker waker_;
    WorkerThreads workers_;  // last: joined before the rest goes
};
