#include "transport/net/net_socket.h"

#include "core/clock.h"
#include "core/ipv4_text.h"
#include "transport/net/net_guard.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>

namespace kyv {

using namespace std::chrono_literals;

namespace {

// Rounds of the drain at close: enough for any reply still in flight, bounded for a
// printer that never stops talking.
constexpr int kDrainRounds = 1500;
constexpr int kExchangeRounds = 10;

sockaddr_in socketAddress(uint32_t address, uint16_t port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(address);
    return sa;
}

} // namespace

int CNetSocket::waitFor(short events, uint32_t ms)
{
    Deadline deadline{ProtocolMs{ms}};
    for (;;) {
        pollfd p{fd_.get(), events, 0};
        int n = ::poll(&p, 1, deadline.remainingPollMs());
        if (n > 0)
            return 1; // ready, or an error/hang-up the next call reports
        if (n == 0) {
            if (deadline.expired())
                return 0;
            continue;
        }
        if (errno != EINTR) {
            lastError_ = errno;
            return -1;
        }
    }
}

bool CNetSocket::waitReadable(uint32_t ms) { return fd_.valid() && waitFor(POLLIN, ms) == 1; }

int CNetSocket::open(const NetTimeouts& timeouts, uint32_t address, uint16_t port, int expectsReply,
                     int type)
{
    fd_.reset();
    timeouts_ = timeouts;
    expectsReply_ = expectsReply;
    lastError_ = 0;
    connected_ = 0;
    peerClosed_ = false;
    type_ = type;
    peerAddress_ = address;
    peerPort_ = port;
    int fd = ::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        lastError_ = errno;
        return 0;
    }
    fd_.reset(fd);
    return 1;
}

int CNetSocket::ConnectTcp(const NetTimeouts& timeouts, uint32_t address, uint16_t port,
                           int expectsReply)
{
    if (!open(timeouts, address, port, expectsReply, SOCK_STREAM))
        return 0;
    if (!netAddressAllowed(address, "connect")) {
        lastError_ = ENETUNREACH;
        return 0;
    }
    sockaddr_in sa = socketAddress(address, port);
    if (::connect(fd_.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) {
        connected_ = 1;
        return 1;
    }
    if (errno != EINPROGRESS) {
        lastError_ = errno;
        return 0;
    }
    if (waitFor(POLLOUT, timeouts_.connectMs) != 1) {
        lastError_ = lastError_ != 0 ? lastError_ : ETIMEDOUT;
        return 0;
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd_.get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        error = errno;
    if (error != 0) {
        lastError_ = error;
        return 0;
    }
    connected_ = 1;
    return 1;
}

int CNetSocket::OpenUdp(const NetTimeouts& timeouts, uint32_t address, uint16_t port,
                        int expectsReply)
{
    if (!open(timeouts, address, port, expectsReply, SOCK_DGRAM))
        return 0;
    connected_ = 1;
    int on = 1;
    if (::setsockopt(fd_.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0)
        lastError_ = errno;
    return 1;
}

int CNetSocket::Send(const uint8_t* buffer, size_t length)
{
    if (!fd_.valid() || buffer == nullptr)
        return 0;
    Deadline deadline{ProtocolMs{timeouts_.writeMs}};
    size_t sent = 0;
    while (sent < length) {
        ssize_t n = ::send(fd_.get(), buffer + sent, length - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            lastError_ = errno;
            break;
        }
        pollfd p{fd_.get(), POLLOUT, 0};
        int ready = ::poll(&p, 1, deadline.remainingPollMs());
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0 && deadline.expired()) {
            lastError_ = ETIMEDOUT;
            break;
        }
        if (ready < 0) {
            lastError_ = errno;
            break;
        }
    }
    // Bytes the stack already took are on their way: report them so nothing is sent twice.
    return static_cast<int>(sent);
}

int CNetSocket::Receive(uint8_t* destination, size_t capacity, size_t expected, int extraRounds)
{
    if (!fd_.valid() || destination == nullptr)
        return 0;
    std::array<uint8_t, kReplyBufferSize> staging{};
    size_t total = 0;
    for (int round = 0; round <= extraRounds; ++round) {
        if (waitFor(POLLIN, timeouts_.readMs) != 1) {
            lastError_ = lastError_ != 0 ? lastError_ : ETIMEDOUT;
            return 0;
        }
        size_t room = std::min(staging.size(), capacity - total);
        ssize_t n = room == 0 ? 0 : ::recv(fd_.get(), staging.data(), room, 0);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            --round; // woke without data: not a completed receive
            continue;
        }
        if (n < 0) {
            lastError_ = errno; // counts as a receive of 0 bytes
            n = 0;
        } else if (n == 0 && room != 0) {
            peerClosed_ = true;
        }
        std::memcpy(destination + total, staging.data(), static_cast<size_t>(n));
        total += static_cast<size_t>(n);
        if (total >= expected || total == capacity)
            return static_cast<int>(total);
    }
    return 0;
}

int CNetSocket::SendTo(const uint8_t* buffer, size_t length)
{
    if (length == 0)
        return 1;
    if (!fd_.valid() || buffer == nullptr)
        return 0;
    if (!netAddressAllowed(peerAddress_, "datagram")) {
        lastError_ = ENETUNREACH;
        return 0;
    }
    sockaddr_in sa = socketAddress(peerAddress_, peerPort_);
    Deadline deadline{ProtocolMs{timeouts_.writeMs}};
    for (;;) {
        ssize_t n = ::sendto(fd_.get(), buffer, length, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&sa),
                             sizeof sa);
        if (n >= 0)
            return static_cast<int>(n);
        if (errno == EINTR)
            continue;
        if ((errno != EAGAIN && errno != EWOULDBLOCK) || deadline.expired()) {
            lastError_ = errno;
            return 0;
        }
        pollfd p{fd_.get(), POLLOUT, 0};
        ::poll(&p, 1, deadline.remainingPollMs());
    }
}

