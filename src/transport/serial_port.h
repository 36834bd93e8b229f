#pragma once
// One RS232 line: opened exclusively, raw 8-bit, no flow control, non-blocking underneath
// with every wait bounded by poll().

#include "core/clock.h"
#include "transport/fd_io.h"
#include "transport/line_termios.h"
#include "core/unique_fd.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kyv {

class SerialPort {
public:
    SerialPort() = default;
    ~SerialPort() { close(); }
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens the device for reading and writing, exclusively: a line another process holds
    // (even one running as root) is refused. Returns 0 or the errno of the failure.
    int open(const std::string& devicePath);
    bool isOpen() const { return fd_.valid(); }
    int fd() const { return fd_.get(); }

    // Applies the line settings on top of the current ones. False when the line is not
    // open or refuses them (an unsupported baud rate or byte size).
    bool configure(const LineSettings& settings);
    // Reads back the line's current settings (for logs and tests).
    bool currentSettings(LineSettings& settings) const;

    // Returns at once with what has arrived, else waits up to firstByteWait for the first
    // byte and returns as soon as one arrives.
    Transfer read(uint8_t* buffer, size_t length, ProtocolMs firstByteWait);
    // Writes the whole buffer unless limit passes first.
    Transfer write(const uint8_t* buffer, size_t length, ProtocolMs limit);
    // Discards received bytes; the transmit side is untouched.
    void purgeInput();
    void close();

private:
    UniqueFd fd_;
};

} // namespace kyv
