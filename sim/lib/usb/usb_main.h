#pragma once
// "printer-sim usb": serves a simulated printer on the simulated USB bus until SIGINT or
// SIGTERM. args[0] is "usb". Returns the exit status.

#include <string>
#include <vector>

namespace kyv::sim {

int usbMain(const std::vector<std::string>& args);

} // namespace kyv::sim
