#include "sim/lib/lan/lan_printer.h"

#include "sim/lib/lan/download_area.h"
#include "sim/lib/lan/ftp_child.h"
#include "sim/lib/lan/inet_socket.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <system_error>
#include <thread>

namespace kyv::sim {
namespace {

constexpr uint32_t kLimitedBroadcast = 0xFFFFFFFF;
constexpr int kBacklog = 16;
const Bytes kMacSearch{0x10, 0x00, 0x00, 0x00, 0x1D, 0x04, 0x23};
const Bytes kSubnetSearch{0x00, 0x00, 0x00, 0x00, 0x1D, 0x49, 0x40, 0xF0};

// The answer to the MAC search: the request's header, the MAC, the address.
Bytes macSearchReply(const MacAddress& mac, uint32_t address)
{
    Bytes reply(14, 0x00);
    reply[0] = 0x10;
    std::copy(mac.begin(), mac.end(), reply.begin() + 4);
    for (int i = 0; i < 4; ++i)
        reply[10 + i] = static_cast<uint8_t>(address >> (24 - 8 * i));
    return reply;
}

Bytes subnetSearchReply(const MacAddress& mac)
{
    std::string text = macText(mac);
    Bytes reply(1 + text.size());
    reply[0] = 0xF0;
    std::copy(text.begin(), text.end(), reply.begin() + 1);
    return reply;
}

std::string peerText(const sockaddr_in& from)
{
    return addressText(ntohl(from.sin_addr.s_addr)) + ":" + std::to_string(ntohs(from.sin_port));
}

// One raw-port connection from the host; the session's replies go back on it.
struct TcpConnection final : HostLink {
    TcpConnection(UniqueFd socket, int stop, std::string peer) : fd(std::move(socket)), stopFd(stop), peer(std::move(peer)) {}
    UniqueFd fd;
    int stopFd;
    std::string peer;
    bool closed = false;

    bool sendReply(const Bytes& bytes) override
    {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::send(fd.get(), bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EAGAIN)
                return false;
            // The host is not reading: wait for room or for stop.
            pollfd fds[2] = {{stopFd, POLLIN, 0}, {fd.get(), POLLOUT, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR)
                return false;
            if (fds[0].revents != 0 || (fds[1].revents & (POLLERR | POLLHUP)))
                return false;
        }
        return true;
    }
    void dropLine() override { closed = true; }
};

// The answer to one datagram, sent from the printer's own address to its sender.
struct DatagramReply final : HostLink {
    int fd = -1;
    sockaddr_in to{};
    Bytes header;        // put before the reply
    bool silent = false; // the udp-silent fault
    PrinterSession* session = nullptr;

    bool sendReply(const Bytes& reply) override
    {
        if (silent) {
            session->note("not answered (udp-silent)");
            return true;
        }
        Bytes datagram = header;
        datagram.insert(datagram.end(), reply.begin(), reply.end());
        ::sendto(fd, datagram.data(), datagram.size(), MSG_NOSIGNAL | MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&to),
                 sizeof to);
        return true;
    }
    void dropLine() override {}
};

struct UdpService {
    uint16_t port = 0;
    UniqueFd unicast;                // at the printer's address; answers leave from here
    std::vector<UniqueFd> broadcast; // at the subnet's and the limited broadcast address
};

} // namespace

struct LanPrinter::Impl {
    explicit Impl(LanOptions lan) : options(std::move(lan)), session(options.printer) {}

    LanOptions options;
    PrinterSession session;
    DownloadAreaFolder area;
    FtpChild ftp;
    std::thread thread;
    std::string error;
    std::atomic<uint32_t> address{0};
    mutable std::mutex portsMutex;
    LanPorts ports;
    MacAddress mac{};

    // Serving thread only (and start/stop around it).
    UniqueFd listener;
    std::vector<std::unique_ptr<TcpConnection>> connections;
    UdpService status, search;
    UniqueFd decoy;
    bool offline = false;  // restarting: off the network
    bool restarted = false;
    int seenResets = 0;

