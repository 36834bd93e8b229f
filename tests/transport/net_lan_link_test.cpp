// The network members of the port object against small loopback peers.

#include "core/clock.h"
#include "core/profile_store.h"
#include "transport/dcb_comm.h"
#include "transport/net/lan_link.h"
#include "transport/net/net_settings.h"
#include "transport/net/net_socket.h"

#include "transport/net_test_peer.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace kyv {
namespace {

using namespace std::chrono_literals;
using test::loopback;

class LanLinkTest : public ::testing::Test {
protected:
    LanLinkTest() { port.setProfileStore(&store); }
    void set(const char* key, int value) { store.setInt("Network", key, value); }

    test::ScratchDir dir;
    ProfileStore store{dir.path() / "KyvFlash.ini"};
    CDCBComm port;
};

TEST_F(LanLinkTest, MissingSettingsGiveTheDefaults)
{
    NetSettings s = readNetSettings(store);
    EXPECT_EQ(s.connectMs, 10000u);
    EXPECT_EQ(s.readMs, 30000u);
    EXPECT_EQ(s.writeMs, 10000u);
    EXPECT_EQ(s.searchConnectMs, 10000u);
    EXPECT_EQ(s.searchReadMs, 15000u);
    EXPECT_EQ(s.rawPort, 9100);
    EXPECT_EQ(s.statusPort, 3000);
    EXPECT_EQ(s.searchPort, 3001);
    EXPECT_EQ(s.ftpPort, 21);
    EXPECT_EQ(s.broadcastAddress, 0xFFFFFFFFu);
    EXPECT_EQ(readNetSettings(store, 4000).readMs, 4000u);

    // An open takes them from the store as it stands then.
    test::ScriptedTcpPeer peer({});
    ASSERT_EQ(port.OpenLanEx(loopback(1), peer.port(), 0, 60000, 1), 1);
    EXPECT_EQ(port.lan().socket()->timeouts().readMs, 60000u);
    EXPECT_EQ(port.lan().socket()->timeouts().connectMs, 10000u);
    EXPECT_EQ(port.lan().socket()->timeouts().writeMs, 10000u);
    EXPECT_EQ(port.CloseLan(), 1);
    EXPECT_EQ(port.lan().socket(), nullptr);
}

TEST_F(LanLinkTest, RefusedConnectionFailsWithinTheConnectTimeoutAndKeepsNoSocket)
{
    int closed = test::boundSocket(SOCK_STREAM, loopback(1), 0); // bound, never listening
    set("RawPort", test::boundPort(closed));
    SteadyTime start = now();
    EXPECT_EQ(port.OpenLan(loopback(1)), 0);
    EXPECT_LE(now() - start, scaled(10000ms) + 100ms);
    EXPECT_EQ(port.lan().socket(), nullptr);
    EXPECT_EQ(port.WriteLan(reinterpret_cast<const uint8_t*>("x"), 1), 0);
    ::close(closed);
}

TEST_F(LanLinkTest, WriteLanGivesUpAfterTwentyOneBoundedSendsToAPrinterThatTakesNothing)
{
    set("WriteTimeout", 1000);
    int listener = test::boundSocket(SOCK_STREAM, loopback(1), 0);
    ::listen(listener, 1); // the connection waits in the backlog; nothing is ever read
    set("RawPort", test::boundPort(listener));
    ASSERT_EQ(port.OpenLan(loopback(1)), 1);
    std::vector<uint8_t> flood(64u << 20, 0x55);
    int first = port.WriteLan(flood.data(), flood.size());
    EXPECT_LT(first, static_cast<int>(flood.size())); // the socket buffers filled up
    SteadyTime start = now();
    EXPECT_EQ(port.WriteLan(flood.data(), 16), 0);
    EXPECT_GE(now() - start, 21 * scaled(1000ms) - 20ms);
    EXPECT_LE(now() - start, 21 * scaled(1000ms) + 2s);
    port.lan().socket()->Close(); // nothing read it, so the drain waits out one read time-out
    ::close(listener);
}

TEST_F(LanLinkTest, ReplyOptionalExchangeWithoutReplySucceedsAndEndsTheConnection)
{
    set("ReadTimeout", 1000);
    test::ScriptedTcpPeer peer(std::vector<test::PeerStep>{{2, {}}}); // takes the command, never answers
    ASSERT_EQ(port.OpenLanEx(loopback(1), peer.port(), 0, 1000, 1), 1);
    const uint8_t command[2]{0x1D, 0xFF};
    std::vector<uint8_t> reply{1, 2, 3};
    EXPECT_EQ(port.TransactLan(kNetExchangeReplyOptional, command, 2, reply), 1);
    EXPECT_TRUE(reply.empty());
    EXPECT_EQ(port.lan().socket(), nullptr);
    peer.finish();
    EXPECT_EQ(peer.received(), std::vector<uint8_t>(command, command + 2));

    // A plain exchange on the same silence fails and closes as well.
    test::ScriptedTcpPeer silent(std::vector<test::PeerStep>{{2, {}}});
    ASSERT_EQ(port.OpenLanEx(loopback(1), silent.port(), 0, 1000, 1), 1);
    EXPECT_EQ(port.TransactLan(kNetExchange, command, 2, reply), 0);
    EXPECT_EQ(port.lan().socket(), nullptr);
}

TEST_F(LanLinkTest, ReplyLongerThanTheBufferIsCutAtItsEnd)
{
    test::ScriptedTcpPeer peer({{2, std::vector<uint8_t>(5000, 0x41)}});
    ASSERT_EQ(port.OpenLanEx(loopback(1), peer.port(), 0, 1000, 1), 1);
    const uint8_t command[2]{0x1D, 0x01};
    ASSERT_EQ(port.WriteLan(command, 2), 2);
    std::vector<uint8_t> reply;
    EXPECT_EQ(port.ReadLan(1024, 10, reply), 1024);
    EXPECT_EQ(reply.size(), 1024u);
    EXPECT_EQ(port.ReadLan(2000, 1, reply), 0); // more than one reply buffer is refused
    EXPECT_EQ(port.CloseLan(), 1);
}

TEST(NetSocket, ZeroLengthDatagramSucceedsWithoutSending)
{
    int receiver = test::boundSocket(SOCK_DGRAM, loopback(1), 0);
    CNetSocket socket;
    ASSERT_EQ(socket.OpenUdp({1000, 1000, 1000}, loopback(1), test::boundPort(receiver), 0), 1);
    EXPECT_EQ(socket.SendTo(nullptr, 0), 1);
    EXPECT_FALSE(test::readable(receiver, 50));
    ::close(receiver);
}

// Printers answering the MAC search: the request arrives at a socket bound to 0.0.0.0,
// each answer leaves from its own 127.0.0.x address.
class MacSearchTest : public LanLinkTest {
protected:
    using Mac = std::array<uint8_t, 6>;

