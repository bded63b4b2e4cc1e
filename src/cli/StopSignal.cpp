#include "cli/StopSignal.h"

#include <QSocketNotifier>
#include <QTimer>

#include <csignal>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

std::atomic<bool> StopSignal::requested_{false};

namespace {

static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

#ifdef Q_OS_UNIX
int wakeFds[2] = {-1, -1};
struct sigaction previous[2];
const int Signals[2] = {SIGINT, SIGTERM};
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
    std::signal(SIGINT, &StopSignal::handle);
    // Without a pipe to wake it, the event loop looks for the flag.
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] {
        if (requested_ && onStop_)
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
#endif
}
