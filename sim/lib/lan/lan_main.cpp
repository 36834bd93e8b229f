#include "sim/lib/lan/lan_main.h"

#include "core/clock.h"
#include "sim/lib/lan/lan_arguments.h"
#include "sim/lib/lan/lan_printer.h"
#include "sim/lib/session/blocked_stop_signals.h"

#include <csignal>
#include <cstdio>

namespace kyv::sim {

int lanMain(const std::vector<std::string>& args)
{
    LanArguments arguments;
    std::string error;
    switch (parseLanArguments(args, arguments, error)) {
    case ArgumentsOutcome::Help: std::fputs(lanUsage().c_str(), stdout); return 0;
    case ArgumentsOutcome::ListModels:
    case ArgumentsOutcome::Error: std::fprintf(stderr, "printer-sim lan: %s\n", error.c_str()); return 2;
    case ArgumentsOutcome::Run: break;
    }
    if (arguments.timeScale > 0)
        setTimeScale(arguments.timeScale);

    // The serving thread inherits the mask, so only the wait below sees the signals.
    const BlockedStopSignals stopSignals;

    const LanOptions& lan = arguments.lan;
    LanPrinter printer(lan);
    if (!printer.start()) {
        std::fprintf(stderr, "printer-sim lan: %s\n", printer.errorText().c_str());
        return 1;
    }
    std::printf("%s\n", printer.serviceLine().c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "printer-sim lan: %s (model number %s) on %s, MAC %s, %s mode. Stop with Ctrl+C.\n",
                 lan.printer.model.c_str(), printer.session().modelNumber().c_str(), lan.wifi ? "WiFi" : "Ethernet",
                 lan.printer.network.macText.c_str(),
                 printer.session().state().mode == PrinterMode::Download ? "download" : "online");

    stopSignals.wait();
    bool written = printer.stop();
    if (!written)
        std::fprintf(stderr, "printer-sim lan: %s\n", printer.errorText().c_str());
    PrinterState state = printer.session().state();
    std::fprintf(stderr, "printer-sim lan: stopped; %llu bytes received, %d sectors written, %d resets.\n",
                 static_cast<unsigned long long>(state.bytesReceived), state.sectorWrites, state.resetCount);
    return written ? 0 : 1;
}

} // namespace kyv::sim
