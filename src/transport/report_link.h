#pragma once
// The report I/O of a USB report device, as the port object uses it for the "USB" (2) and
// "IBM USB" (5) kinds. A USB backend (hidraw, or the simulated bus) implements it; the port
// object keeps the kind's rules (purge, attempts, pauses, reply lengths) on top.

#include <cstddef>
#include <cstdint>

namespace kyv {

class ReportLink {
public:
    virtual ~ReportLink() = default;

    // Descriptor of the device; -1 when none.
    virtual int handle() const = 0;
    // Sends the bytes as one output report. 1 on success, 0 on failure.
    virtual int writeReport(const uint8_t* buffer, size_t length) = 0;
    // Reads one feature report and copies its data bytes (at most capacity) to buffer;
    // got is the count the device reported. 1 on success, 0 on failure.
    virtual int readReport(uint8_t* buffer, size_t capacity, size_t& got) = 0;
    // Asks the device whether it is still there: false once it answered that it has left
    // (unplugged, or re-enumerated after a restart).
    virtual bool stillPresent() { return true; }
    // The most data bytes one output report carries (the larger report's); 0 when unknown.
    virtual size_t largestOutputData() const { return 0; }
};

} // namespace kyv
