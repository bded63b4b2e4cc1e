#include "filelist/FileOpener.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace {

OpenedFile openNow(const QString& path, const QString& password)
{
    PdfLibrary pdf;
    OpenedFile file;
    file.opened = pdf.OpenFile(path, password) == 1;
    file.errorCode = pdf.ErrorCode();
    file.pagesFault = pdf.LastPagesFault();
    file.pages = pdf.CountPages();
    if (file.opened)
        file.features = pdf.DocumentFeatures();
    pdf.CloseDocument(pdf.DocumentIdAt(1));
    return file;
}

QFuture<OpenedFile> startOpening(const QString& path, const QString& password)
{
    return QtConcurrent::run([path, password] { return openNow(path, password); });
}

// The window's events run until the future has its result.
OpenedFile await(const QFuture<OpenedFile>& future)
{
    if (!future.isFinished()) {
        QFutureWatcher<OpenedFile> watcher;
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

OpenedFile FileOpener::take(int index)
{
    const qsizetype last = std::min<qsizetype>(paths_.size(), index + 1 + openAhead());
    for (qsizetype next = started_.size(); next < last; ++next)
        started_ << startOpening(paths_[next], QString());
    const OpenedFile file = await(started_[index]);
    started_[index] = {};
    return file;
}

OpenedFile FileOpener::open(const QString& path, const QString& password)
{
    return await(startOpening(path, password));
}
