#include "sim/lib/lan/inet_socket.h"

#include "sim/lib/lan/lan_options.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace kyv::sim {

sockaddr_in inetAddress(uint32_t address, uint16_t port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(address);
    return sa;
}

UniqueFd bindInet(int type, uint32_t address, uint16_t port, bool reuse, std::string& why)
{
    UniqueFd fd(::socket(AF_INET, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    auto fail = [&](const char* step) {
        why = std::string("cannot ") + step + " " + addressText(address) + " port " + std::to_string(port) + ": " +
              std::strerror(errno);
        return UniqueFd();
    };
    if (!fd.valid())
        return fail("make a socket for");
    int on = 1;
    // A raw port the printer had before a restart may still hold connections in TIME_WAIT.
    if ((reuse || type == SOCK_STREAM) && ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)
        return fail("share");
    sockaddr_in sa = inetAddress(address, port);
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0)
        return fail("bind to");
    return fd;
}

uint16_t localPort(int fd)
{
    sockaddr_in sa{};
    socklen_t size = sizeof sa;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &size) != 0)
        return 0;
    return ntohs(sa.sin_port);
}

} // namespace kyv::sim
