#pragma once
// Waits until a descriptor is ready, bounded by a protocol deadline and ended early by a
// stop request. Never spins: one poll() per slice of real time.

#include "core/clock.h"

namespace kyv {

enum class FdReady {
    Ready,    // the requested direction is ready
    TimedOut, // the deadline passed first
    HungUp,   // the other end is gone (POLLHUP, POLLERR, POLLNVAL)
    Stopped,  // a stop was requested while waiting
};

// events: POLLIN or POLLOUT.
FdReady waitForFd(int fd, short events, const Deadline& deadline);

} // namespace kyv
