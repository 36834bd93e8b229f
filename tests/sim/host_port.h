#pragma once
// The host's end of the line in the simulator tests: opens the pty slave like a serial
// port (raw, a given speed and stop bits), purges input before each write as the real
// host does, and reads with a time-out on the project clock.

#include "core/clock.h"
#include "support/scratch_dir.h"
#include "sim/lib/transcript.h"
#include "core/unique_fd.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <poll.h>
#include <string>
#include <termios.h>

namespace kyv::sim::test {

class HostPort {
public:
    bool open(const std::string& path, speed_t speed = B115200, int stopBits = 1)
    {
        fd_.reset(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        if (!fd_.valid())
            return false;
        termios settings{};
        if (::tcgetattr(fd_.get(), &settings) != 0)
            return false;
        ::cfmakeraw(&settings);
        ::cfsetspeed(&settings, speed);
        if (stopBits == 2)
            settings.c_cflag |= CSTOPB;
        else
            settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
        hungUp_ = false;
        return ::tcsetattr(fd_.get(), TCSANOW, &settings) == 0;
    }
    void close() { fd_.reset(); }

    bool write(const Bytes& bytes)
    {
        ::tcflush(fd_.get(), TCIFLUSH);
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::write(fd_.get(), bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else if (n < 0 && errno == EAGAIN) {
                pollfd room{fd_.get(), POLLOUT, 0};
                ::poll(&room, 1, 1000);
            } else {
                return false;
            }
        }
        return true;
    }

    // Reads until `count` bytes came or the time-out passed; stops early on a hang-up.
    Bytes read(size_t count, ProtocolMs timeout)
    {
        Bytes got;
        Deadline deadline(timeout);
        while (got.size() < count && !deadline.expired()) {
            pollfd ready{fd_.get(), POLLIN, 0};
            if (::poll(&ready, 1, deadline.remainingPollMs()) <= 0)
                continue;
            uint8_t buffer[4096];
            ssize_t n = ::read(fd_.get(), buffer, std::min(sizeof buffer, count - got.size()));
            if (n > 0) {
                got.insert(got.end(), buffer, buffer + n);
            } else if (n == 0 || errno != EAGAIN) {
                hungUp_ = true;
                break;
            }
        }
        return got;
    }

    // Writes a command and reads the reply the host expects to it.
    Bytes ask(const Bytes& command, size_t replyLength, ProtocolMs timeout = ProtocolMs(200000))
    {
        if (!write(command))
            return {};
        return read(replyLength, timeout);
    }

    bool hungUp() const { return hungUp_; }

private:
    UniqueFd fd_;
    bool hungUp_ = false;
};

// Waits, in steps of the project clock, until the condition holds.
inline bool eventually(const std::function<bool()>& condition, ProtocolMs timeout = ProtocolMs(500000))
{
    Deadline deadline(timeout);
    while (!condition()) {
        if (deadline.expired())
            return false;
        sleepFor(ProtocolMs(100));
    }
    return true;
}

using kyv::test::ScratchDir;

} // namespace kyv::sim::test
