#pragma once
// How the printer's port names (COM3, LPT1) map to Linux devices. The settings section
// Ports wins (COM3=/dev/ttyUSB0, LPT1=/dev/usb/lp0); otherwise COMn is /dev/ttyS<n-1> and
// LPT1 is /dev/lp0. A name that already is an absolute device path is used as given.

#include <string>

namespace kyv {

class ProfileStore;

inline constexpr int kHighestComPort = 50;
inline constexpr const char* kPortsSection = "Ports";

// n for "COMn" with 1 <= n <= 50 (any case, no leading zeros); 0 otherwise.
int comPortNumber(const std::string& name);

// Device path for the name; empty when the name is neither a COM name, LPT1 nor a path.
std::string devicePathForPort(const std::string& name, const ProfileStore& store);

} // namespace kyv
