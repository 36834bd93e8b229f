#pragma once
// USB devices as Linux shows them: hidraw nodes for the report devices, usblp nodes for the
// printer class, sysfs for what they are and where they are plugged in.

#include "transport/usb/usb_backend.h"

#include <string>

namespace kyv {

class LinuxUsbBackend final : public UsbBackend {
public:
    explicit LinuxUsbBackend(std::string sysRoot = "/sys", std::string devRoot = "/dev")
        : sysRoot_(std::move(sysRoot)), devRoot_(std::move(devRoot))
    {
    }

    UsbError enumerate(std::vector<UsbDeviceInfo>& devices) override;
    // A hidraw node opens as a HID handle, anything else as a printer-class handle.
    UsbError open(const std::string& path, std::unique_ptr<UsbHandle>& handle) override;

private:
    std::string sysRoot_;
    std::string devRoot_;
};

} // namespace kyv
