#pragma once
// USB devices on a simulated bus: a server (the printer simulator, or any other program that
// follows the bus's contract) reached over a Unix stream socket, one JSON request per line
// and one answer each. Each thread talks over its own connection; a handle stays on the
// connection it was opened on.

#include "transport/usb/usb_backend.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace kyv {

class SimBusBackend final : public UsbBackend {
public:
    // A request waits this long (protocol time) for its answer, on top of a read's own
    // time-out; a server that stays silent longer is taken as broken.
    static constexpr ProtocolMs kAnswerTimeout{30000};
    // Longest answer line taken from a server (a list with many descriptors stays far below).
    static constexpr size_t kMaxAnswerBytes = 8 * 1024 * 1024;

    explicit SimBusBackend(std::string socketPath);
    ~SimBusBackend() override;

    UsbError enumerate(std::vector<UsbDeviceInfo>& devices) override;
    UsbError open(const std::string& path, std::unique_ptr<UsbHandle>& handle) override;

private:
    std::string socketPath_;
    uint64_t id_; // tells this backend's per-thread connections from those of another
};

} // namespace kyv
