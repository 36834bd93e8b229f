#pragma once
// Small loopback peers for the network tests: a TCP printer that answers a script, a
// listener that never reads, and UDP sockets on 127.x addresses. Every wait is bounded.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace kyv::test {

inline uint32_t loopback(uint8_t last, uint8_t third = 0) { return 0x7F000000u | third << 8 | last; }

inline sockaddr_in inetAddress(uint32_t address, uint16_t port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(address);
    return sa;
}

// A socket bound to address:port (0: any free port); fd -1 when it cannot be made.
inline int boundSocket(int type, uint32_t address, uint16_t port, bool reuse = false)
{
    int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    int on = 1;
    if (reuse)
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in sa = inetAddress(address, port);
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

inline uint16_t boundPort(int fd)
{
    sockaddr_in sa{};
    socklen_t size = sizeof sa;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &size);
    return ntohs(sa.sin_port);
}

inline bool readable(int fd, int ms)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

// One step of a scripted printer: take `take` bytes, then answer `reply`.
struct PeerStep {
    size_t take;
    std::vector<uint8_t> reply;
};

// Accepts one connection on 127.0.0.1 and plays the script; then reads what else comes
// until the host closes (or 5 s of silence) and closes its side.
class ScriptedTcpPeer {
public:
    explicit ScriptedTcpPeer(std::vector<PeerStep> script, uint32_t address = loopback(1))
        : listen_(boundSocket(SOCK_STREAM, address, 0))
    {
        ::listen(listen_, 4);
        port_ = boundPort(listen_);
        thread_ = std::thread([this, script = std::move(script)] { serve(script); });
    }
    ~ScriptedTcpPeer()
    {
        finish();
        ::close(listen_);
    }
    uint16_t port() const { return port_; }
    // Everything the host sent; valid after finish().
    const std::vector<uint8_t>& received() const { return received_; }
    void finish()
    {
        if (thread_.joinable())
            thread_.join();
    }

private:
    void serve(const std::vector<PeerStep>& script)
    {
        if (!readable(listen_, 5000))
            return;
        int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        for (const PeerStep& step : script) {
            size_t want = received_.size() + step.take;
            while (received_.size() < want && take(fd)) {
            }
            if (!step.reply.empty())
                ::send(fd, step.reply.data(), step.reply.size(), MSG_NOSIGNAL);
        }
        while (take(fd)) {
        }
        ::close(fd);
    }
    bool take(int fd)
    {
        uint8_t buffer[4096];
        if (!readable(fd, 5000))
            return false;
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false;
        received_.insert(received_.end(), buffer, buffer + n);
        return true;
    }

    int listen_;
    uint16_t port_ = 0;
    std::vector<uint8_t> received_;
    std::thread thread_;
};

} // namespace kyv::test
