#include "protocol/local/port_commands.h"

#include "core/clock.h"
#include "protocol/command_bytes.h"
#include "protocol/local/model_waits.h"
#include "protocol/printer_notices.h"
#include "transport/dcb_comm.h"

#include <array>

namespace kyv {
namespace {

using namespace std::chrono_literals;

uint16_t lowFirst(uint8_t low, uint8_t high) { return static_cast<uint16_t>(low + 256 * high); }

} // namespace

ProtocolMs PortCommands::sectorCrcPause() const { return 3000ms; }
ProtocolMs PortCommands::statusPause() const { return 200ms; }
ProtocolMs PortCommands::ackPause() const { return 200ms; }
bool PortCommands::sectorAccepted(uint8_t reply) const { return reply != cmd::kNak; }

int PortCommands::switchToDownloadMode(ByteString bytes)
{
    return run_.send(bytes) && run_.pause(7000ms) ? 1 : 0;
}

int PortCommands::sectorCommand(ByteString prefix, int sector, bool settleAfterWrite)
{
    if (sector < 0 || sector > 0xFF)
        return 0;
    const uint8_t number = static_cast<uint8_t>(sector);
    if (!run_.send(prefix) || !run_.send(std::span(&number, 1)))
        return 0;
    if (settleAfterWrite && !run_.pause(100ms))
        return 0;
    run_.port().setReadTimeout(40000);
    return run_.readAck() ? 1 : 0;
}

int PortCommands::selectSector(int sector) { return sectorCommand(cmd::kSelectSectorPrefix, sector, false); }

int PortCommands::eraseSector(int sector) { return sectorCommand(cmd::kEraseSectorPrefix, sector, true); }

int PortCommands::querySectorCrc(int slow, uint16_t& crc)
{
    ProtocolMs pause = sectorCrcPause();
    if (slow || context_.crc.altCrc() || slowSectorCrcModel(context_))
        pause += 6000ms;
    std::array<uint8_t, 3> reply{};
    // A NAK fails at once; otherwise all three bytes are needed, so a short reply is never
    // decoded as a CRC.
    std::optional<size_t> got = run_.run({cmd::kQuerySectorCrc, pause, 1}, reply);
    if (!got || *got == 0 || reply[0] == cmd::kNak)
        return 0;
    if (*got < reply.size() && run_.readAtLeast(std::span(reply).subspan(*got), reply.size() - *got) < reply.size() - *got)
        return 0;
    crc = lowFirst(reply[1], reply[2]);
    return 1;
}

int PortCommands::recalculateCrc(ByteString command, uint16_t& crc)
{
    if (!run_.send(command) || !run_.pause(3000ms))
        return 0;
    run_.port().setReadTimeout(100000);
    if (!run_.readAck())
        return 0;
    std::array<uint8_t, 2> value{};
    if (run_.readAtLeast(value, value.size()) < value.size())
        return 0;
    crc = lowFirst(value[0], value[1]);
    return 1;
}

int PortCommands::sendSectorData(uint32_t sectorSize, uint32_t blockLength, int singleBlock,
                                 SectorBlocks blocks, const BlockSent& afterBlock)
{
    return sendSectorOverPort(sectorSize, blockLength, singleBlock, blocks, afterBlock);
}

int PortCommands::sendSectorOverPort(uint32_t sectorSize, uint32_t blockLength, int singleBlock,
                                     SectorBlocks blocks, const BlockSent& afterBlock)
{
    const cmd::SectorLayout layout = cmd::sectorLayout(sectorSize, blockLength, singleBlock != 0);
    if (blocks.size() < layout.blockCount)
        return 0;

    // 1D 11 as one write, then each header byte on its own.
    if (!run_.send(std::span(layout.header).first(2)))
        return 0;
    for (size_t i = 2; i < layout.header.size(); ++i)
        if (!run_.send(std::span(layout.header).subspan(i, 1)))
            return 0;
    context_.crc.zero();
    for (size_t j = 0; j < layout.blockCount; ++j) {
        if (!run_.send(blocks[j]))
            return 0;
        context_.crc.feed(blocks[j]);
        if (afterBlock)
            afterBlock(j, layout.blockCount);
    }
    if (!run_.pause(1000ms))
        return 0;
    if (layout.blockCount == 2)
        return run_.pause(20000ms) ? 1 : 0; // a half-size sector is not acknowledged
    uint8_t reply = 0;
    if (run_.readAtLeast(std::span(&reply, 1), 1) != 1)
        return 0;
    return sectorAccepted(reply) ? 1 : 0;
}

int PortCommands::restartPrinter()
{
    // An unsent restart must not be reported as one.
    if (!run_.send(cmd::kRestart))
        return 0;
    return run_.pause(7000ms) ? 1 : 0;
}

ProtocolMs PortCommands::restartTime() const { return context_.isR453OrR243() ? 10000ms : 20000ms; }

int PortCommands::sendAndWaitRestart(ByteString bytes)
{
    run_.send(bytes); // the printer may drop the line while it resets
    run_.pause(restartTime());
    return 1;
}

int PortCommands::waitUntilReady(ByteString bytes)
{
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (!run_.send(bytes) || !run_.pause(statusPause()))
            return 0;
        std::array<uint8_t, 4> status{};
        if (!run_.readOnce(status))
            return 0;
        if (!(status[0] & 0x08))
            return 1;
        if (!context_.isR453OrR243()) {
            run_.port().writeRetry(cmd::kReleaseBusy);
            if (!run_.pause(3000ms))
                return 0;
        }
    }
    return 0;
}

