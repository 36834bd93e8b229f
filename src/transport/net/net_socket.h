#pragma once
// CNetSocket: one TCP connection or one broadcast-capable UDP socket to a network printer,
// on a non-blocking socket. Every wait is bounded by one of the three time-outs (protocol
// milliseconds, scaled by the project clock). All operations return 0 on failure and keep
// the errno of the failure in lastError(); nothing throws, nothing raises SIGPIPE.

#include "transport/net/net_settings.h"
#include "core/unique_fd.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kyv {

// Exchange kinds.
enum NetExchangeKind : int {
    kNetExchange = 0,
    kNetDatagramExchange = 2,
    kNetExchangeReplyOptional = 3,
    kNetSendOnly = 4,
};

class CNetSocket {
public:
    static constexpr size_t kReplyBufferSize = 1024;

    CNetSocket() = default;
    CNetSocket(const CNetSocket&) = delete;
    CNetSocket& operator=(const CNetSocket&) = delete;

    // Connects to address:port (host order) within the connect time-out. 1 when connected.
    int ConnectTcp(const NetTimeouts& timeouts, uint32_t address, uint16_t port, int expectsReply);
    // A datagram socket with broadcast permission, aimed at address:port; 1, or 0 when the
    // socket cannot be made.
    int OpenUdp(const NetTimeouts& timeouts, uint32_t address, uint16_t port, int expectsReply);

    // Sends the buffer within the write time-out; the bytes the stack took (all of them
    // unless the time-out ran out first), 0 when none went out.
    int Send(const uint8_t* buffer, size_t length);
    // Receives until expected bytes came (expected 0: after the first receive), at most
    // 1 + extraRounds receives each waiting up to the read time-out, appending to
    // destination but never past its capacity. The total, or 0 on a failed wait, a
    // time-out or too many rounds.
    int Receive(uint8_t* destination, size_t capacity, size_t expected, int extraRounds);
    // One datagram to the peer address; length 0 succeeds at once with 1.
    int SendTo(const uint8_t* buffer, size_t length);
    // One datagram of at most capacity bytes within the read time-out; records its sender.
    int ReceiveFrom(uint8_t* destination, size_t capacity);
    // Shuts the sending side, drains what the printer still sends until it closes (bounded),
    // and closes. 0 when closed, otherwise the errno of the step that failed.
    int Close();
    // One request and its reply, by kind; reply gets the bytes that came.
    int Exchange(int kind, const uint8_t* payload, size_t length, std::vector<uint8_t>& reply);

    bool isOpen() const { return fd_.valid(); }
    int fd() const { return fd_.get(); }
    int connected() const { return connected_; }
    int expectsReply() const { return expectsReply_; }
    int lastError() const { return lastError_; }
    const NetTimeouts& timeouts() const { return timeouts_; }
    // Sender of the last datagram received, host order, and as a.b.c.d.
    uint32_t senderAddress() const { return senderAddress_; }
    const std::string& senderText() const { return senderText_; }
    // Waits up to protocol ms for a datagram or stream data to arrive; false when none did.
    bool waitReadable(uint32_t ms);
    // The reply read by the last Receive() gave end-of-stream (the printer closed).
    bool peerClosed() const { return peerClosed_; }

private:
    int open(const NetTimeouts& timeouts, uint32_t address, uint16_t port, int expectsReply, int type);
    // poll() for events within protocol ms; 1 ready, 0 time-out, -1 error.
    int waitFor(short events, uint32_t ms);

    UniqueFd fd_;
    NetTimeouts timeouts_;
    int expectsReply_ = 0;
    int connected_ = 0;
    int lastError_ = 0;
    int type_ = 0;
    bool peerClosed_ = false;
    uint32_t peerAddress_ = 0;
    uint16_t peerPort_ = 0;
    uint32_t senderAddress_ = 0;
    std::string senderText_;
};

// The system's text for an error code, cut at the first carriage return.
std::string SystemErrorText(int error);

} // namespace kyv
