#pragma once

#include <QObject>

#include <atomic>
#include <functional>

class QSocketNotifier;

// Ctrl+C (SIGINT) and SIGTERM while it exists: the signal handler only sets
// a flag and writes a byte to a pipe, the two things it may safely do; the
// pipe wakes the event loop, which then calls `onStop` on the thread that
// made the StopSignal. The signals' earlier handling comes back afterwards.
// On Windows Ctrl+C and Ctrl+Break are console control events, handled on
// a thread of their own; the event loop looks for the flag they set.
class StopSignal : public QObject
{
public:
    explicit StopSignal(std::function<void()> onStop = {});
    ~StopSignal() override;
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    void setOnStop(std::function<void()> onStop) { onStop_ = std::move(onStop); }

    // True once a signal came; safe from any thread.
    static bool requested() { return requested_.load(); }

private:
    static void handle(int signal);

    static std::atomic<bool> requested_;
    std::function<void()> onStop_;
    QSocketNotifier* notifier_ = nullptr;
};
