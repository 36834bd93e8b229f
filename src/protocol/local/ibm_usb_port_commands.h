#pragma once
// The local commands of the "IBM USB" kind. The printer takes its commands in 13-byte frames
// and answers none of them directly: ESC I puts its answer into a status report (byte 11 the
// status, ACK when accepted; bytes 12 and 13 a 16-bit value, low byte first), which a read
// of the port fetches. Sector data goes in the printer's own packets of 248 bytes.

#include "protocol/local/port_commands.h"

#include <optional>

namespace kyv {

class IbmUsbPortCommands final : public PortCommands {
public:
    using PortCommands::PortCommands;

    int selectSector(int sector) override;
    int eraseSector(int sector) override;
    int querySectorCrc(int slow, uint16_t& crc) override;
    int recalculateCrc(ByteString, uint16_t&) override { return 0; } // sendFramedAndRead instead
    int sendSectorData(uint32_t sectorSize, uint32_t blockLength, int singleBlock, SectorBlocks blocks,
                       const BlockSent& afterBlock) override;
    int waitUntilReady(ByteString bytes) override;
    int sendWithAck(ByteString bytes) override;
    int printConfiguration(int reconnect) override;
    int clearDownloadArea() override;
    int queryModelNumber(std::string& modelNumber) override;
    int queryVersionReport(std::string& versionText) override;
    int queryPrinterMode() override;
    int sendFramedAndRead(ByteString frame, uint16_t& value) override;
    int queryMemoryBanks() override;
    int sendSwapCommand(ByteString command, ProtocolMs wait) override;

private:
    struct Status {
        uint8_t status = 0;
        uint16_t value = 0;
    };
    // The status report: read as it is now (fetch), or asked for with ESC I first
    // (statusRequest: ESC I, 100 ms, read). The bytes of the report into report.
    bool fetchStatus(std::span<uint8_t> report);
    std::optional<Status> statusRequest();
    // A framed command, the printer's pause, then the status must be ACK.
    int framedWithAck(ByteString command, ProtocolMs wait, uint8_t page);
    int sendBlock(size_t index, std::span<const uint8_t> block);
};

} // namespace kyv
