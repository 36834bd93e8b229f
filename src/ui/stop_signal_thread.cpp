#include "ui/stop_signal_thread.h"

#include "core/clock.h"

namespace kyv {
namespace {

// SIGUSR2 only wakes the thread for its own end.
sigset_t waitedSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGUSR2);
    return set;
}

} // namespace

StopSignalThread::StopSignalThread(std::function<void(int)> onStop) : onStop_(std::move(onStop))
{
    sigset_t set = waitedSignals();
    pthread_sigmask(SIG_BLOCK, &set, &previousMask_);
    thread_ = std::thread([this] { run(); });
}

StopSignalThread::~StopSignalThread()
{
    quitting_ = true;
    pthread_kill(thread_.native_handle(), SIGUSR2);
    thread_.join();
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

void StopSignalThread::run()
{
    const sigset_t set = waitedSignals();
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0 || quitting_)
            return;
        if (signal == SIGUSR2)
            continue; // not ours to act on
        requestStop();
        if (onStop_)
            onStop_(signal);
    }
}

} // namespace kyv
