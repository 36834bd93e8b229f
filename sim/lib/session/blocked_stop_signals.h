#pragma once
// The signals that stop a printer-sim program (SIGINT, SIGTERM, SIGHUP), blocked while it
// serves: threads started afterwards inherit the mask, so only wait() sees them. The
// previous mask comes back when the object goes.

#include <csignal>
#include <pthread.h>

namespace kyv::sim {

class BlockedStopSignals {
public:
    BlockedStopSignals()
    {
        sigemptyset(&signals_);
        sigaddset(&signals_, SIGINT);
        sigaddset(&signals_, SIGTERM);
        sigaddset(&signals_, SIGHUP);
        pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
    }
    ~BlockedStopSignals() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    BlockedStopSignals(const BlockedStopSignals&) = delete;
    BlockedStopSignals& operator=(const BlockedStopSignals&) = delete;

    // Until one of them arrives.
    void wait() const
    {
        int signal = 0;
        sigwait(&signals_, &signal);
    }

private:
    sigset_t signals_;
    sigset_t previous_;
};

} // namespace kyv::sim
