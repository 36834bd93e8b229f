#include "transport/lines/serial_line.h"

#include <cerrno>

namespace kyv {

int SerialLine::open(const std::string& name, const PortResolver& resolve)
{
    if (port_.isOpen())
        return 0;
    devicePath_ = resolve(name);
    if (devicePath_.empty())
        return ENOENT;
    if (int error = port_.open(devicePath_))
        return error;
    dropped_ = false;
    return 0;
}

int SerialLine::write(const uint8_t* buffer, size_t length, const PortTimeouts& timeouts)
{
    if (!port_.isOpen())
        return 0;
    Transfer sent = port_.write(buffer, length, timeouts.writeLimit(length));
    dropped_ = sent.dropped;
    return sent.bytes == length && !sent.dropped ? 1 : 0;
}

int SerialLine::writeRetry(const uint8_t* buffer, size_t length, const PortTimeouts& timeouts)
{
    if (!port_.isOpen())
        return 0;
    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
        if (write(buffer, length, timeouts))
            return 1;
        if (dropped_)
            return 0; // a vanished line does not come back by writing again
    }
    return 0;
}

int SerialLine::read(uint8_t* buffer, size_t length, const PortTimeouts& timeouts, size_t& got)
{
    Transfer came = port_.read(buffer, length, timeouts.firstByteWait());
    dropped_ = came.dropped;
    got = came.bytes;
    return came.bytes >= 1 ? 1 : 0;
}

} // namespace kyv
