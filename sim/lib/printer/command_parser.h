#pragma once
// Finds the next printer command at the front of the bytes received so far.

#include "sim/lib/printer_command.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace kyv::sim {

struct ParsedCommand {
    enum class Outcome {
        Complete,   // `command` of `length` bytes is at the front
        NeedMore,   // the front may be the start of a command: wait for more bytes
        Unknown,    // the first byte starts no command the printer knows
    };
    Outcome outcome = Outcome::NeedMore;
    PrinterCommand command = PrinterCommand::Any;
    size_t length = 0;
};

// Sector data (1D 11) and the online block (1B 5B 7C) are complete once their header is:
// the caller then takes their data bytes. `network`: the printer's network interface
// hears the bytes, which knows a few commands more.
ParsedCommand parseCommand(std::span<const uint8_t> bytes, bool network = false);

} // namespace kyv::sim