    MacSearchTest()
    {
        searcher_ = test::boundSocket(SOCK_DGRAM, 0, 0, true);
        store.setInt("Network", "SearchPort", test::boundPort(searcher_));
        store.setText("Network", "BroadcastAddress", "127.255.255.255");
        store.setInt("Brevant", "BroadCast Timeout", 2000);
    }
    ~MacSearchTest() override
    {
        if (peer_.joinable())
            peer_.join();
        ::close(searcher_);
    }
    // Answers one request with each (address, MAC) in turn.
    void answer(std::vector<std::pair<uint8_t, Mac>> printers)
    {
        peer_ = std::thread([this, printers] {
            uint8_t request[64];
            sockaddr_in from{};
            socklen_t size = sizeof from;
            if (!test::readable(searcher_, 5000))
                return;
            ssize_t n = ::recvfrom(searcher_, request, sizeof request, 0,
                                   reinterpret_cast<sockaddr*>(&from), &size);
            received_.assign(request, request + std::max<ssize_t>(n, 0));
            for (auto& [last, mac] : printers) {
                int fd = test::boundSocket(SOCK_DGRAM, loopback(last), 0);
                std::vector<uint8_t> reply{0x10, 0, 0, 0};
                reply.insert(reply.end(), mac.begin(), mac.end());
                reply.resize(20, 0);
                ::sendto(fd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), size);
                ::close(fd);
            }
        });
    }

    int searcher_;
    std::thread peer_;
    std::vector<uint8_t> received_;
};

TEST_F(MacSearchTest, AllZeroMacLearnsTheFirstResponderAndKeepsTheGivenAddress)
{
    answer({{11, {1, 2, 3, 4, 5, 6}}, {12, {9, 9, 9, 9, 9, 9}}});
    Mac mac{};
    EXPECT_EQ(port.FindPrinterByMac(loopback(5), mac.data(), 1), kMacFound);
    EXPECT_EQ(mac, (Mac{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(port.lan().foundAddress(), loopback(5));
    peer_.join();
    EXPECT_EQ(received_, (std::vector<uint8_t>{0x10, 0x00, 0x00, 0x00, 0x1D, 0x04, 0x23}));
}

TEST_F(MacSearchTest, GivenMacSkipsOtherPrintersUntilItAnswers)
{
    answer({{11, {1, 1, 1, 1, 1, 1}}, {12, {2, 2, 2, 2, 2, 2}}, {13, {0xA, 0xB, 0xC, 0xD, 0xE, 0xF}}});
    Mac mac{0xA, 0xB, 0xC, 0xD, 0xE, 0xF};
    EXPECT_EQ(port.FindPrinterByMac(loopback(5), mac.data(), 1), kMacFound);
    EXPECT_EQ(port.lan().foundAddress(), loopback(13));
    EXPECT_EQ(port.lan().socket(), nullptr);
}

TEST_F(MacSearchTest, GivenMacThatNeverAnswersEndsSixSecondsAfterTheLastReply)
{
    answer({{11, {1, 1, 1, 1, 1, 1}}, {12, {2, 2, 2, 2, 2, 2}}});
    Mac mac{0xA, 0xB, 0xC, 0xD, 0xE, 0xF};
    SteadyTime start = now();
    EXPECT_EQ(port.FindPrinterByMac(loopback(5), mac.data(), 0), kMacNoMatch);
    EXPECT_GE(now() - start, scaled(6000ms));
    EXPECT_EQ(port.lan().foundAddress(), loopback(11));
}

TEST_F(MacSearchTest, NoReplyAtAll)
{
    answer({});
    Mac mac{};
    EXPECT_EQ(port.FindPrinterByMac(loopback(5), mac.data(), 1), kMacNoReply);
    EXPECT_EQ(port.lan().foundAddress(), 0u);
}

} // namespace
} // namespace kyv