int PortCommands::sendWithAck(ByteString bytes)
{
    if (!run_.send(bytes) || !run_.pause(ackPause()))
        return 0;
    std::array<uint8_t, 1023> reply{};
    std::optional<size_t> got = run_.readOnce(reply);
    return got && *got >= 1 && reply[0] == cmd::kAck ? 1 : 0;
}

int PortCommands::printConfiguration(int /*reconnect*/)
{
    run_.port().setReadTimeout(1500);
    return run_.send(cmd::kPrintConfiguration) ? 1 : 0;
}

ResultCode PortCommands::changeBaudRate(int baud)
{
    run_.port().setReadTimeout(1500);
    bool ready = false;
    for (int attempt = 0; attempt < 4 && !ready; ++attempt)
        ready = waitUntilReady(cmd::kRealTimeStatus) == 1;
    if (!ready)
        return rc::InterfaceBusy;
    if (!run_.send(cmd::changeBaudCommand(baud)))
        return rc::InterfaceBusy;
    // The new speed takes effect only with the reset: a reset that never went out leaves
    // the printer at its old speed, so the change has not happened.
    if (!run_.send(cmd::kReset))
        return rc::InterfaceBusy;
    run_.pause(restartTime());
    run_.pause(3000ms);
    run_.port().setReadTimeout(1500);
    return rc::Success;
}

int PortCommands::queryBaudRate()
{
    uint8_t reply = 0;
    if (!run_.send(cmd::kQueryBaudRate) || run_.readAtLeast(std::span(&reply, 1), 1) != 1)
        return 0;
    return cmd::decodeBaud(reply);
}

int PortCommands::queryBaudRateExtended()
{
    if (!run_.send(cmd::kEnterSettingsMode) || !run_.pause(80ms) || !run_.send(cmd::kReadBaudSwitch))
        return 0;
    uint8_t reply = 0;
    const bool answered = run_.readAtLeast(std::span(&reply, 1), 1) == 1;
    // Leave the settings mode even when the printer did not answer.
    const bool left = run_.send(cmd::kLeaveSettingsMode) && run_.pause(80ms);
    return answered && left ? cmd::decodeBaud(reply) : 0;
}

int PortCommands::clearDownloadArea()
{
    run_.port().setReadTimeout(5000);
    auto step = [this](ByteString bytes, ProtocolMs pause) {
        uint8_t reply = 0;
        std::optional<size_t> got = run_.run({bytes, pause, 1}, std::span(&reply, 1));
        return got && *got == 1;
    };
    if (erasesUserArea(context_) && !step(cmd::kEraseUserArea, 1000ms))
        return 0;
    return step(cmd::kClearDownloadArea1, 500ms) && step(cmd::kClearDownloadArea2, 500ms) ? 1 : 0;
}

int PortCommands::queryModelNumber(std::string& modelNumber)
{
    if (!run_.send(cmd::kQueryModelNumber) || !run_.pause(context_.isR453OrR243() ? 1000ms : 5000ms))
        return 0;
    std::array<uint8_t, 18> reply{};
    std::optional<size_t> got = run_.readOnce(reply);
    if (!got)
        return 0;
    auto number = cmd::parseModelNumber(std::span(reply).first(*got));
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
        if (i > 0 && !run_.pause(50ms)) // the printer's pause between two items
            return 0;
        std::array<uint8_t, kReplyLength> reply{};
        std::optional<size_t> got = run_.run({cmd::infoQuery(items[i].item), 50ms, kTextEnd}, reply);
        if (!got)
            return 0;
        if (*got >= kTextEnd) {
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
    if (waitUntilReady(cmd::kRealTimeStatus))
        return 0;
    return sendWithAck(cmd::kIplCommand) ? 1 : 2;
}

int PortCommands::queryFlashState()
{
    uint8_t reply = 0;
    if (!run_.send(cmd::kQueryFlashState) || run_.readAtLeast(std::span(&reply, 1), 1) != 1)
        return 0;
    return reply;
}

int PortCommands::sendRaw(ByteString bytes) { return run_.send(bytes) ? 1 : 0; }

int PortCommands::writeSetting(ByteString bytes) { return run_.send(bytes) ? 1 : 0; }

} // namespace kyv
