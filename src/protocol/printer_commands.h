#pragma once
// The local printer commands, one implementation per way of reaching the printer: the port
// operations (PortCommands), an attached USB report device, IBM USB frames. CFlashCmd
// forwards each command to the path its connection uses, so a new path adds one class and
// rewrites no command. Returns follow CFlashCmd's (see flash_cmd.h).

#include "core/clock.h"
#include "core/result_code.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace kyv {

class JobEvents;

using ByteString = std::span<const uint8_t>;
using SectorBlocks = std::span<const std::span<const uint8_t>>;
// Called after each block of a sector has gone out: (block index, block count).
using BlockSent = std::function<void(size_t, size_t)>;

class PrinterCommands {
public:
    virtual ~PrinterCommands() = default;

    virtual int switchToDownloadMode(ByteString bytes) = 0;
    virtual int selectSector(int sector) = 0;
    virtual int eraseSector(int sector) = 0;
    virtual int querySectorCrc(int slow, uint16_t& crc) = 0;
    virtual int recalculateCrc(ByteString command, uint16_t& crc) = 0;
    virtual int sendSectorData(uint32_t sectorSize, uint32_t blockLength, int singleBlock,
                               SectorBlocks blocks, const BlockSent& afterBlock) = 0;
    virtual int restartPrinter() = 0;
    virtual int sendAndWaitRestart(ByteString bytes) = 0;
    virtual int waitUntilReady(ByteString bytes) = 0;
    virtual int sendWithAck(ByteString bytes) = 0;
    virtual int printConfiguration(int reconnect) = 0;
    virtual ResultCode changeBaudRate(int baud) = 0;
    virtual int queryBaudRate() = 0;
    virtual int queryBaudRateExtended() = 0;
    virtual int clearDownloadArea() = 0;
    virtual int queryModelNumber(std::string& modelNumber) = 0;
    virtual int queryVersionReport(std::string& versionText) = 0;
    virtual int queryPrinterMode() = 0;
    virtual int queryFlashState() = 0;
    virtual int sendRaw(ByteString bytes) = 0;
    // Writes a stored-setting command (switch block, MICR, FLIP) the way this path sends
    // plain commands.
    virtual int writeSetting(ByteString bytes) = 0;

    // IBM USB only (other paths fail): a frame whose answer is a 16-bit value, asked for at
    // once and polled (the image CRC after a recalculation or a swap); the swap support
    // (0 no answer, 2 not supported, 3 supported); a swap command acknowledged after wait.
    virtual int sendFramedAndRead(ByteString /*frame*/, uint16_t& /*value*/) { return 0; }
    virtual int queryMemoryBanks() { return 0; }
    virtual int sendSwapCommand(ByteString /*command*/, ProtocolMs /*wait*/) { return 0; }
};

} // namespace kyv
