#pragma once
// Reply bytes shared by the parts of the printer model.

#include "sim/lib/printer_command.h"
#include "sim/lib/transcript.h"

#include <cstdint>

namespace kyv::sim {

inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kNak = 0x15;

// Error codes after the NAK that refuses an online block.
inline constexpr uint8_t kIllegalParameter = 1;
inline constexpr uint8_t kSizeMismatch = 2;
inline constexpr uint8_t kWrongFile = 3;
inline constexpr uint8_t kWriteFailed = 4;

// The reply a refusing printer gives in place of the command's usual reply.
Bytes nakReply(PrinterCommand command);

} // namespace kyv::sim
