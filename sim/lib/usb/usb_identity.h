#pragma once
// Who a simulated printer is on the USB bus: the interface it was set to (by its switches),
// the product ids of its family, and the devices it presents in online and download mode.

#include "sim/lib/printer_state.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kyv::sim {

inline constexpr uint16_t kPrinterVendor = 0x0404;

enum class UsbInterface { Usb, IbmUsb, Cpmi, Nhpi, Prtr, Hid };

// "USB", "IBMUSB", "CPMI", "NHPI", "PRTR", "HID" (case as given).
std::optional<UsbInterface> usbInterfaceFromName(std::string_view name);
std::string_view usbInterfaceName(UsbInterface interface);

// The product ids a printer family answers under; 0 where the family has none.
struct FamilyProductIds {
    uint16_t online = 0;       // report device in online mode (NHPI)
    uint16_t download = 0;     // report device in download (IPL) mode
    uint16_t printerClass = 0; // the USB printer class (PRTR)
    uint16_t ibm = 0;          // IBM USB, in either mode
};

FamilyProductIds familyProductIds(std::string_view model);

enum class UsbDeviceKind {
    VendorReports, // HID on the vendor page 0xFF8B
    IbmReports,    // HID on the IBM page 0xFF45
    PrinterClass,  // raw bytes
};

struct UsbDeviceForm {
    UsbDeviceKind kind = UsbDeviceKind::VendorReports;
    uint16_t productId = 0;
    std::string product; // the product string
};

// The devices the printer presents in that mode; empty with `why` when the model has no
// such interface.
std::vector<UsbDeviceForm> usbDevicesFor(std::string_view model, UsbInterface interface, PrinterMode mode,
                                         std::string* why = nullptr);

} // namespace kyv::sim
