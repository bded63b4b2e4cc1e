#include "filelist/FileOpener.h"

#include <QEventLoop>
#include <QThread>

#include <algorithm>

namespace {

// Files opened ahead at once: the cores the user-interface thread leaves.
int openAhead()
{
    return std::max(1, QThread::idealThreadCount() - 1);
}

}  // namespace

FileOpener::FileOpener(QStringList paths, QString password)
    : paths_(std::move(paths))
    , password_(std::move(password))
    , results_(size_t(paths_.size()))
    , waker_([this] {
        ++wakeUps_;
        if (waiting_)
            waiting_->quit();
    })
    , workers_(std::min<int>(openAhead(), std::max<int>(1, int(paths_.size()))))
{}

FileOpener::~FileOpener() = default;

OpenedInput FileOpener::take(int index)
{
    const int last = std::min<int>(int(paths_.size()), index + 1 + openAhead());
    for (; started_ < last; ++started_)
        workers_.post([this, index = started_, path = paths_[started_], password = password_] {
            PdfLibrary pdf;
            OpenedInput opened = OpenInput(pdf, path, {password});
            {
                const std::lock_guard lock(mutex_);
                results_[size_t(index)] = std::move(opened);
            }
            opened_.notify_all();
            waker_.wake();
        });
    // The window's events run until the file has been opened. The loop also
    // ends when the application quits; the file is then waited for.
    for (;;) {
        std::unique_lock lock(mutex_);
        if (auto& result = results_[size_t(index)]) {
            OpenedInput file = std::move(*result);
            result.reset();
            return file;
        }
        lock.unlock();
        const int wakeUps = wakeUps_;
        QEventLoop loop;
        waiting_ = &loop;
        loop.exec();
        waiting_ = nullptr;
        if (wakeUps_ == wakeUps) {
            lock.lock();
            opened_.wait(lock, [&] { return results_[size_t(index)].has_value(); });
        }
    }
}

OpenedInput FileOpener::open(const QString& path, const QString& password)
{
    FileOpener one({path}, password);
    return one.take(0);
}
