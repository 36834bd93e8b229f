#pragma once
// The printer-class kind (CPMI, NHPI, PRTR) as a line: the port operations go through the
// process's printer-class channel, to the printer's NHPI report device (report mode) or
// its USB printer-class device. Reads give the printer's bytes alone: in report mode the
// two header bytes of each report (report id, data count) are taken off, so the commands
// read the same bytes as on a serial line.
//
// The channel is attached by attach(); a channel closed meanwhile (the online-mode download
// closes it when the printer resets) is found and attached again at the next operation.

#include "transport/lines/line.h"
#include "transport/usb/printer_class_channel.h"

#include <deque>
#include <string>

namespace kyv {

class ChannelLine final : public Line {
public:
    explicit ChannelLine(PrinterClassChannel& channel) : channel_(channel) {}

    enum class Attached { Yes, NotFound, NotOpened };
    // Finds (report mode) and attaches the device of the filter's product ids.
    Attached attach(bool reportMode, const std::string& pidFilter, int usageSelector);

    int attachChannel(bool reportMode, const std::string& pidFilter, int usageSelector) override
    {
        const Attached outcome = attach(reportMode, pidFilter, usageSelector);
        return outcome == Attached::Yes ? 0 : outcome == Attached::NotFound ? 1 : 2;
    }
    int open(const std::string& name, const PortResolver& resolve) override;
    int handle() const override { return channel_.isOpen() ? 0 : -1; }
    const std::string& devicePath() const override { return channel_.device().path; }
    int write(const uint8_t* buffer, size_t length, const PortTimeouts& timeouts) override;
    int read(uint8_t* buffer, size_t length, const PortTimeouts& timeouts, size_t& got) override;
    // Before every command: what came before is no answer to it.
    void purgeInput() override
    {
        pending_.clear();
        reportTaken_ = false;
    }
    // Closes the process's channel: the next run finds the printer again.
    void close() override;

private:
    bool ready();

    PrinterClassChannel& channel_;
    std::deque<uint8_t> pending_; // bytes read from the printer and not yet taken
    bool reportTaken_ = false;    // report mode: the answer to the last command was read
    bool attached_ = false;       // attach() succeeded once: the target below is known
    bool reportMode_ = false;
    std::string pidFilter_;
    int usageSelector_ = 0;
};

} // namespace kyv
