#include "transport/lines/report_device_line.h"

#include <algorithm>

namespace kyv {

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
