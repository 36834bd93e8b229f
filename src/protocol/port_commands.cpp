#include "protocol/port_commands.h"

#include "core/catalogue.h"
#include "core/clock.h"
#include "protocol/command_bytes.h"
#include "protocol/printer_notices.h"
#include "transport/dcb_comm.h"

#include <array>

namespace kyv {
namespace {

using namespace std::chrono_literals;

bool wait(ProtocolMs time) { return sleepFor(time); }

bool isAck(uint8_t byte) { return byte == cmd::kAck; }

uint16_t lowFirst(uint8_t low, uint8_t high) { return static_cast<uint16_t>(low + 256 * high); }

// Models whose printers need longer for the sector CRC.
bool slowSectorCrcModel(const CommandContext& context)
{
    for (const char* model : {"Q58X-E616", "R241", "R241-Y270", "R241-Y480", "R451", "R453", "R243"})
        if (context.isModel(model))
            return true;
    return false;
}

// Models with a user area that is erased before the download area is cleared.
bool erasesUserArea(const CommandContext& context)
{
    return context.isModel("R451") || context.isModel("R451-2XX8/3XX8/4XX8/6XX8") ||
           context.isModel("R241-2XX8/3XX8/4XX8");
}

} // namespace

int PortCommands::writeBytes(ByteString bytes) { return port_.write(bytes.data(), bytes.size()); }

size_t PortCommands::readAtLeast(uint8_t* reply, size_t need, size_t capacity)
{
    size_t got = 0;
    while (got < need) {
        if (!port_.read(reply + got, capacity - got) || port_.bytesRead() == 0)
            break;
        got += port_.bytesRead();
    }
    return got;
}

bool PortCommands::readAckByte()
{
    uint8_t reply = 0;
    return readAtLeast(&reply, 1, 1) == 1 && isAck(reply);
}

int PortCommands::switchToDownloadMode(ByteString bytes)
{
    if (!writeBytes(bytes) || !wait(7000ms))
        return 0;
    if (port_.kind() == kUsbReportDevice)
        return readAckByte() ? 1 : 0;
    return 1;
}

int PortCommands::sectorCommand(ByteString prefix, int sector, bool settleAfterWrite)
{
    if (sector < 0 || sector > 0xFF)
        return 0;
    const uint8_t number = static_cast<uint8_t>(sector);
    if (!writeBytes(prefix) || !port_.write(&number, 1))
        return 0;
    if (settleAfterWrite && !wait(100ms))
        return 0;
    port_.setReadTimeout(40000);
    return readAckByte() ? 1 : 0;
}

int PortCommands::selectSector(int sector) { return sectorCommand(cmd::kSelectSectorPrefix, sector, false); }

int PortCommands::eraseSector(int sector) { return sectorCommand(cmd::kEraseSectorPrefix, sector, true); }

int PortCommands::querySectorCrc(int slow, uint16_t& crc)
{
    if (!writeBytes(cmd::kQuerySectorCrc))
        return 0;
    const bool lineKind = port_.kind() == kSerialPort || port_.kind() == kParallelPort;
    ProtocolMs pause = lineKind ? 3000ms : 2000ms;
    if (slow || context_.crc.altCrc() || slowSectorCrcModel(context_))
        pause += 6000ms;
    if (!wait(pause))
        return 0;
    std::array<uint8_t, 3> reply{};
    // A NAK fails at once; otherwise all three bytes are needed, so a short reply is never
    // decoded as a CRC.
    size_t got = readAtLeast(reply.data(), 1, reply.size());
    if (got == 0 || reply[0] == cmd::kNak)
        return 0;
    if (got < reply.size() && readAtLeast(reply.data() + got, reply.size() - got, reply.size() - got) < reply.size() - got)
        return 0;
    crc = lowFirst(reply[1], reply[2]);
    return 1;
}

int PortCommands::recalculateCrc(ByteString command, uint16_t& crc)
{
    switch (port_.kind()) {
    case kSerialPort: {
        if (!writeBytes(command) || !wait(3000ms))
            return 0;
        port_.setReadTimeout(100000);
        if (!readAckByte())
            return 0;
        std::array<uint8_t, 2> value{};
        if (readAtLeast(value.data(), value.size(), value.size()) < value.size())
            return 0;
        crc = lowFirst(value[0], value[1]);
        return 1;
    }
    case kParallelPort: {
        if (!writeBytes(command) || !wait(5000ms))
            return 0;
        Deadline deadline(60000ms);
        std::array<uint8_t, 3> reply{};
        bool answered = false;
        while (!answered && !deadline.expired()) {
            // Read only while the printer does not hold its busy line.
            if (port_.parallelBusy() != 1 && port_.read(reply.data(), reply.size()))
                answered = reply[0] == cmd::kAck || reply[0] == cmd::kNak;
            if (!answered && !wait(1000ms))
                return 0;
        }
        if (!answered || !isAck(reply[0]))
            return 0;
        crc = lowFirst(reply[1], reply[2]);
        return 1;
    }
    case kUsbReportDevice: {
        if (!writeBytes(command) || !wait(10000ms))
            return 0;
        std::array<uint8_t, 64> reply{};
        if (!port_.read(reply.data(), reply.size()) || port_.bytesRead() < 3 || reply[0] == cmd::kNak)
            return 0;
        crc = lowFirst(reply[1], reply[2]);
        return 1;
    }
    case kUsbDeviceClass: return 1; // the printer-class path recalculates on its own
    default: return 0;
    }
}

int PortCommands::sendSectorData(uint32_t sectorSize, uint32_t blockLength, int singleBlock,
                                 SectorBlocks blocks, const BlockSent& afterBlock)
{
    const PortKind kind = port_.kind();
    if (kind == kUsbDeviceClass)
        return 1; // the printer-class path sends its data through its own channel
    if (kind != kSerialPort && kind != kParallelPort)
        return 0; // a report device sends its blocks in report-sized pieces on its own path
    const cmd::SectorLayout layout = cmd::sectorLayout(sectorSize, blockLength, singleBlock != 0);
    if (blocks.size() < layout.blockCount)
        return 0;

    // 1D 11 as one write, then each header byte on its own.
    if (!writeBytes(std::span(layout.header).first(2)))
        return 0;
    for (size_t i = 2; i < layout.header.size(); ++i)
        if (!port_.write(&layout.header[i], 1))
            return 0;
    context_.crc.zero();
    for (size_t j = 0; j < layout.blockCount; ++j) {
        if (!writeBytes(blocks[j]))
            return 0;
        context_.crc.feed(blocks[j]);
        if (afterBlock)
            afterBlock(j, layout.blockCount);
    }
    if (!wait(1000ms))
        return 0;
    if (layout.blockCount == 2)
        return wait(20000ms) ? 1 : 0; // a half-size sector is not acknowledged
    uint8_t reply = 0;
    if (readAtLeast(&reply, 1, 1) != 1)
        return 0;
    if (kind == kParallelPort)
        return isAck(reply) ? 1 : 0;
    return reply != cmd::kNak ? 1 : 0;
}

int PortCommands::restartPrinter()
{
    // An unsent restart must not be reported as one.
    if (!writeBytes(cmd::kRestart))
        return 0;
    return wait(7000ms) ? 1 : 0;
}

int PortCommands::sendAndWaitRestart(ByteString bytes)
{
    writeBytes(bytes); // the printer may drop the line while it resets
    wait(context_.isR453OrR243() ? 10000ms : 20000ms);
    return 1;
}

int PortCommands::waitUntilReady(ByteString bytes)
{
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (!writeBytes(bytes) || !wait(port_.kind() == kParallelPort ? 4000ms : 200ms))
            return 0;
        std::array<uint8_t, 4> status{};
        if (!port_.read(status.data(), status.size()))
            return 0;
        if (!(status[0] & 0x08))
            return 1;
        if (!context_.isR453OrR243()) {
            port_.writeRetry(cmd::kReleaseBusy);
            if (!wait(3000ms))
                return 0;
        }
    }
    return 0;
}

