#pragma once
// RS232 line (COM names): one blocking write of the whole buffer under the write time-out,
// up to three on writeRetry; a read succeeds with at least one byte.

#include "transport/lines/line.h"
#include "transport/serial_port.h"

namespace kyv {

class SerialLine final : public Line {
public:
    int open(const std::string& name, const PortResolver& resolve) override;
    int handle() const override { return port_.isOpen() ? port_.fd() : -1; }
    const std::string& devicePath() const override { return devicePath_; }
    int write(const uint8_t* buffer, size_t length, const PortTimeouts& timeouts) override;
    int writeRetry(const uint8_t* buffer, size_t length, const PortTimeouts& timeouts) override;
    int read(uint8_t* buffer, size_t length, const PortTimeouts& timeouts, size_t& got) override;
    void purgeInput() override { port_.purgeInput(); }
    void close() override { port_.close(); }
    bool dropped() const override { return dropped_; }
    bool timedReads() const override { return true; }
    bool configure(const LineSettings& settings) override { return port_.configure(settings); }
    bool currentSettings(LineSettings& settings) const override { return port_.currentSettings(settings); }

private:
    static constexpr int kWriteAttempts = 3;

    SerialPort port_;
    std::string devicePath_;
    bool dropped_ = false;
};

} // namespace kyv
