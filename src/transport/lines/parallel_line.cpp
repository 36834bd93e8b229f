#include "transport/lines/parallel_line.h"

namespace kyv {

int ParallelLine::open(const std::string& /*name*/, const PortResolver& resolve)
{
    // There is one parallel port, whatever the caller calls it.
    devicePath_ = resolve("LPT1");
    dropped_ = false;
    return port_.open(devicePath_);
}

int ParallelLine::write(const uint8_t* buffer, size_t length, const PortTimeouts& /*timeouts*/)
{
    if (!port_.isOpen())
        return 0;
    Transfer sent = port_.write(buffer, length);
    dropped_ = sent.dropped;
    return sent.bytes == length && !sent.dropped ? 1 : 0;
}

int ParallelLine::read(uint8_t* buffer, size_t length, const PortTimeouts& /*timeouts*/, size_t& got)
{
    Transfer came = port_.read(buffer, length);
    dropped_ = came.dropped;
    got = came.bytes;
    return came.bytes == length && length > 0 ? 1 : 0;
}

} // namespace kyv
