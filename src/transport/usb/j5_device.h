#pragma once
// The J5 printers' HID interface as the HID download holds it: found by vendor 0x0404 and
// the family's product ids, commands written as output reports, each reply one input
// report whose data array is handed back (byte 0 the status).

#include "core/clock.h"
#include "transport/usb/j5_reports.h"
#include "transport/usb/usb_backend.h"

#include <array>
#include <memory>
#include <span>
#include <string>

namespace kyv {

class J5Device {
public:
    enum class Opened { Yes, NotFound, NoCapabilities };
    using Reply = std::array<uint8_t, 64>;

    explicit J5Device(UsbBackend& backend) : backend_(backend) {}

    // The first HID device of vendor 0x0404 whose product id passes the filter; its
    // descriptor must carry the vendor-page reports (its "capabilities").
    Opened open(const std::string& pidFilter);
    void close();
    bool isOpen() const { return device_ && !device_->gone(); }

    // One command or data block as one output report; replies still unread are dropped
    // first, so the next reply read is the answer to this write. False, with nothing
    // written, when the device does not fall silent after 64 stale reports.
    bool write(std::span<const uint8_t> bytes);
    // The data of the next input report, zeros after it; false when none came in time.
    bool readReply(Reply& reply, ProtocolMs timeout = ProtocolMs(1000));

private:
    UsbBackend& backend_;
    std::unique_ptr<UsbHandle> device_;
    J5Reports reports_;
};

} // namespace kyv
