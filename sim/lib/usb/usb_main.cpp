#include "sim/lib/usb/usb_main.h"

#include "core/clock.h"
#include "sim/lib/session/blocked_stop_signals.h"
#include "sim/lib/usb/usb_arguments.h"

#include <csignal>
#include <cstdio>

namespace kyv::sim {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

} // namespace

int usbMain(const std::vector<std::string>& args)
{
    UsbSimArguments arguments;
    std::string error;
    switch (parseUsbArguments(args, arguments, error)) {
    case ArgumentsOutcome::Help:
        std::fputs(simUsage().c_str(), stdout);
        std::fputs(usbUsage().c_str(), stdout);
        return kExitOk;
    case ArgumentsOutcome::ListModels:
    case ArgumentsOutcome::Error: std::fprintf(stderr, "printer-sim: %s\n", error.c_str()); return kExitUsage;
    case ArgumentsOutcome::Run: break;
    }
    if (arguments.timeScale > 0)
        setTimeScale(arguments.timeScale);

    // The serving thread inherits the mask, so only the wait below sees the signals.
    const BlockedStopSignals stopSignals;

    const UsbPrinterOptions& options = arguments.usb;
    UsbPrinter printer(options);
    if (!printer.start()) {
        std::fprintf(stderr, "printer-sim: %s\n", printer.errorText().c_str());
        return kExitFailure;
    }
    std::printf("%s\n", options.busPath.c_str());
    std::fflush(stdout);
    PrinterState state = printer.state();
    std::fprintf(stderr, "printer-sim: %s (model number %s) as %.*s on port %s of the USB bus %s, %s mode. Stop with Ctrl+C.\n",
                 options.printer.model.c_str(), printer.modelNumber().c_str(),
                 static_cast<int>(usbInterfaceName(options.interface).size()), usbInterfaceName(options.interface).data(),
                 options.port.c_str(), options.busPath.c_str(), state.mode == PrinterMode::Download ? "download" : "online");

    stopSignals.wait();
    bool written = printer.stop();
    if (!written)
        std::fprintf(stderr, "printer-sim: %s\n", printer.errorText().c_str());
    state = printer.state();
    std::fprintf(stderr, "printer-sim: stopped; %llu bytes received, %d sectors written, %d resets.\n",
                 static_cast<unsigned long long>(state.bytesReceived), state.sectorWrites, state.resetCount);
    return written ? kExitOk : kExitFailure;
}

} // namespace kyv::sim
