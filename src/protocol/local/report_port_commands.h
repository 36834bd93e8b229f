#pragma once
// The local commands over the port operations of the "USB" kind: each write is one output
// report and each read one feature report of the printer's report device. The printer
// acknowledges the switch to download mode, answers the mode query only with its IPL
// acknowledge, reports a sector CRC sooner, and takes its sector data on the report path
// of its own (not through these port operations).

#include "protocol/local/port_commands.h"

namespace kyv {

class ReportPortCommands final : public PortCommands {
public:
    using PortCommands::PortCommands;

    int switchToDownloadMode(ByteString bytes) override;
    int recalculateCrc(ByteString command, uint16_t& crc) override;
    int sendSectorData(uint32_t sectorSize, uint32_t blockLength, int singleBlock,
                       SectorBlocks blocks, const BlockSent& afterBlock) override;
    int printConfiguration(int reconnect) override;
    int queryPrinterMode() override;

protected:
    ProtocolMs sectorCrcPause() const override;
};

} // namespace kyv
