#include "transport/usb/j5_device.h"

#include "transport/usb/report_device_search.h"

#include <vector>

namespace kyv {

J5Device::Opened J5Device::open(const std::string& pidFilter)
{
    close();
    std::vector<UsbDeviceInfo> devices;
    backend_.enumerate(devices);
    for (const UsbDeviceInfo& info : devices) {
        if (info.deviceClass != UsbDeviceClass::Hid || info.vendorId != kPrinterVendorId ||
            !pidPasses(pidFilter, info.productId))
            continue;
        std::unique_ptr<UsbHandle> handle;
        uint16_t vid = 0;
        uint16_t pid = 0;
        if (backend_.open(info.path, handle) != UsbError::None || handle->info(vid, pid) != UsbError::None ||
            vid != kPrinterVendorId)
            continue;
        if (!learnJ5Reports(info.descriptor, reports_))
            return Opened::NoCapabilities;
        device_ = std::move(handle);
        return Opened::Yes;
    }
    return Opened::NotFound;
}

void J5Device::close()
{
    device_.reset();
    reports_ = J5Reports{};
}

bool J5Device::write(std::span<const uint8_t> bytes)
{
    if (!isOpen())
        return false;
    // A reply spans a few reports at most; a device that keeps sending more than this never
    // lets the next reply be told from the stale ones, so the write is refused rather than
    // waiting for a silence that may never come.
    constexpr int kMostStaleReports = 64;
    std::vector<uint8_t> stale(std::max<size_t>(reports_.layout.inputLength, 1), 0);
    size_t got = 1;
    for (int drained = 0; got > 0; ++drained) {
        if (drained == kMostStaleReports || device_->read(stale, ProtocolMs(0), got) != UsbError::None)
            return false;
    }
    return j5Write(*device_, reports_, bytes) == 1;
}

bool J5Device::readReply(Reply& reply, ProtocolMs timeout)
{
    reply.fill(0);
    if (!isOpen() || !reports_.layout.input.present)
        return false;
    std::vector<uint8_t> report(reports_.layout.inputLength, 0);
    size_t got = 0;
    if (device_->read(report, timeout, got) != UsbError::None || got == 0)
        return false;
    size_t count = 0;
    return readVendorInputReport(reports_.view, reports_.layout, report, reply, count);
}

} // namespace kyv
