#include "sim/lib/usb/bus_socket_server.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace kyv::sim {
namespace {

bool fillAddress(const std::string& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    return true;
}

// True when a server still accepts at the socket.
bool answersThere(const sockaddr_un& address)
{
    UniqueFd probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    return probe.valid() && ::connect(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

} // namespace

bool BusSocketServer::listen(const std::string& path)
{
    close();
    sockaddr_un address;
    if (!fillAddress(path, address)) {
        error_ = "the bus path '" + path + "' is empty or longer than " + std::to_string(sizeof address.sun_path - 1) +
                 " bytes";
        return false;
    }
    struct stat there;
    if (::lstat(path.c_str(), &there) == 0) {
        if (!S_ISSOCK(there.st_mode)) {
            error_ = path + " exists and is not a socket: left alone";
            return false;
        }
        if (answersThere(address)) {
            error_ = "a bus is already served at " + path;
            return false;
        }
        ::unlink(path.c_str());
    }
    listener_.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener_.valid() || ::bind(listener_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_.get(), 16) != 0) {
        error_ = "cannot serve the bus at " + path + ": " + std::strerror(errno);
        listener_.reset();
        return false;
    }
    path_ = path;
    return true;
}

void BusSocketServer::close()
{
    connections_.clear();
    if (listener_.valid()) {
        listener_.reset();
        ::unlink(path_.c_str());
    }
    path_.clear();
}

void BusSocketServer::addPollFds(std::vector<pollfd>& fds) const
{
    if (listener_.valid())
        fds.push_back({listener_.get(), POLLIN, 0});
    for (const Connection& c : connections_)
        fds.push_back({c.fd.get(), POLLIN, 0});
}

void BusSocketServer::serve(const std::vector<pollfd>& fds, UsbBus& bus)
{
    for (const pollfd& p : fds) {
        if (p.revents == 0)
            continue;
        if (p.fd == listener_.get()) {
            accept();
            continue;
        }
        for (Connection& c : connections_)
            if (c.fd.get() == p.fd && !c.closed)
                readFrom(c, bus);
    }
    removeClosed(bus);
}

void BusSocketServer::removeClosed(UsbBus& bus)
{
    for (auto it = connections_.begin(); it != connections_.end();) {
        if (it->closed) {
            bus.dropConnection(it->id);
            it = connections_.erase(it);
        } else {
            ++it;
        }
    }
}

void BusSocketServer::accept()
{
    while (true) {
        int fd = ::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        Connection& c = connections_.emplace_back();
        c.id = nextConnection_++;
        c.fd.reset(fd);
    }
}

void BusSocketServer::readFrom(Connection& connection, UsbBus& bus)
{
    char buffer[65536];
    ssize_t n = ::recv(connection.fd.get(), buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0) {
        connection.closed = true;
        return;
    }
    connection.input.append(buffer, static_cast<size_t>(n));
    answerLines(connection, bus);
    if (!connection.closed && connection.input.size() > kLongestLine)
        connection.closed = true;
}

void BusSocketServer::answerLines(Connection& connection, UsbBus& bus)
{
    size_t start = 0;
    while (!connection.waiting && !connection.closed) {
        size_t end = connection.input.find('\n', start);
        if (end == std::string::npos)
            break;
        std::string_view line(connection.input.data() + start, end - start);
        start = end + 1;
        if (std::optional<std::string> answer = bus.answer(connection.id, line, UsbBus::Clock::now()))
            send(connection, *answer);
        else
            connection.waiting = true;
    }
    connection.input.erase(0, start);
}

void BusSocketServer::finishReads(UsbBus& bus)
{
    for (auto& [id, answer] : bus.finishedReads(UsbBus::Clock::now())) {
        for (Connection& c : connections_) {
            if (c.id != id || c.closed)
                continue;
            c.waiting = false;
            send(c, answer);
            answerLines(c, bus);
        }
    }
    removeClosed(bus);
}

void BusSocketServer::send(Connection& connection, const std::string& line)
{
    std::string out = line + "\n";
    size_t done = 0;
    while (done < out.size()) {
        ssize_t n = ::send(connection.fd.get(), out.data() + done, out.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            // A host that stops reading its answers is cut off rather than stalling the printer.
            pollfd p{connection.fd.get(), POLLOUT, 0};
            if (::poll(&p, 1, 5000) > 0)
                continue;
        }
        connection.closed = true;
        return;
    }
}

} // namespace kyv::sim