    uint32_t decoyAddress() const { return options.decoyAddress.value_or(address ^ 1u); }
    bool openNetwork(std::string& why);
    void closeNetwork();
    bool startFtp(std::string& why);
    bool openUdp(UdpService& service, uint32_t at, std::string& why);
    bool followRestart();
    void serve();
    void accept();
    bool readConnection(TcpConnection& connection, Bytes& buffer);
    void readDatagram(UdpService& service, int fd, bool broadcast, Bytes& buffer);
    void sendFromDecoy(const Bytes& reply, const sockaddr_in& to);
};

bool LanPrinter::Impl::openUdp(UdpService& service, uint32_t at, std::string& why)
{
    service.unicast = bindInet(SOCK_DGRAM, at, service.port, false, why);
    if (!service.unicast.valid())
        return false;
    service.port = localPort(service.unicast.get());
    uint32_t subnet = at | ~options.mask;
    for (uint32_t target : {subnet, kLimitedBroadcast}) {
        if (target == subnet && subnet == kLimitedBroadcast && !service.broadcast.empty())
            continue;
        std::string notHeard;
        UniqueFd fd = bindInet(SOCK_DGRAM, target, service.port, true, notHeard);
        if (fd.valid())
            service.broadcast.push_back(std::move(fd));
        else
            session.note("broadcasts not heard: " + notHeard);
    }
    return true;
}

bool LanPrinter::Impl::openNetwork(std::string& why)
{
    uint32_t at = address;
    LanPorts chosen = ports;
    if (!options.refuseTcp) {
        listener = bindInet(SOCK_STREAM, at, chosen.raw, false, why);
        if (!listener.valid())
            return false;
        if (::listen(listener.get(), kBacklog) != 0) {
            why = "cannot listen on " + addressText(at) + " port " + std::to_string(chosen.raw);
            return false;
        }
        chosen.raw = localPort(listener.get());
    }
    status.port = chosen.status;
    search.port = chosen.search;
    if (!openUdp(status, at, why) || !openUdp(search, at, why))
        return false;
    chosen.status = status.port;
    chosen.search = search.port;
    if (options.decoyMac) {
        decoy = bindInet(SOCK_DGRAM, decoyAddress(), 0, false, why);
        if (!decoy.valid())
            return false;
    }
    std::lock_guard lock(portsMutex);
    ports = chosen;
    return true;
}

void LanPrinter::Impl::closeNetwork()
{
    listener.reset();
    connections.clear();
    for (UdpService* service : {&status, &search}) {
        service->unicast.reset();
        service->broadcast.clear();
    }
    decoy.reset();
}

bool LanPrinter::Impl::startFtp(std::string& why)
{
    if (!options.serveFtp) {
        std::lock_guard lock(portsMutex);
        ports.ftp = 0;
        return true;
    }
    FtpServerSettings settings{addressText(address), ports.ftp, area.path(), options.ftpUser,
                               options.ftpPassword.value_or(""), options.refuseFtpLogin};
    if (!ftp.start(settings)) {
        why = ftp.errorText();
        return false;
    }
    std::lock_guard lock(portsMutex);
    ports.ftp = ftp.port();
    return true;
}

// Follows the printer's restarts: off the network while it restarts, then back, after the
// first restart at its new address and with its new MAC when it has them.
bool LanPrinter::Impl::followRestart()
{
    PrinterState state = session.state();
    bool restartedNow = state.resetCount != seenResets;
    seenResets = state.resetCount;
    if (state.restarting) {
        if (offline)
            return false;
        offline = true;
        closeNetwork();
        session.note("off the network while restarting");
        return true;
    }
    if (!offline && !restartedNow)
        return false;
    closeNetwork(); // a restart without a restart time ends at once
    offline = false;
    std::string why;
    if (!restarted) {
        restarted = true;
        if (options.macAfterRestart) {
            mac = *options.macAfterRestart;
            session.withModel([&](PrinterModel& model) { model.setNetworkMac(macText(mac)); });
            session.note("back with MAC " + macText(mac));
        }
        if (options.movedAddress && *options.movedAddress != address) {
            address = *options.movedAddress;
            ftp.stop();
            if (!startFtp(why))
                session.note("FTP server not back: " + why);
        }
    }
    if (!openNetwork(why)) {
        session.note("network not back: " + why);
        closeNetwork();
        return true;
    }
    session.note("on the network at " + addressText(address));
    return true;
}

