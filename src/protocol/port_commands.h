#pragma once
// The printer commands over the port operations of CDCBComm: RS232 (kind 0), the parallel
// port (kind 1), the byte path of the USB report device (kind 2), and the printer-class
// kind (4) whose port operations do nothing. Each command is the bytes, waits, reply
// lengths and reply tests of the printer's protocol for these kinds.

#include "protocol/command_context.h"
#include "protocol/printer_commands.h"

namespace kyv {

class CDCBComm;

class PortCommands final : public PrinterCommands {
public:
    PortCommands(CDCBComm& port, CommandContext& context) : port_(port), context_(context) {}

    int switchToDownloadMode(ByteString bytes) override;
    int selectSector(int sector) override;
    int eraseSector(int sector) override;
    int querySectorCrc(int slow, uint16_t& crc) override;
    int recalculateCrc(ByteString command, uint16_t& crc) override;
    int sendSectorData(uint32_t sectorSize, uint32_t blockLength, int singleBlock,
                       SectorBlocks blocks, const BlockSent& afterBlock) override;
    int restartPrinter() override;
    int sendAndWaitRestart(ByteString bytes) override;
    int waitUntilReady(ByteString bytes) override;
    int sendWithAck(ByteString bytes) override;
    int printConfiguration(int reconnect) override;
    ResultCode changeBaudRate(int baud) override;
    int queryBaudRate() override;
    int queryBaudRateExtended() override;
    int clearDownloadArea() override;
    int queryModelNumber(std::string& modelNumber) override;
    int queryVersionReport(std::string& versionText) override;
    int queryPrinterMode() override;
    int queryFlashState() override;
    int sendRaw(ByteString bytes) override;
    int writeSetting(ByteString bytes) override;

private:
    int writeBytes(ByteString bytes);
    // Reads until at least need bytes came (each read waits up to the read time-out for
    // its first byte), into a buffer of capacity bytes. Returns the count that came.
    size_t readAtLeast(uint8_t* reply, size_t need, size_t capacity);
    bool readAckByte();
    int sectorCommand(ByteString prefix, int sector, bool settleAfterWrite);

    CDCBComm& port_;
    CommandContext& context_;
};

} // namespace kyv
