#include "protocol/local/ibm_usb_port_commands.h"

#include "protocol/command_bytes.h"
#include "protocol/printer_notices.h"
#include "transport/dcb_comm.h"

#include <algorithm>
#include <array>

namespace kyv {
namespace {

using namespace std::chrono_literals;

constexpr size_t kStatusAt = 11;        // the status byte in the status report
constexpr size_t kTextEnd = 50;         // texts of the status report end before this offset
constexpr size_t kBlockBytes = 16384;   // a 64 KB sector goes as four blocks
constexpr size_t kSectorBlocks = 4;
constexpr size_t kPacketData = 246;     // data bytes of a full packet (1B 2E + data)
constexpr size_t kLastPacketBytes = 160; // 1B 2E, the block's last 148 bytes, zeros
constexpr int kEmptyReadsAllowed = 4;
constexpr int kValueReads = 20;

constexpr std::array<uint8_t, 7> kBlockHeader{0x1B, 0x2A, 0x50, 0x32, 0x29, 0x1D, 0x11};
constexpr std::array<uint8_t, 2> kPacketPrefix{0x1B, 0x2E};

// The text of a status report from `from` up to its CR (the report ends at offset 49).
std::optional<std::string> textUpToCr(std::span<const uint8_t> report, size_t from)
{
    const size_t end = std::min(report.size(), kTextEnd);
    for (size_t i = from; i < end; ++i)
        if (report[i] == cmd::kCr)
            return std::string(report.begin() + from, report.begin() + i);
    return std::nullopt;
}

} // namespace

bool IbmUsbPortCommands::fetchStatus(std::span<uint8_t> report)
{
    std::optional<size_t> got = run_.readOnce(report);
    return got && *got == report.size();
}

std::optional<IbmUsbPortCommands::Status> IbmUsbPortCommands::statusRequest()
{
    if (!run_.send(cmd::kIbmUsbStatusRequest) || !run_.pause(100ms))
        return std::nullopt;
    std::array<uint8_t, kStatusAt + 3> report{};
    if (!fetchStatus(report))
        return std::nullopt;
    return Status{report[kStatusAt], static_cast<uint16_t>(report[kStatusAt + 1] + 256 * report[kStatusAt + 2])};
}

int IbmUsbPortCommands::framedWithAck(ByteString command, ProtocolMs wait, uint8_t page)
{
    if (!run_.send(cmd::ibmUsbFrame(command, page)) || !run_.pause(wait))
        return 0;
    std::optional<Status> status = statusRequest();
    return status && status->status == cmd::kAck ? 1 : 0;
}

int IbmUsbPortCommands::selectSector(int sector)
{
    if (sector < 0 || sector > 0xFF)
        return 0;
    const std::array<uint8_t, 3> command{0x1D, 0x02, static_cast<uint8_t>(sector)};
    return framedWithAck(command, 100ms, cmd::kIbmUsbPage);
}

int IbmUsbPortCommands::eraseSector(int sector)
{
    if (sector < 0 || sector > 0xFF)
        return 0;
    const std::array<uint8_t, 3> command{0x1D, 0x10, static_cast<uint8_t>(sector)};
    return framedWithAck(command, 100ms, cmd::kIbmUsbPage);
}

int IbmUsbPortCommands::querySectorCrc(int /*slow*/, uint16_t& crc)
{
    if (!run_.send(cmd::ibmUsbFrame(cmd::kQuerySectorCrc)))
        return 0;
    std::optional<Status> status = statusRequest();
    if (!status || status->status != cmd::kAck)
        return 0;
    crc = status->value;
    return 1;
}

int IbmUsbPortCommands::sendBlock(size_t index, std::span<const uint8_t> block)
{
    const std::array<uint8_t, 3> offset{0x1B, 0x2E, static_cast<uint8_t>(index * 64)};
    constexpr std::array<uint8_t, 3> length{0x1B, 0x2E, 0x40};
    if (!run_.send(kBlockHeader) || !run_.send(offset) || !run_.send(length))
        return 0;
    for (size_t at = 0; at < block.size(); at += kPacketData) {
        const size_t take = std::min(kPacketData, block.size() - at);
        std::vector<uint8_t> packet(kPacketPrefix.begin(), kPacketPrefix.end());
        packet.insert(packet.end(), block.begin() + at, block.begin() + at + take);
        if (take < kPacketData)
            packet.resize(kLastPacketBytes, 0);
        if (!run_.send(packet))
            return 0;
        // The printer takes the next packet once it has an answer ready.
        int emptyReads = 0;
        uint8_t answer = 0;
        while (!run_.readOnce(std::span(&answer, 1)).value_or(0))
            if (++emptyReads == kEmptyReadsAllowed)
                return 0;
    }
    return 1;
}

int IbmUsbPortCommands::sendSectorData(uint32_t /*sectorSize*/, uint32_t /*blockLength*/, int singleBlock,
                                       SectorBlocks blocks, const BlockSent& afterBlock)
{
    // The printer takes whole 64 KB sectors in four blocks only.
    if (singleBlock || blocks.size() < kSectorBlocks)
        return 0;
    context_.crc.zero();
    for (size_t j = 0; j < kSectorBlocks; ++j) {
        if (blocks[j].size() != kBlockBytes || !sendBlock(j, blocks[j]))
            return 0;
        context_.crc.feedArc(blocks[j]);
        if (afterBlock)
            afterBlock(j, kSectorBlocks);
    }
    if (!run_.pause(1000ms))
        return 0;
    std::optional<Status> status = statusRequest();
    return status && status->status == cmd::kAck ? 1 : 0;
}

int IbmUsbPortCommands::waitUntilReady(ByteString bytes)
{
    if (!run_.send(bytes))
        return 0;
    std::array<uint8_t, kStatusAt + 1> report{};
    if (!fetchStatus(report))
        return 0;
    const uint8_t state = report[kStatusAt];
    return state == '0' || state == '1' || state == '2' ? 1 : 0;
}

int IbmUsbPortCommands::sendWithAck(ByteString bytes)
{
    if (!run_.send(bytes) || !run_.pause(1000ms))
        return 0;
    std::optional<Status> status = statusRequest();
    return status && status->status == cmd::kAck ? 1 : 0;
}

int IbmUsbPortCommands::printConfiguration(int /*reconnect*/)
{
    return run_.send(cmd::kIbmUsbPrintConfiguration) ? 1 : 0;
}

int IbmUsbPortCommands::clearDownloadArea()
{
    return run_.send(cmd::kIbmUsbClearDownloadArea1) && run_.pause(1000ms) &&
                   run_.send(cmd::kIbmUsbClearDownloadArea2) && run_.pause(1000ms)
               ? 1
               : 0;
}

int IbmUsbPortCommands::queryModelNumber(std::string& modelNumber)
{
    constexpr int kAttempts = 5;
    constexpr size_t kNumberFrom = 10;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (!run_.send(cmd::ibmUsbFrame(cmd::kQueryModelNumber)) || !run_.pause(3000ms) ||
            !run_.send(cmd::kIbmUsbStatusRequest) || !run_.pause(100ms))
            return 0;
        std::array<uint8_t, kTextEnd> report{};
        if (!fetchStatus(report))
            continue;
        if (std::optional<std::string> text = textUpToCr(report, kNumberFrom)) {
            const size_t apostrophe = text->find('\'');
            if (apostrophe != std::string::npos)
                modelNumber += text->substr(apostrophe + 1);
            return 1;
        }
    }
    return 0;
}

