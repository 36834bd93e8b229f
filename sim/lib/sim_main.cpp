#include "sim/lib/sim_main.h"

#include "core/clock.h"
#include "core/version.h"
#include "sim/lib/lan/lan_main.h"
#include "sim/lib/printer/printer_types.h"
#include "sim/lib/pty_printer.h"
#include "sim/lib/session/blocked_stop_signals.h"
#include "sim/lib/sim_arguments.h"
#include "sim/lib/usb/usb_arguments.h"
#include "sim/lib/usb/usb_main.h"

#include <csignal>
#include <cstdio>

namespace kyv::sim {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void listModels()
{
    for (const PrinterType& type : printerTypes())
        std::printf("%-26.*s model number %-16.*s %d bps\n", static_cast<int>(type.name.size()), type.name.data(),
                    static_cast<int>(type.modelNumber.size()), type.modelNumber.data(), type.baud);
}

} // namespace

int simMain(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--version") {
        std::printf("printer-sim %s\n", kVersionNumber);
        return kExitOk;
    }
    if (!args.empty() && args[0] == "usb")
        return usbMain(args);
    if (!args.empty() && args[0] == "lan")
        return lanMain(args);
    SimArguments arguments;
    std::string error;
    switch (parseSimArguments(args, arguments, error)) {
    case ArgumentsOutcome::Help:
        std::fputs(simUsage().c_str(), stdout);
        std::fputs(usbUsage().c_str(), stdout);
        return kExitOk;
    case ArgumentsOutcome::ListModels: listModels(); return kExitOk;
    case ArgumentsOutcome::Error: std::fprintf(stderr, "printer-sim: %s\n", error.c_str()); return kExitUsage;
    case ArgumentsOutcome::Run: break;
    }
    if (arguments.timeScale > 0)
        setTimeScale(arguments.timeScale);

    // The serving thread inherits the mask, so only the wait below sees the signals.
    const BlockedStopSignals stopSignals;

    PtyPrinter printer(arguments.printer);
    if (!printer.start(arguments.linkPath)) {
        std::fprintf(stderr, "printer-sim: %s\n", printer.errorText().c_str());
        return kExitFailure;
    }
    std::printf("%s\n", printer.slavePath().c_str());
    std::fflush(stdout);
    PrinterState state = printer.state();
    std::fprintf(stderr, "printer-sim: %s (model number %s) on %s%s%s, %d bps, %d stop bit(s), %s mode. Stop with Ctrl+C.\n",
                 arguments.printer.model.c_str(), printer.modelNumber().c_str(), printer.slavePath().c_str(),
                 printer.linkPath().empty() ? "" : ", link ", printer.linkPath().c_str(), state.baud, state.stopBits,
                 state.mode == PrinterMode::Download ? "download" : "online");

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
