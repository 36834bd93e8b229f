#pragma once
// The "USB" kind: a USB report device on the printers' vendor page. Nothing is opened by
// name; the USB search attaches the device's report I/O once it found it. A write is one
// output report; a read is one feature report with at least one byte.

#include "transport/lines/line.h"

namespace kyv {

class ReportDeviceLine final : public Line {
public:
    int open(const std::string& /*name*/, const PortResolver& /*resolve*/) override { return 0; }
    int handle() const override { return -1; } // the port handle stays invalid on this kind
    const std::string& devicePath() const override { return devicePath_; }
    int write(const uint8_t* buffer, size_t length, const PortTimeouts& timeouts) override;
    int writeRetry(const uint8_t* buffer, size_t length, const PortTimeouts& timeouts) override
    {
        return write(buffer, length, timeouts);
    }
    int read(uint8_t* buffer, size_t length, const PortTimeouts& timeouts, size_t& got) override;
    void close() override { link_.reset(); }
    bool attachReport(std::unique_ptr<ReportLink> link) override;
    bool hasReport() const override { return link_ != nullptr; }

private:
    std::unique_ptr<ReportLink> link_;
    std::string devicePath_;
};

} // namespace kyv
