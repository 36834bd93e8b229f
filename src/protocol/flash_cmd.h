#pragma once
// CFlashCmd: the port object plus the printer's local command set. Each command goes
// through the command set of the port's kind (local/command_set_table: RS232, parallel,
// the USB report device's byte path, the printer-class kind, IBM USB), or through the
// attached report device when its flag is set; the commands are written once per path
// (PrinterCommands).
//
// Commands return 1 on success and 0 on failure unless said otherwise. Waits are protocol
// time (scaled by KYVFLASH_TIME_SCALE) and a stop request cuts them short.

#include "protocol/command_bytes.h"
#include "protocol/command_context.h"
#include "protocol/printer_commands.h"
#include "transport/dcb_comm.h"

#include <memory>
#include <string>

namespace kyv {

struct ModelInfo;

class CFlashCmd : public CDCBComm {
public:
    // ownerWindow receives the notices and status texts of the commands; may be null.
    explicit CFlashCmd(JobEvents* ownerWindow = nullptr);
    ~CFlashCmd() override; // closes the port first

    // Copies the model (display name and family), longWait, altCrc and portDetection of
    // the job's row.
    void bindJob(const ModelInfo& row);
    void setModel(const std::string& modelName, const std::string& family);
    const std::string& modelName() const { return context_.modelName; }
    void setAltCrc(int altCrc) { context_.crc.setAltCrc(altCrc); }
    int altCrc() const { return context_.crc.altCrc(); }
    JobEvents* ownerWindow() const { return context_.events; }

    int longWait = 0;         // read by the sector download, not by the commands
    int portDetection = 0;    // read by the download procedures
    int reportDeviceFlag = 0; // non-zero: commands go through the attached report device

    // Installs the command path of an attached report device (the USB backends); null
    // removes it. The port path is always there.
    void attachReportPath(std::unique_ptr<PrinterCommands> path);

    // ESC [ } (or its IBM USB frame). Port: write, wait 7 s; kind 2 also needs an ACK.
    int switchToDownloadMode(ByteString bytes);
    // 1D 02 n / 1D 10 n, acknowledged with ACK.
    int selectSector(int sector);
    int eraseSector(int sector);
    // 1D 06: the printer's CRC of the sector just written. slow adds the long wait.
    int querySectorCrc(int slow, uint16_t& crc);
    // 1D 0F (main firmware) or 1D 07 (boot program): the printer recalculates its image CRC.
    int recalculateCrc(ByteString command, uint16_t& crc);
    // One sector: header 1D 11 00 00 lo hi, then 1, 2 or 4 blocks; the CRC of the blocks is
    // kept for computedCrc(). blocks must hold at least the block count of the layout.
    int sendSectorData(uint32_t sectorSize, uint32_t blockLength, int singleBlock,
                       SectorBlocks blocks, const BlockSent& afterBlock = {});
    // 1D 80, then the printer's restart time.
    int restartPrinter();
    // Writes bytes (a reset, 1D FF) and waits for the restart (10 s R453/R243, else 20 s).
    // Always succeeds.
    int sendAndWaitRestart(ByteString bytes);
    // Real-time status request (10 04 01) until the printer is not busy, at most 3 times.
    int waitUntilReady(ByteString bytes);
    // Writes bytes (1D 01, ...) and expects ACK first in the reply.
    int sendWithAck(ByteString bytes);
    // 1F 74 00 01: the printer prints its configuration.
    int printConfiguration(int reconnect);
    // 1F 11 11 code FF and a reset. Returns 0 when done, else the ResultCode (1009).
    ResultCode changeBaudRate(int baud);
    // The printer's line speed; 0 when it did not answer.
    int queryBaudRate();
    int queryBaudRateExtended();
    // Clears the printer's download area (1D 40 31, 1D 40 32; first 1D 22 55 FF FF for the
    // models that keep a user area).
    int clearDownloadArea();
    // Appends the printer's model number (the text after the apostrophe) to modelNumber.
    int queryModelNumber(std::string& modelNumber);
    // The version report (boot and main versions and CRCs). A printer that leaves an item
    // unanswered gets the notice "Please Check the Connection. No Response from Printer."
    // and an empty text; the command still succeeds. Fails only when a write fails.
    int queryVersionReport(std::string& versionText);
    // 0 online, 1 in download mode, 2 no answer.
    int queryPrinterMode();
    // 1D 30 07: the printer's flash state byte; 0 when it did not answer.
    int queryFlashState();
    // CRC of the last sector sent, in the form this model's printer reports.
    uint16_t computedCrc() const { return context_.crc.reported(); }
    int sendRaw(ByteString bytes);

    // IBM USB: a frame answered with a 16-bit value (the image CRC after a recalculation or
    // a firmware swap); the printer's swap support (3 supported, 2 not, 0 no answer); a
    // firmware-swap command acknowledged after wait. Other kinds fail.
    int sendFramedAndRead(ByteString frame, uint16_t& value);
    int queryMemoryBanks();
    int sendSwapCommand(ByteString command, ProtocolMs wait);

    // Stored printer settings. Status texts go to dialog as step texts.
    int configureLandscape(JobEvents* dialog);
    int disableMicr(JobEvents* dialog);
    int disableFlip(JobEvents* dialog);

private:
    // The path of the current connection: the attached report device, or the port.
    PrinterCommands& path();
    // The command set of the port's current kind (version and model queries always take
    // it, also when a report device is attached).
    PrinterCommands& portPath();
    int writeSetting(ByteString bytes);

    CommandContext context_;
    std::unique_ptr<PrinterCommands> portPath_;
    PortKind portPathKind_ = -1; // the kind portPath_ was made for
    std::unique_ptr<PrinterCommands> reportPath_;
};

} // namespace kyv
