// The port object's USB report devices: finding the printer's device among those present
// and handing its report I/O to the line of kind 2 or 5.
#include "core/clock.h"
#include "core/catalogue.h"
#include "transport/dcb_comm.h"
#include "transport/usb/report_device_search.h"
#include "transport/usb/usb_backend.h"

#include <algorithm>
#include <vector>

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

int CDCBComm::attachPrinterClass(bool reportMode)
{
    replaceLine(kUsbDeviceClass);
    return line_->attachChannel(reportMode, usb_.pidFilter, usb_.usageSelector);
}

std::optional<CpmiDevice> CDCBComm::findCpmiPrinter()
{
    std::optional<CpmiDevice> found = findCpmiDevice(usbBus(), usb_.pidFilter);
    if (found) {
        usb_.vendorId = found->info.vendorId;
        usb_.productId = found->info.productId;
    }
    return found;
}

size_t CDCBComm::reportOutputCapacity() const
{
    ReportLink* link = line_ ? line_->report() : nullptr;
    return link != nullptr ? link->largestOutputData() : 0;
}

bool CDCBComm::usbDeviceLeft()
{
    if (ReportLink* link = line_ ? line_->report() : nullptr)
        return !link->stillPresent();
    if (usb_.devicePath.empty())
        return true;
    std::vector<UsbDeviceInfo> devices;
    if (usbBus().enumerate(devices) != UsbError::None)
        return false;
    return std::none_of(devices.begin(), devices.end(),
                        [this](const UsbDeviceInfo& d) { return d.path == usb_.devicePath; });
}

bool CDCBComm::attachReportDeviceOnPort(PortKind kind, const std::string& port)
{
    FoundReportDevice found;
    std::unique_ptr<ReportLink> link;
    if (kind == kIbmUsb)
        link = findIbmUsbDevice(usbBus(), usb_.pidFilter, found, port);
    else
        link = findReportDevice(usbBus(), usb_.pidFilter, usb_.usageSelector, found, port);
    if (!link || !line_->attachReport(std::move(link)))
        return false;
    noteFound(found);
    usb_.reportOpened = 1;
    return true;
}

int CDCBComm::refindReportDevice(PortKind kind, int searches, IfItStays ifItStays)
{
    constexpr ProtocolMs kProbePause{100};
    constexpr int kProbes = 300; // 30000 ms for the device to leave
    constexpr ProtocolMs kSearchPause{1000};
    const std::string port = usb_.port;
    bool left = false;
    for (int probe = 0; probe < kProbes && !left; ++probe) {
        left = usbDeviceLeft();
        if (!left && !sleepFor(kProbePause))
            return 0;
    }
    if (!left && (ifItStays == IfItStays::Fail || stopRequested()))
        return 0;
    replaceLine(kind);
    line_->close();
    usb_.reportOpened = 0;
    for (int search = 0; search < searches; ++search) {
        if (search > 0 && !sleepFor(kSearchPause))
            return 0;
        if (attachReportDeviceOnPort(kind, port))
            return 1;
    }
    return 0;
}

} // namespace kyv
