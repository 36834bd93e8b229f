#include "ui/port_detection.h"

#include "core/profile_store.h"

#include <cstdio>

namespace kyv {
namespace {

class SystemPortProbe : public PortProbe {
public:
    std::vector<EdgeportPort> serialAdapterPorts() override
    {
        return findEdgeportAdapterPorts(kSysfsRoot, store_);
    }
    std::optional<UsbSighting> findUsbPrinter(const std::string&) override { return std::nullopt; }

private:
    ProfileStore store_ = ProfileStore::forUser();
};

const char* usbKindName(int deviceClass)
{
    switch (deviceClass) {
    case 1:
    case 2: return "CPMI(NHPI)";
    case 3: return "CPMI(PRTR)";
    case 5: return "IBM USB";
    case 6: return "CPMI(HID)";
    case 7: return "NHPI";
    case 8: return "CPMI";
    case 9: return "PRTR";
    default: return "";
    }
}

} // namespace

std::unique_ptr<PortProbe> makeSystemPortProbe() { return std::make_unique<SystemPortProbe>(); }

PortScan scanPorts(PortProbe& probe, const PortQuery& query)
{
    PortScan scan;
    if (query.interfaceText.starts_with("COM"))
        scan.serialPorts = probe.serialAdapterPorts();
    else if (query.interfaceText != "LAN")
        scan.usb = probe.findUsbPrinter(query.pidList);
    return scan;
}

std::string usbSightingText(const UsbSighting& usb)
{
    char text[64];
    std::snprintf(text, sizeof text, "VID : %04x\nPID : %04x\n%s", usb.vendorId & 0xFFFF, usb.productId & 0xFFFF,
                  usbKindName(usb.deviceClass));
    return text;
}

std::string serialPortsText(const std::vector<EdgeportPort>& ports)
{
    std::string text;
    for (const EdgeportPort& port : ports) {
        if (!text.empty())
            text += '\n';
        text += port.comName;
        if (port.comName != port.devicePath)
            text += " (" + port.devicePath + ")";
    }
    return text;
}

PortDetector::PortDetector(std::unique_ptr<PortProbe> probe, Callback callback)
    : probe_(std::move(probe)), callback_(std::move(callback)), thread_([this] { run(); })
{
}

PortDetector::~PortDetector()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void PortDetector::request(PortQuery query)
{
    {
        std::lock_guard lock(mutex_);
        next_ = std::move(query);
    }
    wake_.notify_all();
}

void PortDetector::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || next_.has_value(); });
        if (quit_)
            return;
        PortQuery query = std::move(*next_);
        next_.reset();
        lock.unlock();
        PortScan scan = scanPorts(*probe_, query);
        callback_(query, scan);
        lock.lock();
    }
}

} // namespace kyv
