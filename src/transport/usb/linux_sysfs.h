#pragma once
// The USB devices the kernel shows in sysfs: hidraw nodes (one per HID interface) and usblp
// printer-class nodes, each with the identity of its USB device and the device's physical
// location. Reads only sysfs; opens no device.

#include "transport/usb/usb_backend.h"

#include <string>
#include <vector>

namespace kyv {

// sysRoot is normally "/sys", devRoot "/dev".
std::vector<UsbDeviceInfo> listSysfsUsbDevices(const std::string& sysRoot, const std::string& devRoot);

// Follows every symbolic link in path (as the kernel would), by text: sysfs class entries are
// links into the device tree, and the USB device is found by walking up from there.
std::string resolveSysfsPath(const std::string& path);

} // namespace kyv