void LanPrinter::Impl::accept()
{
    sockaddr_in from{};
    socklen_t size = sizeof from;
    int fd = ::accept4(listener.get(), reinterpret_cast<sockaddr*>(&from), &size, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return;
    std::string peer = peerText(from);
    session.note("raw port: connection from " + peer);
    connections.push_back(std::make_unique<TcpConnection>(UniqueFd(fd), session.stopFd(), peer));
}

// False when serving must end.
bool LanPrinter::Impl::readConnection(TcpConnection& connection, Bytes& buffer)
{
    ssize_t n = ::recv(connection.fd.get(), buffer.data(), buffer.size(), 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return true;
    if (n <= 0) {
        session.note("raw port: " + connection.peer + " closed");
        connection.closed = true;
        return true;
    }
    if (!session.receive(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n)), nullptr, connection)) {
        if (::poll(std::array<pollfd, 1>{{{session.stopFd(), POLLIN, 0}}}.data(), 1, 0) > 0)
            return false;
        connection.closed = true;
    }
    return true;
}

void LanPrinter::Impl::sendFromDecoy(const Bytes& reply, const sockaddr_in& to)
{
    session.note("the other printer (" + macText(*options.decoyMac) + ") answers");
    ::sendto(decoy.get(), reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT,
             reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

void LanPrinter::Impl::readDatagram(UdpService& service, int fd, bool broadcast, Bytes& buffer)
{
    sockaddr_in from{};
    socklen_t size = sizeof from;
    ssize_t n = ::recvfrom(fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &size);
    if (n < 0)
        return;
    Bytes bytes(buffer.begin(), buffer.begin() + n);
    const char* port = &service == &status ? "status port" : "search port";
    session.note(std::string(port) + ": datagram from " + peerText(from) + (broadcast ? " (broadcast)" : ""));
    bool decoyHears = broadcast && decoy.valid();
    if (&service == &search && bytes == kMacSearch) {
        // The network interface answers this one itself, in any mode.
        session.transcript().add(Direction::ToPrinter, bytes);
        if (decoyHears)
            sendFromDecoy(macSearchReply(*options.decoyMac, decoyAddress()), from);
        if (options.silentUdp) {
            session.note("not answered (udp-silent)");
            return;
        }
        Bytes reply = macSearchReply(mac, address);
        session.transcript().add(Direction::ToHost, reply);
        ::sendto(service.unicast.get(), reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT,
                 reinterpret_cast<sockaddr*>(&from), sizeof from);
        return;
    }
    if (&service == &search && decoyHears && bytes == kSubnetSearch)
        sendFromDecoy(subnetSearchReply(*options.decoyMac), from);
    DatagramReply link;
    link.fd = service.unicast.get();
    link.to = from;
    link.silent = options.silentUdp || (&service == &status && options.silentStatusPort);
    link.session = &session;
    // Status answers carry the request's four-byte header first; search answers do not.
    if (&service == &status)
        link.header.assign(bytes.begin(), bytes.begin() + std::min<ptrdiff_t>(4, n));
    session.receiveMessage(bytes, link);
}

void LanPrinter::Impl::serve()
{
    Bytes buffer(65536);
    enum class Kind { Listener, Connection, Status, Search };
    struct Source {
        Kind kind;
        size_t index;
        int fd;
        bool broadcast;
    };
    while (true) {
        session.finishRestartIfDue();
        followRestart();
        std::vector<pollfd> fds{{session.stopFd(), POLLIN, 0}};
        std::vector<Source> sources{{Kind::Listener, 0, -1, false}};
        auto add = [&](Source source) {
            fds.push_back({source.fd, POLLIN, 0});
            sources.push_back(source);
        };
        if (listener.valid() && !options.silentTcp)
            add({Kind::Listener, 0, listener.get(), false});
        // The network interface serves one raw-port session at a time: a connection made
        // while another is open waits until that one has been read to its end, so bytes
        // the host sent in order over several connections reach the printer in order.
        if (!connections.empty())
            add({Kind::Connection, 0, connections.front()->fd.get(), false});
        for (auto [kind, service] : {std::pair{Kind::Status, &status}, std::pair{Kind::Search, &search}}) {
            if (service->unicast.valid())
                add({kind, 0, service->unicast.get(), false});
            for (const UniqueFd& fd : service->broadcast)
                add({kind, 0, fd.get(), true});
        }
        int ready = ::poll(fds.data(), fds.size(), session.pollTimeoutMs());
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || fds[0].revents != 0)
            return;
        for (size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents == 0)
                continue;
            const Source& source = sources[i];
            switch (source.kind) {
            case Kind::Listener: accept(); break;
            case Kind::Connection:
                if (!readConnection(*connections[source.index], buffer))
                    return;
                break;
            case Kind::Status: readDatagram(status, source.fd, source.broadcast, buffer); break;
            case Kind::Search: readDatagram(search, source.fd, source.broadcast, buffer); break;
            }
            if (followRestart())
                break; // the sockets polled are gone
        }
        std::erase_if(connections, [](const std::unique_ptr<TcpConnection>& c) { return c->closed; });
    }
}

