#include "transport/lines/ibm_usb_line.h"

namespace kyv {

int IbmUsbLine::read(uint8_t* buffer, size_t length, const PortTimeouts& /*timeouts*/, size_t& got)
{
    got = 0;
    if (!link_)
        return 0;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        if (!sleepFor(kReadPause))
            return 0;
        size_t held = 0;
        if (link_->readReport(buffer, length, held) && held >= length && held <= kLongestReply) {
            got = length;
            return 1;
        }
    }
    return 0;
}

} // namespace kyv
