#pragma once
// The "IBM USB" kind: a USB report device on the IBM page whose answers are feature
// reports that may not be ready at once. A read tries up to 100 reports, 150 ms apart, for
// one that holds at least the bytes asked for (and no more than a report can carry). The
// device is the port handle; there is no second attempt at a write on this kind.

#include "core/clock.h"
#include "transport/lines/report_line.h"

namespace kyv {

class IbmUsbLine final : public ReportLine {
public:
    static constexpr int kReadAttempts = 100;
    static constexpr ProtocolMs kReadPause{150};
    static constexpr size_t kLongestReply = 1020;

    int handle() const override { return link_ ? link_->handle() : -1; }
    int read(uint8_t* buffer, size_t length, const PortTimeouts& timeouts, size_t& got) override;
};

} // namespace kyv
