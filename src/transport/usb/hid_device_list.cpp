#include "transport/usb/hid_device_list.h"

#include <algorithm>
#include <cstdio>

namespace kyv {

HidDeviceList::HidDeviceList(UsbBackend& backend, int usageSelector) : backend_(backend)
{
    refresh(usageSelector);
}

int HidDeviceList::refresh(int usageSelector)
{
    bool changed = false;
    const auto stale = std::remove_if(devices_.begin(), devices_.end(), [](const std::unique_ptr<HidReportDevice>& d) {
        return !d->isOpen() || !d->answers();
    });
    changed = stale != devices_.end();
    devices_.erase(stale, devices_.end());

    std::vector<UsbDeviceInfo> present;
    if (const UsbError error = backend_.enumerate(present); error != UsbError::None) {
        // The devices could not be listed: the technician's console says so, in the words
        // the printers' tools have always used.
        std::printf("SetupDiDestroyDeviceInfoList: LastError = %d\n", usbErrorNumber(error));
        std::fflush(stdout);
    }
    for (const UsbDeviceInfo& info : present) {
        if (info.deviceClass != UsbDeviceClass::Hid)
            continue;
        const bool listed = std::any_of(devices_.begin(), devices_.end(),
                                        [&](const std::unique_ptr<HidReportDevice>& d) { return d->path() == info.path; });
        if (listed)
            continue;
        auto device = std::make_unique<HidReportDevice>(backend_, info.path, usageSelector);
        if (device->isOpen() && device->answers()) {
            devices_.push_back(std::move(device));
            changed = true;
        }
    }
    position_ = 0;
    return changed ? 1 : 0;
}

int HidDeviceList::first(std::string& path)
{
    position_ = 0;
    return next(path);
}

int HidDeviceList::next(std::string& path)
{
    if (position_ >= devices_.size())
        return 0;
    path = devices_[position_++]->path();
    return 1;
}

} // namespace kyv
