#include "transport/parallel_port.h"

#include "transport/fd_io.h"

#include <linux/lp.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>


namespace kyv {

int ParallelPort::open(const std::string& devicePath)
{
    close();
    return openLocked(devicePath, fd_);
}

Transfer ParallelPort::write(const uint8_t* buffer, size_t length)
{
    if (!isOpen() || !sleepFor(kSettleBeforeWrite))
        return {};
    return writeWithin(fd_.get(), buffer, length, Deadline(kWriteLimit));
}

Transfer ParallelPort::read(uint8_t* buffer, size_t length)
{
    Transfer result;
    if (!isOpen() || !sleepFor(kSettleBeforeRead))
        return result;
    // One byte at a time, each within its own wait.
    while (result.bytes < length) {
        Transfer one = readWithin(fd_.get(), buffer + result.bytes, 1, Deadline(kByteWait));
        result.dropped = one.dropped;
        if (one.bytes == 0)
            return result;
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
