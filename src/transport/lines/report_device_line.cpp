#include "transport/lines/report_device_line.h"

#include <algorithm>

namespace kyv {

bool ReportDeviceLine::attachReport(std::unique_ptr<ReportLink> link)
{
    link_ = std::move(link);
    return true;
}

int ReportDeviceLine::write(const uint8_t* buffer, size_t length, const PortTimeouts& /*timeouts*/)
{
    return link_ ? link_->writeReport(buffer, length) : 0;
}

int ReportDeviceLine::read(uint8_t* buffer, size_t length, const PortTimeouts& /*timeouts*/, size_t& got)
{
    got = 0;
    size_t held = 0;
    if (!link_ || !link_->readReport(buffer, length, held) || held == 0)
        return 0;
    got = std::min(held, length);
    return 1;
}

} // namespace kyv
