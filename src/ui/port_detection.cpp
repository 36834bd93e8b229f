#include "ui/port_detection.h"

#include "core/profile_store.h"
#include "transport/usb/report_device_search.h"
#include "transport/usb/usb_detection.h"

#include <cstdio>

namespace kyv {
namespace {

class SystemPortProbe : public PortProbe {
public:
    explicit SystemPortProbe(UsbBackend& usb) : usb_(usb) {}
    std::vector<EdgeportPort> serialAdapterPorts() override
    {
        return findEdgeportAdapterPorts(kSysfsRoot, store_);
    }
    std::optional<UsbSighting> findUsbPrinter(const std::string& pidList) override
    {
        const std::optional<DetectedUsbPrinter> printer = detectUsbPrinter(usb_, pidList);
        if (!printer)
            return std::nullopt;
        return UsbSighting{printer->vendorId, printer->productId, printer->deviceClass};
    }

private:
    UsbBackend& usb_;
    ProfileStore store_ = ProfileStore::forUser();
};

} // namespace

std::unique_ptr<PortProbe> makeSystemPortProbe() { return makeSystemPortProbe(usbBackend()); }

std::unique_ptr<PortProbe> makeSystemPortProbe(UsbBackend& usb) { return std::make_unique<SystemPortProbe>(usb); }

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
    return usbDeviceText(usb.deviceClass, static_cast<uint16_t>(usb.vendorId), static_cast<uint16_t>(usb.productId));
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