int IbmUsbPortCommands::queryVersionReport(std::string& versionText)
{
    std::vector<std::string> texts;
    bool complete = true;
    for (const cmd::VersionItem& item : cmd::versionItems(context_.isR453OrR243())) {
        const cmd::Bytes query = cmd::infoQuery(item.item);
        if (!run_.send(cmd::ibmUsbFrame(query)) || !run_.pause(100ms) || !run_.send(cmd::kIbmUsbStatusRequest) ||
            !run_.pause(100ms))
            return 0;
        std::array<uint8_t, kTextEnd> report{};
        std::optional<std::string> text;
        if (fetchStatus(report))
            text = textUpToCr(report, kStatusAt);
        if (!text)
            complete = false;
        texts.push_back(text.value_or(""));
    }
    if (!complete) {
        noticeNoResponse(context_.events);
        versionText.clear();
        return 1;
    }
    versionText = cmd::joinVersionReport(texts);
    return 1;
}

int IbmUsbPortCommands::queryPrinterMode() { return waitUntilReady(cmd::kIbmUsbModeQuery) ? 0 : 1; }

int IbmUsbPortCommands::sendFramedAndRead(ByteString frame, uint16_t& value)
{
    if (!run_.send(frame) || !run_.send(cmd::kIbmUsbStatusRequest))
        return 0;
    std::array<uint8_t, kStatusAt + 3> report{};
    for (int attempt = 0; attempt < kValueReads; ++attempt) {
        if (attempt > 0 && !run_.pause(500ms))
            return 0;
        if (!fetchStatus(report))
            continue;
        if (report[kStatusAt] != cmd::kAck)
            return 0;
        value = static_cast<uint16_t>(report[kStatusAt + 2] * 256 + report[kStatusAt + 1]);
        return 1;
    }
    return 0;
}

int IbmUsbPortCommands::queryMemoryBanks()
{
    constexpr size_t kBankFlagsFrom = 5;
    constexpr size_t kBankStride = 16;
    if (!run_.send(cmd::ibmUsbFrame(cmd::kIbmUsbQueryMemoryBanks, cmd::kIbmUsbSwapPage)) || !run_.pause(100ms))
        return 0;
    std::array<uint8_t, kTextEnd> reply{}; // as much as one status report carries
    std::optional<size_t> got = run_.readOnce(reply);
    if (!got || *got == 0)
        return 0;
    for (size_t at = kBankFlagsFrom; at < *got; at += kBankStride)
        if (reply[at] & 0x80)
            return 2;
    return 3;
}

int IbmUsbPortCommands::sendSwapCommand(ByteString command, ProtocolMs wait)
{
    return framedWithAck(command, wait, cmd::kIbmUsbSwapPage);
}

} // namespace kyv
