#include "cli/StopSignal.h"

#include <QSocketNotifier>
#include <QTimer>

#include <csignal>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

std::atomic<bool> StopSignal::requested_{false};

namespace {

static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

#ifdef Q_OS_UNIX
int wakeFds[2] = {-1, -1};
struct sigaction previous[2];
const int Signals[2] = {SIGINT, SIGTERM};
#endif

#ifndef Q_OS_UNIX
// Set by each Ctrl+C, taken by the event loop: one onStop call per Ctrl+C.
std::atomic<bool> stopPending{false};
#endif

#ifdef Q_OS_WIN
void (*raiseStop)(int) = nullptr;

// Ctrl+C and Ctrl+Break are console control events, handled on a thread of
// their own; anything else (closing the console, logging off) keeps its
// default handling.
BOOL WINAPI onConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    raiseStop(SIGINT);
    return TRUE;
}
#endif

}  // namespace

StopSignal::StopSignal(std::function<void()> onStop)
    : onStop_(std::move(onStop))
{
    requested_ = false;
#ifdef Q_OS_UNIX
    if (pipe(wakeFds) == 0) {
        for (int fd : wakeFds) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
            fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
        notifier_ = new QSocketNotifier(wakeFds[0], QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] {
            char bytes[16];
            while (read(wakeFds[0], bytes, sizeof bytes) > 0) {
            }
            if (onStop_)
                onStop_();
        });
    }
    struct sigaction action = {};
    action.sa_handler = &StopSignal::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 2; ++i)
        sigaction(Signals[i], &action, &previous[i]);
#else
    stopPending = false;
#ifdef Q_OS_WIN
    raiseStop = &StopSignal::handle;
    SetConsoleCtrlHandler(&onConsoleControl, TRUE);
#else
    std::signal(SIGINT, &StopSignal::handle);
#endif
    // Without a pipe to wake it, the event loop looks for the flag.
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] {
        if (stopPending.exchange(false) && onStop_)
            onStop_();
    });
    timer->start(100);
#endif
}

StopSignal::~StopSignal()
{
#ifdef Q_OS_UNIX
    for (int i = 0; i < 2; ++i)
        sigaction(Signals[i], &previous[i], nullptr);
    delete notifier_;
    for (int& fd : wakeFds) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
#elif defined(Q_OS_WIN)
    SetConsoleCtrlHandler(&onConsoleControl, FALSE);
#else
    std::signal(SIGINT, SIG_DFL);
#endif
}

void StopSignal::handle(int)
{
    requested_ = true;
#ifdef Q_OS_UNIX
    const int savedErrno = errno;
    if (wakeFds[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = write(wakeFds[1], &byte, 1);
    }
    errno = savedErrno;
#else
    stopPending = true;
#endif
}
