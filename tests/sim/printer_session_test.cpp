// The printer session without a pty, as the USB bus and LAN servers will carry it: whole
// replies through the link, no line-settings rule where the transport has no line, the
// restart ended by the transport's poll time-out, and a dropped line.

#include "sim/lib/session/printer_session.h"

#include <gtest/gtest.h>

#include <thread>

namespace kyv::sim::test {
namespace {

struct RecordingLink : HostLink {
    std::vector<Bytes> replies;
    bool dropped = false;
    bool sendReply(const Bytes& reply) override
    {
        replies.push_back(reply);
        return true;
    }
    void dropLine() override { dropped = true; }
};

TEST(PrinterSession, HandsEachReplyWholeAndRestartsOnTheTransportsTimeOut)
{
    PrinterOptions options;
    options.baud = 19200;
    options.restartTime = ProtocolMs(100);
    PrinterSession session(options);
    ASSERT_TRUE(session.beginServing("on the test bus"));
    RecordingLink link;

    // Two commands in one transfer: two replies, each one unit for the transport's framing.
    // Without a line there are no line settings to mismatch.
    ASSERT_TRUE(session.receive(Bytes{0x10, 0x04, 0x01, 0x1D, 0x49, 0x40, 0x27}, nullptr, link));
    ASSERT_EQ(link.replies.size(), 2u);
    EXPECT_EQ(link.replies[0], Bytes{0x12});
    EXPECT_EQ(link.replies[1], (Bytes{'\'', 'R', '2', '4', '1', '-', '2', '0', '0', '1', '\r'}));
    // A serial transport that sees another speed: not understood.
    HostLine fast{115200, 1};
    ASSERT_TRUE(session.receive(Bytes{0x10, 0x04, 0x01}, &fast, link));
    EXPECT_EQ(link.replies.size(), 2u);

    // The switch to download mode: deaf until the transport's poll time-out ends the restart.
    EXPECT_EQ(session.pollTimeoutMs(), -1);
    ASSERT_TRUE(session.receive(Bytes{0x1B, 0x5B, 0x7D}, nullptr, link));
    int timeout = session.pollTimeoutMs();
    ASSERT_GT(timeout, 0);
    ASSERT_TRUE(session.receive(Bytes{0x1D, 0x01}, nullptr, link));
    EXPECT_EQ(link.replies.size(), 2u);
    std::this_thread::sleep_for(std::chrono::milliseconds(timeout));
    session.finishRestartIfDue();
    EXPECT_EQ(session.pollTimeoutMs(), -1);
    EXPECT_EQ(session.state().mode, PrinterMode::Download);
    ASSERT_TRUE(session.receive(Bytes{0x1D, 0x01}, nullptr, link));
    EXPECT_EQ(link.replies.back(), Bytes{0x06});

    // A dropped line ends serving and closes the transport's connection.
    session.addFault(*parseFault("drop:ipl-query:2"));
    EXPECT_FALSE(session.receive(Bytes{0x1D, 0x01}, nullptr, link));
    EXPECT_TRUE(link.dropped);
    EXPECT_TRUE(session.endServing());
}

} // namespace
} // namespace kyv::sim::test
