#include "protocol/local/report_port_commands.h"

#include "protocol/command_bytes.h"
#include "transport/dcb_comm.h"

#include <algorithm>
#include <array>

namespace kyv {

using namespace std::chrono_literals;

ProtocolMs ReportPortCommands::sectorCrcPause() const { return 2000ms; }

int ReportPortCommands::switchToDownloadMode(ByteString bytes)
{
    return run_.send(bytes) && run_.pause(7000ms) && run_.readAck() ? 1 : 0;
}

int ReportPortCommands::recalculateCrc(ByteString command, uint16_t& crc)
{
    if (!run_.send(command) || !run_.pause(10000ms))
        return 0;
    std::array<uint8_t, 64> reply{}; // one feature report
    std::optional<size_t> got = run_.readOnce(reply);
    if (!got || *got < 3 || reply[0] == cmd::kNak)
        return 0;
    crc = static_cast<uint16_t>(reply[1] + 256 * reply[2]);
    return 1;
}

// The header goes as one report, each block in pieces that fill the device's larger
// output report (two of its bytes carry the report's own header), and the printer answers
// once for the whole sector.
int ReportPortCommands::sendSectorData(uint32_t sectorSize, uint32_t blockLength, int singleBlock,
                                       SectorBlocks blocks, const BlockSent& afterBlock)
{
    constexpr size_t kMostBlocks = 4;
    const cmd::SectorLayout layout = cmd::sectorLayout(sectorSize, blockLength, singleBlock != 0);
    const size_t capacity = run_.port().reportOutputCapacity();
    if (blocks.size() < layout.blockCount || capacity <= 2)
        return 0;
    const size_t piece = capacity - 2;
    if (!run_.send(layout.header))
        return 0;
    context_.crc.zero();
    const size_t count = std::min(layout.blockCount, kMostBlocks);
    for (size_t j = 0; j < count; ++j) {
        for (size_t at = 0; at < blocks[j].size(); at += piece)
            if (!run_.send(blocks[j].subspan(at, std::min(piece, blocks[j].size() - at))))
                return 0;
        context_.crc.feedArc(blocks[j]); // this printer always computes ARC
        if (afterBlock)
            afterBlock(j, count);
    }
    if (!run_.pause(1000ms))
        return 0;
    std::array<uint8_t, 64> reply{};
    std::optional<size_t> got = run_.readOnce(reply);
    return got && *got >= 1 && reply[0] != cmd::kNak ? 1 : 0;
}

int ReportPortCommands::printConfiguration(int /*reconnect*/)
{
    return run_.send(cmd::kPrintConfiguration) ? 1 : 0;
}

int ReportPortCommands::queryPrinterMode() { return sendWithAck(cmd::kIplCommand) ? 1 : 0; }

} // namespace kyv
