#pragma once
// The report devices present, kept open: refreshed after a printer reset to see which left
// and which came (possibly under another product id).

#include "transport/usb/hid_report_device.h"

#include <memory>
#include <string>
#include <vector>

namespace kyv {

class HidDeviceList {
public:
    HidDeviceList(UsbBackend& backend, int usageSelector);

    // Drops the devices that no longer answer and adds the new ones that open with the
    // selector. 1 when the list changed.
    int refresh(int usageSelector);
    // Iteration over the listed paths; 0 when there is none (more).
    int first(std::string& path);
    int next(std::string& path);

    const std::vector<std::unique_ptr<HidReportDevice>>& devices() const { return devices_; }

private:
    UsbBackend& backend_;
    std::vector<std::unique_ptr<HidReportDevice>> devices_;
    size_t position_ = 0;
};

} // namespace kyv
