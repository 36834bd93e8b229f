#pragma once
// The pseudo-terminal the printer listens on: the master side for the printer, the slave
// side for the host. The printer also keeps one descriptor of the slave open itself, so
// the line stays up while the host closes and reopens its port (it does after every mode
// switch); without it the master would report a hang-up after every close.

#include "core/unique_fd.h"
#include "sim/lib/session/host_link.h"

#include <string>

namespace kyv::sim {

class PtyLine {
public:
    // Opens a new pty in raw mode at the printer's speed and stop bits. False with
    // errorText() on failure.
    bool open(int baud, int stopBits);
    void close();
    bool isOpen() const { return master_.valid(); }

    int masterFd() const { return master_.get(); }
    const std::string& slavePath() const { return slavePath_; }
    const std::string& errorText() const { return error_; }
    // Line settings as the host set them on the slave.
    HostLine hostLine() const;

private:
    UniqueFd master_;
    UniqueFd slaveHold_;
    std::string slavePath_;
    std::string error_;
};

} // namespace kyv::sim
