#include "transport/lines/channel_line.h"

#include <cerrno>
#include <span>

namespace kyv {

ChannelLine::Attached ChannelLine::attach(bool reportMode, const std::string& pidFilter, int usageSelector)
{
    pending_.clear();
    reportTaken_ = false;
    reportMode_ = reportMode;
    pidFilter_ = pidFilter;
    usageSelector_ = usageSelector;
    if (reportMode && !channel_.findReportDevice(pidFilter, usageSelector))
        return Attached::NotFound;
    if (!channel_.attach(reportMode, pidFilter))
        return Attached::NotOpened;
    attached_ = true;
    return Attached::Yes;
}

bool ChannelLine::ready()
{
    if (channel_.isOpen())
        return true;
    return attached_ && attach(reportMode_, pidFilter_, usageSelector_) == Attached::Yes;
}

int ChannelLine::open(const std::string& /*name*/, const PortResolver& /*resolve*/)
{
    return ready() ? 0 : ENODEV;
}

int ChannelLine::write(const uint8_t* buffer, size_t length, const PortTimeouts& /*timeouts*/)
{
    return ready() && channel_.write(std::span(buffer, length)) ? 1 : 0;
}

int ChannelLine::read(uint8_t* buffer, size_t length, const PortTimeouts& /*timeouts*/, size_t& got)
{
    got = 0;
    if (!ready())
        return 0;
    if (reportMode_) {
        // A report device answers a command with one feature report, which reads the same
        // until the next command: it is taken once, its data only (after the report id and
        // the data count).
        if (!reportTaken_ && pending_.empty()) {
            uint8_t reply[PrinterClassChannel::kReadBytes] = {};
            size_t copied = 0;
            size_t n = 0;
            if (channel_.read(reply, sizeof reply, copied, &n) && n > 2)
                pending_.insert(pending_.end(), reply + 2, reply + n);
            reportTaken_ = true;
        }
    } else {
        // A printer-class device gives a byte stream.
        while (pending_.size() < length) {
            uint8_t more[PrinterClassChannel::kReadBytes] = {};
            size_t copied = 0;
            size_t n = 0;
            if (!channel_.read(more, sizeof more, copied, &n) || n == 0)
                break;
            pending_.insert(pending_.end(), more, more + n);
        }
    }
    while (got < length && !pending_.empty()) {
        buffer[got++] = pending_.front();
        pending_.pop_front();
    }
    return got > 0 || length == 0 ? 1 : 0;
}

void ChannelLine::close()
{
    pending_.clear();
    channel_.close();
}

} // namespace kyv
