#pragma once
// What the two USB report kinds share: the report I/O the USB search attached (none until
// then), a write as one output report, nothing to open by name.

#include "transport/lines/line.h"

namespace kyv {

class ReportLine : public Line {
public:
    int open(const std::string& /*name*/, const PortResolver& /*resolve*/) override { return 0; }
    const std::string& devicePath() const override { return devicePath_; }
    int write(const uint8_t* buffer, size_t length, const PortTimeouts& /*timeouts*/) override
    {
        return link_ ? link_->writeReport(buffer, length) : 0;
    }
    void close() override { link_.reset(); }
    bool attachReport(std::unique_ptr<ReportLink> link) override
    {
        link_ = std::move(link);
        return true;
    }
    bool hasReport() const override { return link_ != nullptr; }
    ReportLink* report() override { return link_.get(); }

protected:
    std::unique_ptr<ReportLink> link_;

private:
    std::string devicePath_;
};

} // namespace kyv
