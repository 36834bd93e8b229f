#pragma once
// The local commands on the parallel port: the printer holds its busy line while it
// recalculates the image CRC and takes longer to answer a status request; a sector must be
// acknowledged with ACK.

#include "protocol/local/port_commands.h"

namespace kyv {

class ParallelPortCommands final : public PortCommands {
public:
    using PortCommands::PortCommands;

    int recalculateCrc(ByteString command, uint16_t& crc) override;

protected:
    ProtocolMs statusPause() const override;
    bool sectorAccepted(uint8_t reply) const override;
};

} // namespace kyv
