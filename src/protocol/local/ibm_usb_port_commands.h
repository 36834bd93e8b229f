#pragma once
// The local commands over the port operations of the "IBM USB" kind, where the printer's
// answers are feature reports: it acknowledges after a longer pause and reports a sector CRC
// sooner. Sector data and the image CRC go in IBM USB frames, not through these.

#include "protocol/local/port_commands.h"

namespace kyv {

class IbmUsbPortCommands final : public PortCommands {
public:
    using PortCommands::PortCommands;

    int recalculateCrc(ByteString, uint16_t&) override { return 0; }
    int sendSectorData(uint32_t, uint32_t, int, SectorBlocks, const BlockSent&) override { return 0; }

protected:
    ProtocolMs sectorCrcPause() const override { return ProtocolMs{2000}; }
    ProtocolMs ackPause() const override { return ProtocolMs{1000}; }
};

} // namespace kyv
