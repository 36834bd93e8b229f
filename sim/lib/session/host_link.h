#pragma once
// What a printer session and the transport that carries it (pty, USB bus, socket) have to
// tell each other about the host.

#include "sim/lib/transcript.h"

namespace kyv::sim {

// The host's line settings as a serial transport sees them. Parity is not here: a pty
// cannot carry it, so it is never compared.
struct HostLine {
    int baud = 0; // 0 when the speed is not a standard one
    int stopBits = 1;
};

// The transport's side of a session: the session answers through it.
class HostLink {
public:
    virtual ~HostLink() = default;
    // Sends one whole reply (the printer's answer to one command, or the garble a host at
    // other line settings hears) in the transport's own framing. False when it could not
    // all go out; the session then ends serving.
    virtual bool sendReply(const Bytes& reply) = 0;
    // Closes the connection for good: the printer dropped the line.
    virtual void dropLine() = 0;
};

} // namespace kyv::sim
