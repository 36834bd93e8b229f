#pragma once
// What a printer of the family says by its USB product id on the CPMI interface: online on
// its NHPI report device, in its boot (IPL) program, presenting the USB printer class
// (PRTR), or in IBM USB mode. The walk finds the first such printer on the bus.

#include "transport/usb/usb_backend.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kyv {

enum class CpmiClass { None, Normal, Ipl, PrinterClass, IbmUsb };

CpmiClass cpmiProductClass(uint16_t productId);

struct CpmiDevice {
    UsbDeviceInfo info;
    CpmiClass productClass = CpmiClass::None;
};

// The first device of vendor 0x0404 among the first 51 listed whose product id has a class
// and passes the filter; none when there is none or the listing fails.
std::optional<CpmiDevice> findCpmiDevice(UsbBackend& backend, const std::string& pidFilter);

} // namespace kyv
