#include "transport/parallel_port.h"

#include "transport/fd_wait.h"

#include <fcntl.h>
#include <linux/lp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace kyv {

int ParallelPort::open(const std::string& devicePath)
{
    close();
    int fd;
    do {
        fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno;
    UniqueFd owned(fd);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK ? EBUSY : errno;
    fd_ = std::move(owned);
    return 0;
}

Transfer ParallelPort::write(const uint8_t* buffer, size_t length)
{
    Transfer result;
    if (!isOpen() || !sleepFor(kSettleBeforeWrite))
        return result;
    Deadline deadline(kWriteLimit);
    while (result.bytes < length) {
        ssize_t n = ::write(fd_.get(), buffer + result.bytes, length - result.bytes);
        if (n > 0) {
            result.bytes += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            result.dropped = errno == EIO || errno == ENODEV || errno == ENXIO;
            return result;
        }
        switch (waitForFd(fd_.get(), POLLOUT, deadline)) {
        case FdReady::Ready: break;
        case FdReady::HungUp: result.dropped = true; return result;
        case FdReady::TimedOut:
        case FdReady::Stopped: return result;
        }
    }
    return result;
}

Transfer ParallelPort::read(uint8_t* buffer, size_t length)
{
    Transfer result;
    if (!isOpen() || !sleepFor(kSettleBeforeRead))
        return result;
    while (result.bytes < length) {
        Deadline deadline(kByteWait);
        bool gotByte = false;
        while (!gotByte) {
            ssize_t n = ::read(fd_.get(), buffer + result.bytes, 1);
            if (n == 1) {
                gotByte = true;
                break;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0 || errno != EAGAIN) {
                result.dropped = true;
                return result;
            }
            FdReady ready = waitForFd(fd_.get(), POLLIN, deadline);
            if (ready == FdReady::HungUp) {
                result.dropped = true;
                return result;
            }
            if (ready != FdReady::Ready)
                return result;
        }
        ++result.bytes;
    }
    return result;
}

void ParallelPort::purgeInput()
{
    // The parallel driver keeps no receive queue of its own; a terminal standing in for
    // the port (tests) has one.
    if (isOpen())
        ::tcflush(fd_.get(), TCIFLUSH);
}

int ParallelPort::busy() const
{
    int status = 0;
    if (!isOpen() || ::ioctl(fd_.get(), LPGETSTATUS, &status) != 0)
        return -1;
    // The busy line is inverted in the status register: LP_PBUSY set means ready.
    return (status & LP_PBUSY) ? 0 : 1;
}

void ParallelPort::close() { fd_.reset(); }

} // namespace kyv
