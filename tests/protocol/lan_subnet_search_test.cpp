// The subnet search for a printer that restarted at another address: the broadcast address
// it is sent to, and that printers which never fall silent cannot hold it for ever.

#include "core/clock.h"
#include "core/profile_store.h"
#include "core/unique_fd.h"
#include "protocol/lan/lan_command_bytes.h"
#include "protocol/lan/lan_subnet_search.h"
#include "transport/dcb_comm.h"

#include "download/recording_events.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace kyv {
namespace {

constexpr uint32_t ip(int a, int b, int c, int d) { return uint32_t(a) << 24 | b << 16 | c << 8 | d; }

TEST(SubnetBroadcast, FollowsTheZeroBytesOfTheMask)
{
    struct Case {
        uint32_t mask;
        uint32_t broadcast;
    };
    for (const Case& c : {Case{ip(255, 255, 255, 0), ip(192, 168, 1, 255)}, Case{ip(255, 255, 0, 0), ip(192, 168, 255, 255)},
                          Case{ip(255, 0, 0, 0), ip(192, 255, 255, 255)}, Case{0, 0xFFFFFFFFu},
                          // Not on a byte boundary: the subnet's own broadcast, never 0.0.0.0.
                          Case{ip(255, 255, 255, 128), ip(192, 168, 1, 127)}}) {
        SCOPED_TRACE(c.mask);
        EXPECT_EQ(lan::subnetBroadcast(ip(192, 168, 1, 20), c.mask), c.broadcast);
    }
}

// Another printer that answers every search with its own MAC, and then again and again,
// so the network is never silent for the search's read time-out.
class ChatteringPrinter {
public:
    explicit ChatteringPrinter(uint32_t at)
    {
        fd_.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(at);
        socklen_t size = sizeof sa;
        if (::bind(fd_.get(), reinterpret_cast<sockaddr*>(&sa), size) == 0 &&
            ::getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&sa), &size) == 0)
            port_ = ntohs(sa.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~ChatteringPrinter()
    {
        stop_ = true;
        thread_.join();
    }
    uint16_t port() const { return port_; }

private:
    void serve()
    {
        std::string reply = "\xF0" "00:11:62:00:00:99";
        sockaddr_in host{};
        bool heard = false;
        while (!stop_) {
            pollfd p{fd_.get(), POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) {
                char request[64];
                socklen_t size = sizeof host;
                heard = ::recvfrom(fd_.get(), request, sizeof request, 0, reinterpret_cast<sockaddr*>(&host), &size) > 0;
            }
            if (heard)
                ::sendto(fd_.get(), reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&host), sizeof host);
        }
    }

    UniqueFd fd_;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(SubnetSearch, PrintersThatNeverFallSilentEndTheSearchWithoutAMatch)
{
    setTimeScale(0.01); // the search's read time-out: 300 ms; a reply comes every 20 ms
    test::ScratchDir dir;
    ProfileStore store(dir.path() / "KyvFlash.ini");
    const uint32_t at = ip(127, 0, 52, 5);
    ChatteringPrinter other(at);
    ASSERT_NE(other.port(), 0);
    store.setInt("Network", "SearchPort", other.port());
    store.setInt("Network", "StatusPort", other.port());
    CDCBComm port;
    port.setProfileStore(&store);
    test::RecordingEvents events;

    uint32_t address = at;
    const SteadyTime began = now();
    // Mask without a zero byte: the search goes to the address itself.
    EXPECT_EQ(FindPrinterIpByMac(port, &events, "00:11:62:00:34:05", address, 0xFFFFFFFFu), 0);
    EXPECT_EQ(address, at);
    // Two attempts of at most 120 s each, and their waits, at a scale of 0.01.
    EXPECT_LT(now() - began, std::chrono::seconds(10));
    const std::vector<std::string> lines = events.texts();
    EXPECT_GT(std::count(lines.begin(), lines.end(), "MAC Address NOT MATCH with IP Address."), 10);
}

} // namespace
} // namespace kyv
