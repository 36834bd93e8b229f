#pragma once
// One connection to a simulated USB bus: requests go out one at a time, each answer is read
// within a bounded wait. A connection that timed out, lost its server or got garbage is
// broken for good (answers could no longer be paired with requests).

#include "core/unique_fd.h"
#include "transport/usb/bus_json.h"
#include "transport/usb/usb_backend.h"

#include <mutex>
#include <string>

namespace kyv {

class SimBusConnection {
public:
    // Connects to the socket; broken() tells whether that worked.
    explicit SimBusConnection(const std::string& socketPath);

    bool broken() const;
    // Sends one request (a JSON object without the line end) and waits for its answer up to
    // the answer time-out plus extraWait. A negative answer gives its error; a broken
    // connection, a time-out or garbage give Io (and break the connection).
    UsbError request(const std::string& json, ProtocolMs extraWait, JsonValue& answer);

private:
    UsbError breakOff();
    bool sendAll(const std::string& line, const Deadline& deadline);
    bool receiveLine(std::string& line, const Deadline& deadline);

    mutable std::mutex mutex_;
    UniqueFd fd_;
    std::string received_; // bytes after the last answer line
    bool broken_ = false;
};

} // namespace kyv