int PortCommands::sendWithAck(ByteString bytes)
{
    if (!writeBytes(bytes))
        return 0;
    ProtocolMs pause = 200ms;
    if (port_.kind() == kLanOrWifi)
        pause = 4000ms;
    else if (port_.kind() == kIbmUsb)
        pause = 1000ms;
    if (!wait(pause))
        return 0;
    std::array<uint8_t, 1023> reply{};
    return port_.read(reply.data(), reply.size()) && port_.bytesRead() >= 1 && isAck(reply[0]) ? 1 : 0;
}

int PortCommands::printConfiguration(int /*reconnect*/)
{
    if (port_.kind() != kUsbReportDevice)
        port_.setReadTimeout(1500);
    return writeBytes(cmd::kPrintConfiguration);
}

ResultCode PortCommands::changeBaudRate(int baud)
{
    port_.setReadTimeout(1500);
    bool ready = false;
    for (int attempt = 0; attempt < 4 && !ready; ++attempt)
        ready = waitUntilReady(cmd::kRealTimeStatus) == 1;
    if (!ready)
        return rc::InterfaceBusy;
    if (!writeBytes(cmd::changeBaudCommand(baud)))
        return rc::InterfaceBusy;
    sendAndWaitRestart(cmd::kReset);
    wait(3000ms);
    port_.setReadTimeout(1500);
    return rc::Success;
}

