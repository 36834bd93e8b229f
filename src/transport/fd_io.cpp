#include "transport/fd_io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace kyv {
namespace {

// Longest single poll(): how soon a stop request is noticed during a long wait.
constexpr int kSliceMs = 50;

bool lineGone(int error) { return error == EIO || error == ENXIO || error == ENODEV || error == EPIPE; }

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
        if (rc > 0)
            return (entry.revents & events) ? FdReady::Ready : FdReady::HungUp;
        if (deadline.expired())
            return FdReady::TimedOut;
    }
}

int openLocked(const std::string& devicePath, UniqueFd& fd)
{
    int raw;
    do {
        raw = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    } while (raw < 0 && errno == EINTR);
    if (raw < 0)
        return errno;
    UniqueFd owned(raw);
    if (::flock(raw, LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK ? EBUSY : errno;
    fd = std::move(owned);
    return 0;
}

Transfer writeWithin(int fd, const uint8_t* buffer, size_t length, const Deadline& deadline)
{
    Transfer result;
    while (result.bytes < length) {
        ssize_t n = ::write(fd, buffer + result.bytes, length - result.bytes);
        if (n > 0) {
            result.bytes += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            result.dropped = lineGone(errno);
            return result;
        }
        switch (waitForFd(fd, POLLOUT, deadline)) {
        case FdReady::Ready: break;
        case FdReady::HungUp: result.dropped = true; return result;
        case FdReady::TimedOut:
        case FdReady::Stopped: return result;
        }
    }
    return result;
}

Transfer readWithin(int fd, uint8_t* buffer, size_t length, const Deadline& deadline)
{
    Transfer result;
    if (length == 0)
        return result;
    bool hungUp = false;
    for (;;) {
        ssize_t n = ::read(fd, buffer, length);
        if (n > 0) {
            result.bytes = static_cast<size_t>(n);
            return result;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno != EAGAIN || hungUp) {
            // End of file, an I/O error, or nothing after a hang-up: the line is gone.
            result.dropped = true;
            return result;
        }
        switch (waitForFd(fd, POLLIN, deadline)) {
        case FdReady::Ready: break;
        case FdReady::HungUp: hungUp = true; break;
        case FdReady::TimedOut:
        case FdReady::Stopped: return result;
        }
    }
}

} // namespace kyv
