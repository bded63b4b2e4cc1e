#include "job/WorkerThreads.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>

WorkerThreads::WorkerThreads(int count)
{
    for (int i = 0; i < std::max(1, count); ++i)
        threads_.emplace_back([this] { work(); });
}

WorkerThreads::~WorkerThreads()
{
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
        tasks_.clear();
    }
    posted_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void WorkerThreads::post(std::function<void()> task)
{
    {
        const std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    posted_.notify_one();
}

void WorkerThreads::work()
{
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            posted_.wait(lock, [this] { return ending_ || !tasks_.empty(); });
            if (tasks_.empty())
                return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

namespace {

const QEvent::Type WakeEvent = QEvent::Type(QEvent::registerEventType());

// The wake-up event is made on a worker and deleted on the waker's thread;
// Qt's queue between them is invisible to ThreadSanitizer unless Qt is
// built with it, so the hand-off is told to it here.
#if defined(__SANITIZE_THREAD__)
#define SEALMARK_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define SEALMARK_TSAN 1
#endif
#endif
#ifdef SEALMARK_TSAN
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
void handingOver(void* object)
{
    __tsan_release(object);
}
void takingOver(void* object)
{
    __tsan_acquire(object);
}
#else
void handingOver(void*) {}
void takingOver(void*) {}
#endif

}  // namespace

Waker::Waker(std::function<void()> onWake)
    : onWake_(std::move(onWake))
{}

void Waker::wake()
{
    // Qt's post queue has a lock of its own, which ThreadSanitizer cannot
    // see in a Qt not built for it; ours orders the threads that post.
    static std::mutex posting;
    auto* event = new QEvent(WakeEvent);
    handingOver(event);
    const std::lock_guard lock(posting);
    QCoreApplication::postEvent(this, event);
}

bool Waker::event(QEvent* event)
{
    takingOver(event);
    if (event->type() != WakeEvent)
        return QObject::event(event);
    onWake_();
    return true;
}
