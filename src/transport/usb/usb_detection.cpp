#include "transport/usb/usb_detection.h"

#include "transport/usb/hid_descriptor.h"
#include "transport/usb/report_device_search.h"
#include "transport/usb/report_layout.h"

#include <vector>

namespace kyv {
namespace {

// A HID interface speaks to the host as a printer only with one of the printers' layouts.
bool hasPrinterLayout(const UsbDeviceInfo& info)
{
    HidDescriptor descriptor;
    std::string error;
    if (!parseHidDescriptor(info.descriptor, descriptor, error))
        return false;
    for (const HidCollectionView& view : descriptor.collections) {
        ReportLayout vendor;
        IbmUsbLayout ibm;
        if (learnVendorLayout(view, 4, true, vendor) || learnVendorLayout(view, 5, true, vendor) ||
            learnIbmUsbLayout(view, ibm))
            return true;
    }
    return false;
}

} // namespace

std::optional<DetectedUsbPrinter> detectUsbPrinter(UsbBackend& backend, const std::string& pidFilter)
{
    std::vector<UsbDeviceInfo> devices;
    if (backend.enumerate(devices) != UsbError::None)
        return std::nullopt;
    for (const UsbDeviceInfo& info : devices) {
        const int deviceClass = usbDeviceClass(info.vendorId, info.productId);
        if (deviceClass == 0 || !pidPasses(pidFilter, info.productId))
            continue;
        if (info.deviceClass == UsbDeviceClass::Printer || hasPrinterLayout(info))
            return DetectedUsbPrinter{info.vendorId, info.productId, deviceClass};
    }
    return std::nullopt;
}

} // namespace kyv
