#pragma once
// Any kind the port does not open itself (a network job's): the printer is reached
// another way, so the port operations do nothing.
// Opening fails, writing fails, and a read succeeds without touching the buffer.

#include "transport/lines/line.h"

#include <cerrno>

namespace kyv {

class IdleLine final : public Line {
public:
    int open(const std::string& /*name*/, const PortResolver& /*resolve*/) override { return ENODEV; }
    int handle() const override { return -1; }
    const std::string& devicePath() const override { return devicePath_; }
    int write(const uint8_t* /*buffer*/, size_t /*length*/, const PortTimeouts& /*timeouts*/) override { return 0; }
    int read(uint8_t* /*buffer*/, size_t /*length*/, const PortTimeouts& /*timeouts*/, size_t& got) override
    {
        got = 0;
        return 1;
    }
    void close() override {}

private:
    std::string devicePath_;
};

} // namespace kyv
