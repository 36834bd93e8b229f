#pragma once
// A line: the one way bytes reach a printer on one kind of connection (an RS232 line, the
// parallel port, a USB report device, IBM USB feature reports, ...). CDCBComm holds one
// and forwards its port operations to it; the line keeps the kind's own rules (pacing,
// attempts, what counts as a read), the port object keeps time-outs and settings.
//
// Operations return 1 for success and 0 for failure, like the port operations.

#include "transport/fd_io.h"
#include "transport/line_termios.h"
#include "transport/port_timeouts.h"
#include "transport/report_link.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kyv {

// Turns a port name (COM3, LPT1) into the device path it stands for; empty when none.
using PortResolver = std::function<std::string(const std::string& portName)>;

class Line {
public:
    virtual ~Line() = default;

    // Opens the device behind name. Returns 0 or the errno of the failure. A line that is
    // already open stays as it is.
    virtual int open(const std::string& name, const PortResolver& resolve) = 0;
    // Descriptor of the device; -1 when none.
    virtual int handle() const = 0;
    // The device path the last open used (empty when the line has none).
    virtual const std::string& devicePath() const = 0;

    // Writes the whole buffer once.
    virtual int write(const uint8_t* buffer, size_t length, const PortTimeouts& timeouts) = 0;
    // Writes the whole buffer with the line's own attempts; lines without any fail.
    virtual int writeRetry(const uint8_t* /*buffer*/, size_t /*length*/, const PortTimeouts& /*timeouts*/)
    {
        return 0;
    }
    // Reads under the line's own rule; got is the count delivered (0 after a failure).
    virtual int read(uint8_t* buffer, size_t length, const PortTimeouts& timeouts, size_t& got) = 0;
    virtual void purgeInput() {}
    virtual void close() = 0;

    // Reads wait under the port's read time-out, so a fresh open sets the command
    // time-out (RS232 only; the other lines pace themselves).
    virtual bool timedReads() const { return false; }
    // The last read or write found the line gone (unplugged adapter, closed peer).
    virtual bool dropped() const { return false; }
    // Line settings: only an RS232 line has them.
    virtual bool configure(const LineSettings& /*settings*/) { return false; }
    virtual bool currentSettings(LineSettings& /*settings*/) const { return false; }
    // The printer's busy line: 1 busy, 0 not, -1 when this line has none.
    virtual int busy() const { return -1; }
    // Hands the report I/O of a found USB device to a line that talks through one; other
    // lines refuse it (and drop it).
    virtual bool attachReport(std::unique_ptr<ReportLink> /*link*/) { return false; }
    virtual bool hasReport() const { return false; }
    // The printer-class kind: finds (report mode) and attaches the printer's device of the
    // filter's product ids. 0 attached, 1 no device found, 2 found but not opened.
    virtual int attachChannel(bool /*reportMode*/, const std::string& /*pidFilter*/, int /*usageSelector*/) { return 2; }
    virtual ReportLink* report() { return nullptr; }
};

} // namespace kyv