int PortCommands::queryBaudRate()
{
    uint8_t reply = 0;
    if (!writeBytes(cmd::kQueryBaudRate) || readAtLeast(&reply, 1, 1) != 1)
        return 0;
    return cmd::decodeBaud(reply);
}

int PortCommands::queryBaudRateExtended()
{
    if (!writeBytes(cmd::kEnterSettingsMode) || !wait(80ms) || !writeBytes(cmd::kReadBaudSwitch))
        return 0;
    uint8_t reply = 0;
    const bool answered = readAtLeast(&reply, 1, 1) == 1;
    // Leave the settings mode even when the printer did not answer.
    const bool left = writeBytes(cmd::kLeaveSettingsMode) && wait(80ms);
    return answered && left ? cmd::decodeBaud(reply) : 0;
}

int PortCommands::clearDownloadArea()
{
    port_.setReadTimeout(5000);
    auto step = [this](ByteString bytes, ProtocolMs pause) {
        uint8_t reply = 0;
        return writeBytes(bytes) && wait(pause) && readAtLeast(&reply, 1, 1) == 1;
    };
    if (erasesUserArea(context_) && !step(cmd::kEraseUserArea, 1000ms))
        return 0;
    return step(cmd::kClearDownloadArea1, 500ms) && step(cmd::kClearDownloadArea2, 500ms) ? 1 : 0;
}

int PortCommands::queryModelNumber(std::string& modelNumber)
{
    if (!writeBytes(cmd::kQueryModelNumber) || !wait(context_.isR453OrR243() ? 1000ms : 5000ms))
        return 0;
    std::array<uint8_t, 18> reply{};
    if (!port_.read(reply.data(), reply.size()))
        return 0;
    auto number = cmd::parseModelNumber(std::span(reply).first(port_.bytesRead()));
    if (!number)
        return 0;
    modelNumber += *number;
    return 1;
}

int PortCommands::queryVersionReport(std::string& versionText)
{
    constexpr size_t kReplyLength = 10;
    constexpr size_t kTextEnd = 6; // the item's text is reply bytes 1 to 5
    std::vector<std::string> texts;
    bool complete = true;
    const std::vector<cmd::VersionItem> items = cmd::versionItems(context_.isR453OrR243());
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0 && !wait(50ms)) // the printer's pause between two items
            return 0;
        if (!writeBytes(cmd::infoQuery(items[i].item)) || !wait(50ms))
            return 0;
        std::array<uint8_t, kReplyLength> reply{};
        if (readAtLeast(reply.data(), kTextEnd, reply.size()) >= kTextEnd) {
            texts.push_back(cmd::versionItemText(std::span(reply).subspan(1, kTextEnd - 1)));
        } else {
            texts.emplace_back();
            complete = false;
        }
    }
    if (!complete) {
        noticeNoResponse(context_.events);
        versionText.clear();
        return 1;
    }
    versionText = cmd::joinVersionReport(texts);
    return 1;
}

int PortCommands::queryPrinterMode()
{
    if (port_.kind() == kUsbReportDevice)
        return sendWithAck(cmd::kIplCommand) ? 1 : 0;
    if (waitUntilReady(cmd::kRealTimeStatus))
        return 0;
    return sendWithAck(cmd::kIplCommand) ? 1 : 2;
}

int PortCommands::queryFlashState()
{
    uint8_t reply = 0;
    if (!writeBytes(cmd::kQueryFlashState) || readAtLeast(&reply, 1, 1) != 1)
        return 0;
    return reply;
}

int PortCommands::sendRaw(ByteString bytes) { return writeBytes(bytes); }

int PortCommands::writeSetting(ByteString bytes) { return writeBytes(bytes); }

} // namespace kyv
