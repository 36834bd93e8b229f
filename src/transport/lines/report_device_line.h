#pragma once
// The "USB" kind: a USB report device on the printers' vendor page. A read is one feature
// report with at least one byte; writes may be repeated as they are.

#include "transport/lines/report_line.h"

namespace kyv {

class ReportDeviceLine final : public ReportLine {
public:
    int handle() const override { return -1; } // the port handle stays invalid on this kind
    int writeRetry(const uint8_t* buffer, size_t length, const PortTimeouts& timeouts) override
    {
        return write(buffer, length, timeouts);
    }
    int read(uint8_t* buffer, size_t length, const PortTimeouts& timeouts, size_t& got) override;
};

} // namespace kyv
