#pragma once
// Bounded I/O on a device descriptor opened non-blocking: every wait is bounded by a
// protocol deadline and ended early by a stop request. Never spins: one poll() per slice
// of real time.

#include "core/clock.h"
#include "core/unique_fd.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kyv {

enum class FdReady {
    Ready,    // the requested direction is ready
    TimedOut, // the deadline passed first
    HungUp,   // the other end is gone (POLLHUP, POLLERR, POLLNVAL)
    Stopped,  // a stop was requested while waiting
};

// events: POLLIN or POLLOUT.
FdReady waitForFd(int fd, short events, const Deadline& deadline);

// Outcome of one read or write on a line.
struct Transfer {
    size_t bytes = 0;     // bytes moved
    bool dropped = false; // the line is gone (end of file, EIO, hang-up): fail at once
};

// Opens the device for reading and writing, non-blocking, close-on-exec, never as a
// controlling terminal, and locks it exclusively so no other program (even one running as
// root) can use it at the same time. Returns 0 or the errno of the failure (EBUSY when
// another holds it).
int openLocked(const std::string& devicePath, UniqueFd& fd);

// Writes the whole buffer unless the deadline passes first.
Transfer writeWithin(int fd, const uint8_t* buffer, size_t length, const Deadline& deadline);
// Returns at once with what has arrived, else waits until the deadline for the first
// byte and returns as soon as any came.
Transfer readWithin(int fd, uint8_t* buffer, size_t length, const Deadline& deadline);

} // namespace kyv
