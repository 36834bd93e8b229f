#include "transport/usb/usb_backend.h"

#include "transport/usb/linux_usb_backend.h"
#include "transport/usb/sim_bus_backend.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace kyv {
namespace {

// A bus setting that names no usable bus: nothing is found, nothing opens.
class UnusableBackend final : public UsbBackend {
public:
    UsbError enumerate(std::vector<UsbDeviceInfo>& devices) override
    {
        devices.clear();
        return UsbError::Io;
    }
    UsbError open(const std::string& /*path*/, std::unique_ptr<UsbHandle>& handle) override
    {
        handle.reset();
        return UsbError::Io;
    }
};

} // namespace

const char* usbErrorName(UsbError error)
{
    switch (error) {
    case UsbError::None: return "ok";
    case UsbError::NoEntry: return "ENOENT";
    case UsbError::Gone: return "ENODEV";
    case UsbError::Busy: return "EBUSY";
    case UsbError::Invalid: return "EINVAL";
    case UsbError::Io: return "EIO";
    }
    return "EIO";
}

int usbErrorNumber(UsbError error)
{
    switch (error) {
    case UsbError::None: return 0;
    case UsbError::NoEntry: return ENOENT;
    case UsbError::Gone: return ENODEV;
    case UsbError::Busy: return EBUSY;
    case UsbError::Invalid: return EINVAL;
    case UsbError::Io: return EIO;
    }
    return EIO;
}

std::unique_ptr<UsbBackend> makeUsbBackend(const char* busSetting)
{
    const std::string_view setting = busSetting ? busSetting : "";
    if (setting.empty())
        return std::make_unique<LinuxUsbBackend>();
    constexpr std::string_view kUnix = "unix:";
    if (setting.substr(0, kUnix.size()) == kUnix && setting.size() > kUnix.size())
        return std::make_unique<SimBusBackend>(std::string(setting.substr(kUnix.size())));
    return std::make_unique<UnusableBackend>();
}

UsbBackend& usbBackend()
{
    static const std::unique_ptr<UsbBackend> backend = makeUsbBackend(std::getenv("KYVFLASH_USB_BUS"));
    return *backend;
}

} // namespace kyv
