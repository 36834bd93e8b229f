#include "sim/lib/session/stop_signal.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>

namespace kyv::sim {

bool StopSignal::open()
{
    fd_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!fd_.valid()) {
        error_ = std::string("cannot make an event descriptor: ") + std::strerror(errno);
        return false;
    }
    return true;
}

void StopSignal::raise()
{
    uint64_t one = 1;
    if (::write(fd_.get(), &one, sizeof one) < 0) {
        // An eventfd write fails only when the counter would overflow: it is raised already.
    }
}

bool StopSignal::waitFor(ProtocolMs time) const
{
    Deadline deadline(time);
    while (!deadline.expired()) {
        pollfd probe{fd_.get(), POLLIN, 0};
        if (::poll(&probe, 1, deadline.remainingPollMs()) > 0)
            return false;
    }
    return true;
}

} // namespace kyv::sim
