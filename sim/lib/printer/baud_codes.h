#pragma once
// The printers' one-byte speed codes, used by the baud query and the baud change:
// 0 = 115200, 1 = 57600, 2 = 38400, 3 = 19200, 4 = 9600, 5 = 4800, 6 = 2400, 7 = 1200.

#include <cstdint>
#include <optional>

namespace kyv::sim {

std::optional<int> baudOfCode(uint8_t code);
// The code of a speed; nullopt for a speed without one.
std::optional<uint8_t> codeOfBaud(int baud);

} // namespace kyv::sim
