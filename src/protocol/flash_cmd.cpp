#include "protocol/flash_cmd.h"

#include "core/catalogue.h"
#include "protocol/local/command_set_table.h"

namespace kyv {

CFlashCmd::CFlashCmd(JobEvents* ownerWindow)
{
    context_.events = ownerWindow;
}

CFlashCmd::~CFlashCmd() { close(); }

void CFlashCmd::bindJob(const ModelInfo& row)
{
    setModel(row.displayName, row.family);
    longWait = row.longWait;
    setAltCrc(row.altCrc);
    portDetection = row.job.portDetection;
}

void CFlashCmd::setModel(const std::string& modelName, const std::string& family)
{
    context_.modelName = modelName;
    context_.family = family;
}

void CFlashCmd::attachReportPath(std::unique_ptr<PrinterCommands> path) { reportPath_ = std::move(path); }

PrinterCommands& CFlashCmd::path()
{
    if (reportDeviceFlag && reportPath_)
        return *reportPath_;
    return portPath();
}

PrinterCommands& CFlashCmd::portPath()
{
    if (!portPath_ || portPathKind_ != kind()) {
        portPath_ = makePortCommands(kind(), *this, context_);
        portPathKind_ = kind();
    }
    return *portPath_;
}

int CFlashCmd::switchToDownloadMode(ByteString bytes) { return path().switchToDownloadMode(bytes); }
int CFlashCmd::selectSector(int sector) { return path().selectSector(sector); }
int CFlashCmd::eraseSector(int sector) { return path().eraseSector(sector); }
int CFlashCmd::querySectorCrc(int slow, uint16_t& crc) { return path().querySectorCrc(slow, crc); }
int CFlashCmd::recalculateCrc(ByteString command, uint16_t& crc) { return path().recalculateCrc(command, crc); }

int CFlashCmd::sendSectorData(uint32_t sectorSize, uint32_t blockLength, int singleBlock,
                              SectorBlocks blocks, const BlockSent& afterBlock)
{
    return path().sendSectorData(sectorSize, blockLength, singleBlock, blocks, afterBlock);
}

int CFlashCmd::restartPrinter() { return path().restartPrinter(); }
int CFlashCmd::sendAndWaitRestart(ByteString bytes) { return path().sendAndWaitRestart(bytes); }
int CFlashCmd::waitUntilReady(ByteString bytes) { return path().waitUntilReady(bytes); }
int CFlashCmd::sendWithAck(ByteString bytes) { return path().sendWithAck(bytes); }
int CFlashCmd::printConfiguration(int reconnect) { return path().printConfiguration(reconnect); }
ResultCode CFlashCmd::changeBaudRate(int baud) { return path().changeBaudRate(baud); }
int CFlashCmd::queryBaudRate() { return path().queryBaudRate(); }
int CFlashCmd::queryBaudRateExtended() { return path().queryBaudRateExtended(); }
int CFlashCmd::clearDownloadArea() { return path().clearDownloadArea(); }
// The model number and version report always take the port, also when a report device is
// attached.
int CFlashCmd::queryModelNumber(std::string& modelNumber) { return portPath().queryModelNumber(modelNumber); }
int CFlashCmd::queryVersionReport(std::string& versionText) { return portPath().queryVersionReport(versionText); }
int CFlashCmd::queryPrinterMode() { return path().queryPrinterMode(); }
int CFlashCmd::queryFlashState() { return path().queryFlashState(); }
int CFlashCmd::sendRaw(ByteString bytes) { return path().sendRaw(bytes); }
int CFlashCmd::writeSetting(ByteString bytes) { return path().writeSetting(bytes); }
int CFlashCmd::sendFramedAndRead(ByteString frame, uint16_t& value) { return path().sendFramedAndRead(frame, value); }
int CFlashCmd::queryMemoryBanks() { return path().queryMemoryBanks(); }
int CFlashCmd::sendSwapCommand(ByteString command, ProtocolMs wait) { return path().sendSwapCommand(command, wait); }

} // namespace kyv
