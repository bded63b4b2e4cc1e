#include "filelist/FileOpener.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace {

QFuture<OpenedInput> startOpening(const QString& path, const QString& password)
{
    return QtConcurrent::run([path, password] {
        PdfLibrary pdf;
        return OpenInput(pdf, path, {password});
    });
}

// The window's events run until the future has its result.
OpenedInput await(const QFuture<OpenedInput>& future)
{
    if (!future.isFinished()) {
        QFutureWatcher<OpenedInput> watcher;
        QEventLoop loop;
        QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
        watcher.setFuture(future);
        if (!watcher.isFinished())
            loop.exec();
    }
    // The loop also ends when the application quits.
    return future.result();
}

// Files opened ahead at once: the cores the user-interface thread leaves.
int openAhead()
{
    return std::max(1, QThread::idealThreadCount() - 1);
}

}  // namespace

FileOpener::FileOpener(QStringList paths)
    : paths_(std::move(paths))
{}

OpenedInput FileOpener::take(int index)
{
    const qsizetype last = std::min<qsizetype>(paths_.size(), index + 1 + openAhead());
    for (qsizetype next = started_.size(); next < last; ++next)
        started_ << startOpening(paths_[next], QString());
    const OpenedInput file = await(started_[index]);
    started_[index] = {};
    return file;
}

OpenedInput FileOpener::open(const QString& path, const QString& password)
{
    return await(startOpening(path, password));
}
