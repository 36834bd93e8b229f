#pragma once
// The dialog's look, every 500 ms, for an attached printer of the chosen family. It works
// on the bus listing alone and opens no device, so a device a running download holds is
// never disturbed, and a printer that was unplugged is gone from the next listing.

#include "transport/usb/usb_backend.h"

#include <optional>
#include <string>

namespace kyv {

struct DetectedUsbPrinter {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    int deviceClass = 0; // the class code of classifyUsbDevice (1..9)
};

// The first listed device of vendor 0x0404 whose product id passes the filter and has a
// class code: a HID interface with the printers' vendor-page layout (top-level usage 4 or
// 5) or the IBM USB layout, or a printer-class device. None when there is no such device
// or the listing fails.
std::optional<DetectedUsbPrinter> detectUsbPrinter(UsbBackend& backend, const std::string& pidFilter);

} // namespace kyv
