#pragma once
// Finding the printers' report devices among the USB devices present, and telling their
// class from the product id.

#include "transport/usb/report_links.h"
#include "transport/usb/usb_backend.h"

#include <memory>
#include <string>

namespace kyv {

// What the search found: the identity of the device behind the link.
struct FoundReportDevice {
    std::string path;
    std::string port; // physical location, kept across re-enumeration
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string matchedPid; // product id in lower-case hex ("%x")
};

// The product-id filter: empty passes everything, else the id in "%x" must occur in it.
bool pidPasses(const std::string& pidFilter, uint16_t productId);
std::string pidText(uint16_t productId);

// The first HID device of vendor 0x0404 that passes the filter and has a top-level
// collection on the vendor page with usage 5 (usageSelector non-zero) or 4 (zero) and a
// usable layout (the feature report is optional here). A non-empty port takes only a device
// at that physical location (the printer found again after it re-enumerated). nullptr when
// none.
std::unique_ptr<VendorReportLink> findReportDevice(UsbBackend& backend, const std::string& pidFilter,
                                                   int usageSelector, FoundReportDevice& found,
                                                   const std::string& port = {});

// The first IBM USB device (product ids 0x30D, 0x30F, 0x31F, 0x364, still subject to the
// filter) with the IBM layout. nullptr when none.
std::unique_ptr<IbmUsbReportLink> findIbmUsbDevice(UsbBackend& backend, const std::string& pidFilter,
                                                   FoundReportDevice& found, const std::string& port = {});

// Device class by vendor and product id (0 for anything not one of the printers).
int usbDeviceClass(uint16_t vendorId, uint16_t productId);
// What the dialog shows for a class ("VID : 0404\nPID : 036b\nCPMI"); empty for class 0.
std::string usbDeviceText(int deviceClass, uint16_t vendorId, uint16_t productId);

// Runs the report-device search and gives the class of the device found (0 when none).
int classifyUsbDevice(UsbBackend& backend, const std::string& pidFilter, int usageSelector,
                      FoundReportDevice& found);

} // namespace kyv
