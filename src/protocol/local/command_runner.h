#pragma once
// Runs the local command set's exchanges over the port operations: bytes out, a wait, and
// the reply read back under the port's read time-out. The command sets are the bytes,
// waits and reply tests; this is the one place that moves them.

#include "core/clock.h"
#include "protocol/printer_commands.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kyv {

class CDCBComm;

// One "bytes, wait, reply" exchange: the reply is complete once need bytes came.
struct Exchange {
    ByteString bytes;
    ProtocolMs wait{0};
    size_t need = 0;
};

class CommandRunner {
public:
    explicit CommandRunner(CDCBComm& port) : port_(port) {}

    CDCBComm& port() { return port_; }
    // Writes the bytes as one write (the port purges its input first).
    bool send(ByteString bytes);
    // The printer's time between a command and its reply; false when a stop cut it short.
    bool pause(ProtocolMs time);
    // Reads until at least need bytes came (each read waits up to the read time-out for its
    // first byte), into reply. Returns the count that came.
    size_t readAtLeast(std::span<uint8_t> reply, size_t need);
    // One read of up to reply.size() bytes; the count that came, or nullopt when it failed.
    std::optional<size_t> readOnce(std::span<uint8_t> reply);
    // One byte that must be ACK.
    bool readAck();
    // send, pause, readAtLeast. nullopt when the write or the wait failed, else the count
    // of reply bytes that came.
    std::optional<size_t> run(const Exchange& exchange, std::span<uint8_t> reply);

private:
    CDCBComm& port_;
};

} // namespace kyv
