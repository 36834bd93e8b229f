#pragma once
// Which models' printers need a command handled their own way on the local paths.

#include "protocol/command_context.h"

namespace kyv {

// Printers that need longer for a sector's CRC.
bool slowSectorCrcModel(const CommandContext& context);
// Printers with a user area that is erased before the download area is cleared.
bool erasesUserArea(const CommandContext& context);

} // namespace kyv
