// Feeds arbitrary network printer replies to the LAN flash commands that read one (MAC,
// subnet mask, model, versions, IPL mode, sector, erase and select acknowledges, sector
// and image CRCs, the download-area clear), and arbitrary datagrams to the checks of the
// answers to the MAC search and to the subnet search.
//
// The commands talk to a printer on loopback that lives in this process: a listening
// socket whose accepted connection has the whole reply written and its sending side shut
// before the command runs, so every read finds its bytes (or the end of the stream) at
// once and no thread is needed. Input: a choice byte, then the reply stream or datagram.

#include "core/clock.h"
#include "core/profile_store.h"
#include "fuzz_input.h"
#include "protocol/crc.h"
#include "protocol/lan/lan_commands.h"
#include "protocol/lan/lan_subnet_search.h"
#include "download/no_receiver.h"
#include "transport/dcb_comm.h"
#include "transport/net/lan_link.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

constexpr uint32_t kPrinterAddress = 0x7F000001; // 127.0.0.1

struct LoopbackPrinter {
    int listener = -1;
    uint16_t port = 0;
    std::string imagePath;
    std::unique_ptr<kyv::ProfileStore> store;
};

LoopbackPrinter& printer()
{
    static LoopbackPrinter p = [] {
        LoopbackPrinter made;
        made.listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(kPrinterAddress);
        socklen_t length = sizeof sa;
        if (made.listener < 0 || ::bind(made.listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
            ::listen(made.listener, 8) != 0 ||
            ::getsockname(made.listener, reinterpret_cast<sockaddr*>(&sa), &length) != 0)
            std::abort();
        made.port = ntohs(sa.sin_port);
        made.store = std::make_unique<kyv::ProfileStore>(kyv::fuzz::scratchDirectory() / "KyvFlash.ini");
        // Under a tiny time scale every protocol pause passes at once. A connect or a write
        // on loopback may still take a moment; a read finds the printer's bytes there
        // already (or the end of the stream), so it need not wait: with none, it ends as a
        // time-out.
        made.store->setInt("Network", "RawPort", made.port);
        made.store->setInt("Network", "ConnectTimeout", 2000000000);
        made.store->setInt("Network", "WriteTimeout", 2000000000);
        made.store->setInt("Network", "ReadTimeout", 0);
        std::vector<uint8_t> image(0x20010);
        for (size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<uint8_t>(i * 13);
        made.imagePath = kyv::fuzz::writeScratchFile("R241.mfw", image);
        return made;
    }();
    return p;
}

// The connection the port just opened, as the printer sees it; -1 when none came.
int acceptConnection(int listener)
{
    pollfd p{listener, POLLIN, 0};
    if (::poll(&p, 1, 1000) != 1)
        return -1;
    return ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

// choice bit 6: the printer drops the connection (a reset) before the command; bit 5: it
// keeps its side open, so a reply that falls short ends by time-out, not end of stream.
void runCommand(uint8_t choice, uint8_t command, std::span<const uint8_t> replies)
{
    LoopbackPrinter& lan = printer();
    kyv::CDCBComm port;
    port.setProfileStore(lan.store.get());
    if (port.OpenLan(kPrinterAddress) != 1)
        __builtin_trap(); // the loopback printer always takes the connection
    const int peer = acceptConnection(lan.listener);
    if (peer < 0)
        __builtin_trap();
    if (!replies.empty() && ::send(peer, replies.data(), replies.size(), MSG_NOSIGNAL) !=
                                static_cast<ssize_t>(replies.size()))
        __builtin_trap();
    int printerSide = peer;
    if (choice & 0x40) {
        const linger reset{1, 0};
        ::setsockopt(peer, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        ::close(peer);
        printerSide = -1;
    } else if (!(choice & 0x20)) {
        ::shutdown(peer, SHUT_WR);
    }

    kyv::NoReceiver events;
    kyv::LanCommands commands(port, &events);
    std::string text;
    uint32_t mask = 0;
    uint16_t crc = 0;
    kyv::CrcAccumulator accumulator;
    switch (command % 13) {
    case 0: commands.queryIplMode(); break;
    case 1: commands.queryMac(text); break;
    case 2: commands.querySubnetMask(mask); break;
    case 3: commands.queryVersions(false, text); break;
    case 4: commands.queryVersions(true, text); break;
    case 5: commands.queryModel(text); break;
    case 6: commands.eraseSector(command); break;
    case 7: commands.selectSector(command); break;
    case 8: commands.sectorCrc(crc); break;
    case 9: commands.imageCrc(lan.imagePath, accumulator); break;
    case 10: commands.clearDownloadArea(); break;
    case 11: commands.downloadData({}); break;
    case 12: {
        std::vector<uint8_t> reply;
        int sent = 0;
        commands.run({{0x1D, 0x49, 0x40, 0x27}, kyv::ProtocolMs(100), command, command & 3}, reply, sent);
        break;
    }
    }
    if (printerSide >= 0)
        ::shutdown(printerSide, SHUT_WR); // lets the port's close end at once
    port.CloseLan();
    if (printerSide >= 0)
        ::close(printerSide);
}

void checkDatagram(uint8_t choice, std::span<const uint8_t> datagram)
{
    const std::span<const uint8_t> mac = kyv::macInSearchReply(datagram);
    if (!mac.empty() && (mac.size() != 6 || mac.data() != datagram.data() + 4))
        __builtin_trap();
    // The MAC looked for: a fixed one, or the datagram's own text after its first byte (so
    // that a match is found too).
    const std::span<const uint8_t> text = datagram.subspan(std::min<size_t>(1, datagram.size()));
    const std::string wanted = (choice & 1) ? "00:11:62:0A:0B:0C" : std::string(text.begin(), text.end());
    // A search reads at most the 18 bytes of a MAC reply.
    const std::span<const uint8_t> read = datagram.first(std::min<size_t>(datagram.size(), 18));
    const auto kind = kyv::subnetSearchReplyKind(read, wanted);
    if (kind == kyv::SubnetSearchReply::Match && (read.size() != 18 || read[0] != 0xF0))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    ::setenv("KYVFLASH_NET_ALLOW", "127.0.0.0/8", 1);
    kyv::setTimeScale(1e-12);
    printer();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kyv::fuzz::Input in(data, size);
    const uint8_t choice = in.byte();
    const uint8_t command = in.byte();
    if (choice & 0x80)
        checkDatagram(command, in.rest());
    else
        runCommand(choice, command, in.rest());
    return 0;
}
