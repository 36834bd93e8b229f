#pragma once
// The command line of printer-sim.

#include "sim/lib/printer_options.h"

#include <string>
#include <vector>

namespace kyv::sim {

struct SimArguments {
    PrinterOptions printer;
    std::string linkPath;
    double timeScale = 0; // 0: leave KYVFLASH_TIME_SCALE in force
};

enum class ArgumentsOutcome { Run, Help, ListModels, Error };

// Reads "serial" and the options after it. On Error, `error` says what was wrong.
ArgumentsOutcome parseSimArguments(const std::vector<std::string>& args, SimArguments& out, std::string& error);

// The text printed by --help.
std::string simUsage();

} // namespace kyv::sim
