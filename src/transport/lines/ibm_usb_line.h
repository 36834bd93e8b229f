#pragma once
// The "IBM USB" kind: a USB report device on the IBM page whose answers are feature
// reports that may not be ready at once. A write is one output report; a read tries up to
// 100 reports, 150 ms apart, for one that holds at least the bytes asked for (and no more
// than a report can carry). There is no second attempt at a write on this kind.

#include "core/clock.h"
#include "transport/lines/line.h"

namespace kyv {

class IbmUsbLine final : public Line {
public:
    static constexpr int kReadAttempts = 100;
    static constexpr ProtocolMs kReadPause{150};
    static constexpr size_t kLongestReply = 1020;

    // The USB search finds the device; none found is no failure of the open.
    int open(const std::string& /*name*/, const PortResolver& /*resolve*/) override { return 0; }
    int handle() const override { return link_ ? link_->handle() : -1; }
    const std::string& devicePath() const override { return devicePath_; }
    int write(const uint8_t* buffer, size_t length, const PortTimeouts& timeouts) override;
    int read(uint8_t* buffer, size_t length, const PortTimeouts& timeouts, size_t& got) override;
    void close() override { link_.reset(); }
    bool attachReport(std::unique_ptr<ReportLink> link) override;
    bool hasReport() const override { return link_ != nullptr; }

private:
    std::unique_ptr<ReportLink> link_;
    std::string devicePath_;
};

} // namespace kyv
