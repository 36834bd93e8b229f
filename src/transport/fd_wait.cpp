#include "transport/fd_wait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

namespace kyv {
namespace {
// Longest single poll(): how soon a stop request is noticed during a long wait.
constexpr int kSliceMs = 50;
} // namespace

FdReady waitForFd(int fd, short events, const Deadline& deadline)
{
    for (;;) {
        if (stopRequested())
            return FdReady::Stopped;
        int left = deadline.remainingPollMs();
        pollfd entry{fd, events, 0};
        int rc = ::poll(&entry, 1, std::min(left, kSliceMs));
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            return FdReady::HungUp;
        }
        if (rc > 0) {
            if (entry.revents & events)
                return FdReady::Ready;
            return FdReady::HungUp;
        }
        if (deadline.expired())
            return FdReady::TimedOut;
    }
}

} // namespace kyv
