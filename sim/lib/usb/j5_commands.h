#pragma once
// The commands only the J5 printers know, answered on their HID interface: identify, the
// version query and the mode query. Everything else they are sent (the switch to download
// mode, the reset) is the printer session's business.

#include "sim/lib/printer_command.h"
#include "sim/lib/printer_state.h"
#include "sim/lib/transcript.h"

#include <array>
#include <optional>
#include <span>
#include <string_view>

namespace kyv::sim {

// What a J5 printer says of the firmware it runs, in its answer to the version query: the
// date stamp as six characters, day, month and year two each (bytes 4 to 9 of the answer),
// and the firmware version as five characters (bytes 10 to 14). All zero (the default): no
// image counts as older.
struct J5Firmware {
    std::array<uint8_t, 6> stamp{};
    std::array<uint8_t, 5> version{};
};

// Reads "DDMMYY:VVVVV", as in "311223:01.05" (printable characters). Fills why on failure.
std::optional<J5Firmware> parseJ5Firmware(std::string_view text, std::string* why = nullptr);

// A J5 command and the printer's reply to it (byte 0 the status), before faults.
struct J5Answer {
    PrinterCommand command;
    Bytes reply;
};
// nullopt when the bytes are none of these commands.
std::optional<J5Answer> j5Answer(std::span<const uint8_t> command, const PrinterState& state,
                                 const J5Firmware& firmware);

} // namespace kyv::sim
