#pragma once
// The parallel port (LPT1, whatever name the caller gives): writes and reads with the
// port's pacing; a read succeeds only with every byte asked for.

#include "transport/lines/line.h"
#include "transport/parallel_port.h"

namespace kyv {

class ParallelLine final : public Line {
public:
    int open(const std::string& name, const PortResolver& resolve) override;
    int handle() const override { return port_.isOpen() ? port_.fd() : -1; }
    const std::string& devicePath() const override { return devicePath_; }
    int write(const uint8_t* buffer, size_t length, const PortTimeouts& timeouts) override;
    // The parallel port has no attempts of its own: one paced write.
    int writeRetry(const uint8_t* buffer, size_t length, const PortTimeouts& timeouts) override
    {
        return write(buffer, length, timeouts);
    }
    int read(uint8_t* buffer, size_t length, const PortTimeouts& timeouts, size_t& got) override;
    void purgeInput() override { port_.purgeInput(); }
    void close() override { port_.close(); }
    bool dropped() const override { return dropped_; }
    int busy() const override { return port_.busy(); }

private:
    ParallelPort port_;
    std::string devicePath_;
    bool dropped_ = false;
};

} // namespace kyv
