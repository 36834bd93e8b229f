// The port object's USB report devices: finding the printer's device among those present
// and handing its report I/O to the line of kind 2 or 5.
#include "core/catalogue.h"
#include "transport/dcb_comm.h"
#include "transport/usb/report_device_search.h"
#include "transport/usb/usb_backend.h"

namespace kyv {

UsbBackend& CDCBComm::usbBus() const { return usbBackend_ != nullptr ? *usbBackend_ : usbBackend(); }

void CDCBComm::noteFound(const FoundReportDevice& found)
{
    usb_.vendorId = found.vendorId;
    usb_.productId = found.productId;
    usb_.matchedPid = found.matchedPid;
    usb_.devicePath = found.path;
    usb_.port = found.port;
}

void CDCBComm::attachIbmUsbDevice()
{
    line_->close(); // the port handle is invalid until a device is found
    FoundReportDevice found;
    if (std::unique_ptr<IbmUsbReportLink> link = findIbmUsbDevice(usbBus(), usb_.pidFilter, found)) {
        noteFound(found);
        line_->attachReport(std::move(link));
    }
}

int CDCBComm::selectReportDevice(PortKind kind, int usageSelector)
{
    replaceLine(kind);
    usb_.usageSelector = usageSelector;
    if (kind == kIbmUsb) {
        attachIbmUsbDevice();
        return 1;
    }
    line_->close();
    FoundReportDevice found;
    std::unique_ptr<VendorReportLink> link = findReportDevice(usbBus(), usb_.pidFilter, usageSelector, found);
    if (!link)
        return 0;
    noteFound(found);
    if (!line_->attachReport(std::move(link)))
        return 0; // a line of another kind has no report device
    usb_.reportOpened = 1;
    return 1;
}

} // namespace kyv
