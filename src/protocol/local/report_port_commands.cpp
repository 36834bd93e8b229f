#include "protocol/local/report_port_commands.h"

#include "protocol/command_bytes.h"

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

int ReportPortCommands::sendSectorData(uint32_t, uint32_t, int, SectorBlocks, const BlockSent&)
{
    return 0; // a report device sends its blocks in report-sized pieces on its own path
}

int ReportPortCommands::printConfiguration(int /*reconnect*/)
{
    return run_.send(cmd::kPrintConfiguration) ? 1 : 0;
}

int ReportPortCommands::queryPrinterMode() { return sendWithAck(cmd::kIplCommand) ? 1 : 0; }

} // namespace kyv
