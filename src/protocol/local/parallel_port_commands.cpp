#include "protocol/local/parallel_port_commands.h"

#include "protocol/command_bytes.h"
#include "transport/dcb_comm.h"

#include <array>

namespace kyv {

using namespace std::chrono_literals;

ProtocolMs ParallelPortCommands::statusPause() const { return 4000ms; }

bool ParallelPortCommands::sectorAccepted(uint8_t reply) const { return reply == cmd::kAck; }

int ParallelPortCommands::recalculateCrc(ByteString command, uint16_t& crc)
{
    if (!run_.send(command) || !run_.pause(5000ms))
        return 0;
    Deadline deadline(60000ms);
    std::array<uint8_t, 3> reply{};
    bool answered = false;
    while (!answered && !deadline.expired()) {
        // Read only while the printer does not hold its busy line.
        if (run_.port().parallelBusy() != 1 && run_.readOnce(reply))
            answered = reply[0] == cmd::kAck || reply[0] == cmd::kNak;
        if (!answered && !run_.pause(1000ms))
            return 0;
    }
    if (!answered || reply[0] != cmd::kAck)
        return 0;
    crc = static_cast<uint16_t>(reply[1] + 256 * reply[2]);
    return 1;
}

} // namespace kyv
