#pragma once
// The command line of printer-sim lan.

#include "sim/lib/lan/lan_options.h"
#include "sim/lib/sim_arguments.h"

#include <string>
#include <vector>

namespace kyv::sim {

struct LanArguments {
    LanOptions lan;
    double timeScale = 0; // 0: leave KYVFLASH_TIME_SCALE in force
};

// Reads "lan" and the options after it; the printer options are those of "serial" that a
// network printer has.
ArgumentsOutcome parseLanArguments(const std::vector<std::string>& args, LanArguments& out, std::string& error);

std::string lanUsage();

} // namespace kyv::sim
