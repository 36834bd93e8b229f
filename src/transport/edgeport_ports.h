#pragma once
// USB-to-serial adapters of the Edgeport family (Linux drivers io_edgeport and io_ti),
// found in sysfs. Each adapter port is reported by its COM name: the Ports entry of the
// settings that names its device (COM7=/dev/ttyUSB2, or a /dev/serial/by-id link to it),
// or the device path itself when no entry names it (a port open accepts either).

#include <string>
#include <vector>

namespace kyv {

class ProfileStore;

struct EdgeportPort {
    std::string comName;    // "COM7", or the device path when no Ports entry names it
    std::string devicePath; // "/dev/ttyUSB2"
};

inline constexpr const char* kSysfsRoot = "/sys";

// Adapter ports in tty order (ttyUSB0 before ttyUSB10), at most 50. sysfsRoot is "/sys"
// on a real system; tests give a fake tree.
std::vector<EdgeportPort> findEdgeportAdapterPorts(const std::string& sysfsRoot,
                                                   const ProfileStore& store);

} // namespace kyv
