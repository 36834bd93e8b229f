#pragma once
// The local commands on the printer-class kind (CPMI, NHPI, PRTR): the bytes of the serial
// command set, carried by the printer-class channel (transport/lines/channel_line.h).

#include "protocol/local/port_commands.h"

namespace kyv {

class PrinterClassPortCommands final : public PortCommands {
public:
    using PortCommands::PortCommands;

protected:
    ProtocolMs sectorCrcPause() const override { return ProtocolMs{2000}; }
};

} // namespace kyv
