#include "transport/usb/hid_report_device.h"

#include <algorithm>

namespace kyv {

HidReportDevice::HidReportDevice(UsbBackend& backend, const std::string& path, int usageSelector)
    : backend_(backend), usageSelector_(usageSelector)
{
    if (!path.empty())
        open(path);
}

int HidReportDevice::open(const std::string& path)
{
    close();
    std::vector<UsbDeviceInfo> devices;
    backend_.enumerate(devices);
    const auto info = std::find_if(devices.begin(), devices.end(), [&](const UsbDeviceInfo& d) {
        return d.path == path && d.deviceClass == UsbDeviceClass::Hid;
    });
    std::unique_ptr<UsbHandle> device;
    uint16_t vid = 0;
    uint16_t pid = 0;
    HidDescriptor descriptor;
    std::string error;
    if (info == devices.end() || backend_.open(path, device) != UsbError::None ||
        device->info(vid, pid) != UsbError::None || vid != kPrinterVendorId ||
        !parseHidDescriptor(info->descriptor, descriptor, error))
        return 0;
    const uint16_t topUsage = usageSelector_ == 0 ? 5 : 4;
    for (HidCollectionView& view : descriptor.collections) {
        ReportLayout layout;
        if (!learnVendorLayout(view, topUsage, false, layout))
            continue;
        device_ = std::move(device);
        view_ = std::move(view);
        layout_ = layout;
        path_ = path;
        port_ = info->port;
        manufacturer_ = info->manufacturer;
        product_ = info->product;
        serial_ = info->serial;
        vendorId_ = vid;
        productId_ = pid;
        return 1;
    }
    return 0;
}

int HidReportDevice::write(std::span<const uint8_t> data)
{
    std::vector<uint8_t> report;
    size_t written = 0;
    if (device_ && buildVendorOutputReport(view_, layout_, data, report) &&
        device_->write(report, written) == UsbError::None && written == report.size())
        return 1;
    close();
    return 0;
}

int HidReportDevice::read(std::span<uint8_t, kReadData> buffer, size_t& count)
{
    count = 0;
    if (!device_)
        return 0;
    for (int attempt = 0; attempt < kFeatureAttempts; ++attempt) {
        std::vector<uint8_t> report = vendorFeatureRequest(layout_);
        if (device_->getFeature(report) == UsbError::None)
            return readVendorFeatureReport(view_, layout_, report, buffer, count) ? 1 : 0;
        if (device_->gone() || !sleepFor(kFeaturePause))
            return 0;
    }
    return 0;
}

int HidReportDevice::close()
{
    const int wasOpen = device_ ? 1 : 0;
    device_.reset();
    view_ = HidCollectionView{};
    layout_ = ReportLayout{};
    return wasOpen;
}

bool HidReportDevice::answers()
{
    uint16_t vid = 0;
    uint16_t pid = 0;
    return device_ && device_->info(vid, pid) == UsbError::None;
}

} // namespace kyv
