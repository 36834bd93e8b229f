#pragma once
// Which USB device a port object looks for and which one it found last: the product ids it
// accepts (the family's list, lower-case hexadecimal one after another; empty accepts
// every id), and the identity of the device found. Filled by the USB search, read by the
// procedures that classify the printer after it re-enumerated.

#include <cstdint>
#include <string>

namespace kyv {

struct UsbMatch {
    std::string pidFilter;  // accepted product ids
    std::string matchedPid; // product id of the device found last, lower-case hex
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string devicePath; // path of the device found last
    std::string port;       // its physical location, which re-enumeration keeps
    int keepPreparsed = 0; // 1 keeps the report device's parsed descriptor for later writes
    int reportOpened = 0;  // 1 after a report device was selected
    int usageSelector = 0; // 0 selects top-level usage 4, non-zero usage 5

    // Forgets the device found last (before the printer is looked for again).
    void forgetDevice()
    {
        vendorId = 0;
        productId = 0;
    }
};

} // namespace kyv
