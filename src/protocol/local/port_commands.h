#pragma once
// The printer commands over the port operations of CDCBComm. This class is the RS232
// line's set; the other port kinds (parallel port, the byte path of the USB report device,
// the printer-class kind whose port operations do nothing, IBM USB reports) derive from it
// and change only what their printers do differently: a wait, how a sector or the image
// CRC is acknowledged. Each command is bytes, waits, reply lengths and reply tests, run by
// the CommandRunner.

#include "protocol/command_context.h"
#include "protocol/local/command_runner.h"
#include "protocol/printer_commands.h"

namespace kyv {

class CDCBComm;

class PortCommands : public PrinterCommands {
public:
    PortCommands(CDCBComm& port, CommandContext& context) : run_(port), context_(context) {}

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

protected:
    // What the printers on the other port kinds do differently.
    // The printer's time to compute a sector's CRC before it answers (RS232 and parallel
    // lines; the USB kinds answer sooner).
    virtual ProtocolMs sectorCrcPause() const;
    // Between a status request and its reply.
    virtual ProtocolMs statusPause() const;
    // Between a command and its ACK.
    virtual ProtocolMs ackPause() const;
    // The printer's answer after a whole sector: anything but NAK on RS232.
    virtual bool sectorAccepted(uint8_t reply) const;
    // Sends the sector header and blocks over the port (the kinds that can).
    int sendSectorOverPort(uint32_t sectorSize, uint32_t blockLength, int singleBlock,
                           SectorBlocks blocks, const BlockSent& afterBlock);

    CommandRunner run_;
    CommandContext& context_;

private:
    // How long the printer takes to come back after a reset.
    ProtocolMs restartTime() const;
    int sectorCommand(ByteString prefix, int sector, bool settleAfterWrite);
};

} // namespace kyv
