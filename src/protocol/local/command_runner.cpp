#include "protocol/local/command_runner.h"

#include "protocol/command_bytes.h"
#include "transport/dcb_comm.h"

namespace kyv {

bool CommandRunner::send(ByteString bytes) { return port_.write(bytes.data(), bytes.size()) == 1; }

bool CommandRunner::pause(ProtocolMs time) { return sleepFor(time); }

size_t CommandRunner::readAtLeast(std::span<uint8_t> reply, size_t need)
{
    size_t got = 0;
    while (got < need && got < reply.size()) {
        if (!port_.read(reply.data() + got, reply.size() - got) || port_.bytesRead() == 0)
            break;
        got += port_.bytesRead();
    }
    return got;
}

std::optional<size_t> CommandRunner::readOnce(std::span<uint8_t> reply)
{
    if (!port_.read(reply.data(), reply.size()))
        return std::nullopt;
    return port_.bytesRead();
}

bool CommandRunner::readAck()
{
    uint8_t reply = 0;
    return readAtLeast(std::span(&reply, 1), 1) == 1 && reply == cmd::kAck;
}

std::optional<size_t> CommandRunner::run(const Exchange& exchange, std::span<uint8_t> reply)
{
    if (!send(exchange.bytes) || !pause(exchange.wait))
        return std::nullopt;
    return readAtLeast(reply, exchange.need);
}

} // namespace kyv