LanPrinter::LanPrinter(LanOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

LanPrinter::~LanPrinter() { stop(); }

bool LanPrinter::start()
{
    Impl& d = *impl_;
    if (d.thread.joinable()) {
        d.error = "the printer is already serving";
        return false;
    }
    if (!d.session.valid()) {
        d.error = d.session.errorText();
        return false;
    }
    if (!d.area.create()) {
        d.error = d.area.errorText();
        return false;
    }
    d.session.withModel([&d](PrinterModel& model) { model.setDownloadArea([&d] { return d.area.takeNewest(); }); });
    d.address = d.options.address;
    d.mac = startMac(d.options);
    d.ports = {d.options.rawPort, d.options.statusPort, d.options.searchPort, d.options.ftpPort};
    d.seenResets = d.session.state().resetCount;
    std::string why;
    if (!d.openNetwork(why) || !d.startFtp(why) || !d.session.beginServing("at " + serviceLine())) {
        d.error = why.empty() ? d.session.errorText() : why;
        stop();
        return false;
    }
    try {
        d.thread = std::thread([&d] { d.serve(); });
    } catch (const std::system_error& failure) {
        d.error = std::string("cannot start the printer's thread: ") + failure.what();
        stop();
        return false;
    }
    return true;
}

bool LanPrinter::stop()
{
    Impl& d = *impl_;
    if (d.thread.joinable()) {
        d.session.requestStop();
        d.thread.join();
    }
    d.closeNetwork();
    d.ftp.stop();
    d.session.withModel([](PrinterModel& model) { model.setDownloadArea({}); });
    d.area.remove();
    if (d.session.endServing())
        return true;
    d.error = d.session.errorText();
    return false;
}

const std::string& LanPrinter::errorText() const { return impl_->error; }
uint32_t LanPrinter::address() const { return impl_->address; }

LanPorts LanPrinter::ports() const
{
    std::lock_guard lock(impl_->portsMutex);
    return impl_->ports;
}

std::string LanPrinter::serviceLine() const
{
    LanPorts p = ports();
    return addressText(address()) + " raw " + std::to_string(p.raw) + " status " + std::to_string(p.status) +
           " search " + std::to_string(p.search) + " ftp " + std::to_string(p.ftp);
}

PrinterSession& LanPrinter::session() { return impl_->session; }

} // namespace kyv::sim