int CNetSocket::ReceiveFrom(uint8_t* destination, size_t capacity)
{
    if (!fd_.valid() || destination == nullptr || capacity == 0)
        return 0;
    for (;;) {
        if (waitFor(POLLIN, timeouts_.readMs) != 1) {
            lastError_ = lastError_ != 0 ? lastError_ : ETIMEDOUT;
            return 0;
        }
        sockaddr_in from{};
        socklen_t size = sizeof from;
        ssize_t n = ::recvfrom(fd_.get(), destination, capacity, 0, reinterpret_cast<sockaddr*>(&from),
                               &size);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            continue;
        if (n < 0) {
            lastError_ = errno;
            return 0;
        }
        senderAddress_ = ntohl(from.sin_addr.s_addr);
        senderText_ = formatIpv4(senderAddress_);
        return static_cast<int>(n);
    }
}

int CNetSocket::Close()
{
    if (!fd_.valid())
        return 0;
    if (type_ == SOCK_DGRAM) {
        // Nothing to shut down or drain on a datagram socket.
        fd_.reset();
        return 0;
    }
    if (::shutdown(fd_.get(), SHUT_WR) != 0) {
        lastError_ = errno;
        return lastError_;
    }
    std::array<uint8_t, 256> drain{};
    bool closedByPeer = false;
    for (int i = 0; i < kDrainRounds && !closedByPeer; ++i) {
        if (waitFor(POLLIN, timeouts_.readMs) != 1)
            break; // the printer neither sends nor closes: stop waiting for it
        ssize_t n = ::recv(fd_.get(), drain.data(), drain.size(), 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        closedByPeer = n <= 0;
    }
    fd_.reset();
    return 0;
}

int CNetSocket::Exchange(int kind, const uint8_t* payload, size_t length, std::vector<uint8_t>& reply)
{
    reply.clear();
    switch (kind) {
    case kNetExchange:
    case kNetExchangeReplyOptional: {
        if (Send(payload, length) <= 0)
            return 0;
        if (!expectsReply_)
            return 1;
        reply.assign(kReplyBufferSize, 0);
        int got = Receive(reply.data(), reply.size(), 0, kExchangeRounds);
        reply.resize(static_cast<size_t>(std::max(got, 0)));
        return got > 0 ? 1 : 0;
    }
    case kNetDatagramExchange: {
        if (SendTo(payload, length) <= 0)
            return 0;
        if (!expectsReply_)
            return 1;
        sleepFor(100ms);
        reply.assign(kReplyBufferSize, 0);
        int got = ReceiveFrom(reply.data(), reply.size());
        reply.resize(static_cast<size_t>(std::max(got, 0)));
        return got > 0 ? 1 : 0;
    }
    case kNetSendOnly:
        return Send(payload, length) > 0 ? 1 : 0;
    default:
        return 0;
    }
}

std::string SystemErrorText(int error)
{
    std::array<char, 256> buffer{};
    const char* text = ::strerror_r(error, buffer.data(), buffer.size());
    std::string result = text != nullptr ? text : "";
    result = result.substr(0, result.find('\r'));
    return result.empty() ? "Unknown error" : result;
}

} // namespace kyv
