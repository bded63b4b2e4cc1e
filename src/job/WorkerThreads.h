#pragma once

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Threads of our own for work handed off the calling thread. What a task
// needs and what it finds cross between threads through std::thread and
// std::mutex, which ThreadSanitizer sees also where Qt is not built for it;
// Qt only carries the wake-up (Waker), which holds no data.
class WorkerThreads
{
public:
    explicit WorkerThreads(int count);
    // Tasks not yet started are dropped; those running finish, then the
    // threads end.
    ~WorkerThreads();
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;

    // Runs `task` on the first thread free, tasks in the order posted.
    void post(std::function<void()> task);

private:
    void work();

    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
    bool ending_ = false;
    std::vector<std::thread> threads_;
};

// Calls `onWake` on the thread it was made on, from that thread's event
// loop, once for every wake() called on any thread. Lives on one thread;
// wake-ups still pending when it is destroyed are dropped.
class Waker final : public QObject
{
public:
    explicit Waker(std::function<void()> onWake);
    void wake();

protected:
    bool event(QEvent* event) override;

private:
    std::function<void()> onWake_;
};
