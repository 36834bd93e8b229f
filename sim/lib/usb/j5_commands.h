#pragma once
// The commands only the J5 printers know, answered on their HID interface: identify, the
// version query and the mode query. Everything else they are sent (the switch to download
// mode, the reset) is the printer session's business.

#include "sim/lib/printer_state.h"
#include "sim/lib/transcript.h"

#include <optional>
#include <span>

namespace kyv::sim {

// The reply to a J5 command (byte 0 the status), nullopt when it is none of them.
std::optional<Bytes> j5Answer(std::span<const uint8_t> command, const PrinterState& state);

} // namespace kyv::sim
