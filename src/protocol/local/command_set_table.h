#pragma once
// Which command set speaks through the port operations of each port kind. A new kind of
// connection adds its line (transport/lines) and one row here.

#include "protocol/command_context.h"
#include "protocol/printer_commands.h"
#include "transport/lines/line_factory.h"

#include <memory>

namespace kyv {

class CDCBComm;

std::unique_ptr<PrinterCommands> makePortCommands(PortKind kind, CDCBComm& port, CommandContext& context);

} // namespace kyv
