#pragma once
// The command line of "printer-sim usb".

#include "sim/lib/sim_arguments.h"
#include "sim/lib/usb/usb_printer.h"

#include <string>
#include <vector>

namespace kyv::sim {

struct UsbSimArguments {
    UsbPrinterOptions usb;
    double timeScale = 0; // 0: leave KYVFLASH_TIME_SCALE in force
};

// Reads "usb" and the options after it: the bus options of its own, the printer options
// as "serial" reads them (those of a serial line refused). On Error, `error` says why.
ArgumentsOutcome parseUsbArguments(const std::vector<std::string>& args, UsbSimArguments& out, std::string& error);

// The part of --help that describes "usb".
std::string usbUsage();

} // namespace kyv::sim
