#pragma once
// The local commands on the printer-class kind (CPMI, NHPI, PRTR). Its port operations do
// nothing: the sector data and the image CRC travel over the printer-class channel, so
// these succeed here without a byte; the others fail at their first write.

#include "protocol/local/port_commands.h"

namespace kyv {

class PrinterClassPortCommands final : public PortCommands {
public:
    using PortCommands::PortCommands;

    int recalculateCrc(ByteString, uint16_t&) override { return 1; }
    int sendSectorData(uint32_t, uint32_t, int, SectorBlocks, const BlockSent&) override { return 1; }

protected:
    ProtocolMs sectorCrcPause() const override { return ProtocolMs{2000}; }
};

} // namespace kyv
