#pragma once
// Port detection of the main dialog: every tick it asks which adapter serial ports are
// attached, or whether a printer of the selected family is on USB. Probes may block
// (sysfs, USB enumeration), so they run on a thread of their own and the dialog only
// receives the outcome; a tick that finds a probe still running is folded into it.

#include "transport/edgeport_ports.h"
#include "transport/usb/usb_backend.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kyv {

// A printer that the USB discovery found, with its device class code (1..9).
struct UsbSighting {
    int vendorId = 0;
    int productId = 0;
    int deviceClass = 0;
};

// What the dialog asks on a tick: the interface text chosen and the family's USB ids.
struct PortQuery {
    std::string interfaceText;
    std::string pidList;
};

struct PortScan {
    std::vector<EdgeportPort> serialPorts; // looked for when the interface is a COM port
    std::optional<UsbSighting> usb;        // looked for when it is neither COM nor LAN
};

// Where detection looks. The real one reads sysfs; tests give their own.
class PortProbe {
public:
    virtual ~PortProbe() = default;
    virtual std::vector<EdgeportPort> serialAdapterPorts() = 0;
    virtual std::optional<UsbSighting> findUsbPrinter(const std::string& pidList) = 0;
};

// Edgeport adapters from /sys, named through the user's Ports settings, and printers on the
// USB the environment selects (the devices, or a simulated bus), found without opening any.
std::unique_ptr<PortProbe> makeSystemPortProbe();
// The same, looking for USB printers on the given backend, which must outlive the probe.
std::unique_ptr<PortProbe> makeSystemPortProbe(UsbBackend& usb);

// Runs one query against a probe: COM interfaces list the adapter ports, LAN looks for
// nothing, every other interface asks the USB discovery.
PortScan scanPorts(PortProbe& probe, const PortQuery& query);

// Text of the detection area for a USB printer: vendor and product id and its kind.
std::string usbSightingText(const UsbSighting& usb);
// Text of the detection area for adapter ports: one "COM7 (/dev/ttyUSB2)" line each.
std::string serialPortsText(const std::vector<EdgeportPort>& ports);

// The thread that runs the probes. The callback runs on that thread.
class PortDetector {
public:
    using Callback = std::function<void(const PortQuery&, const PortScan&)>;
    PortDetector(std::unique_ptr<PortProbe> probe, Callback callback);
    ~PortDetector(); // stops and joins the thread
    PortDetector(const PortDetector&) = delete;
    PortDetector& operator=(const PortDetector&) = delete;

    // Asks for a scan; replaces a query that has not started yet.
    void request(PortQuery query);

private:
    void run();

    std::unique_ptr<PortProbe> probe_;
    Callback callback_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<PortQuery> next_;
    bool quit_ = false;
    std::thread thread_;
};

} // namespace kyv
