// Commands over the parallel port (a pty standing in for LPT1), where replies must be
// whole and the image CRC is polled.
#include "core/catalogue.h"
#include "core/profile_store.h"
#include "protocol/flash_cmd.h"
#include "transport/pty_peer.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

namespace kyv::test {
namespace {

class ParallelCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.valid());
        ASSERT_TRUE(store.setText("Ports", "LPT1", peer.slavePath()));
        cmd.setProfileStore(&store);
        cmd.setModel("R241", "R241");
        ASSERT_EQ(cmd.open(kParallelPort, "LPT1"), 1);
        peer.start();
    }
    Bytes sectorEndingWith(Bytes tail)
    {
        Bytes data(0x10000, 0x00);
        std::copy(tail.begin(), tail.end(), data.end() - static_cast<std::ptrdiff_t>(tail.size()));
        return data;
    }

    PtyPeer peer;
    ScratchDir dir;
    ProfileStore store{dir.path() / "KyvFlash.ini"};
    CFlashCmd cmd;
};

TEST_F(ParallelCommandTest, SectorDataNeedsAnAck)
{
    const Bytes good = sectorEndingWith({0xAB, 0xCD, 0xEF});
    const Bytes refused = sectorEndingWith({0xAB, 0xCD, 0xEE});
    peer.answer({0xAB, 0xCD, 0xEF}, {0x06});
    peer.answer({0xAB, 0xCD, 0xEE}, {0x00}); // acceptable on a serial line, not here
    std::vector<std::span<const uint8_t>> blocks;
    for (size_t j = 0; j < 4; ++j)
        blocks.push_back(std::span(good).subspan(j * 0x4000, 0x4000));
    EXPECT_EQ(cmd.sendSectorData(0x10000, 0x4000, 0, blocks), 1);
    EXPECT_EQ(cmd.computedCrc(), crc16ArcOf(good));

    blocks.clear();
    for (size_t j = 0; j < 4; ++j)
        blocks.push_back(std::span(refused).subspan(j * 0x4000, 0x4000));
    EXPECT_EQ(cmd.sendSectorData(0x10000, 0x4000, 0, blocks), 0);
}

TEST_F(ParallelCommandTest, ImageCrcIsPolledUntilAnAckOrNak)
{
    peer.answer({0x1D, 0x0F}, {0x06, 0x34, 0x12});
    peer.answer({0x1D, 0x07}, {0x15, 0x00, 0x00});
    uint16_t crc = 0;
    ASSERT_EQ(cmd.recalculateCrc(cmd::kRecalculateMainCrc, crc), 1);
    EXPECT_EQ(crc, 0x1234);
    EXPECT_EQ(cmd.recalculateCrc(cmd::kRecalculateIplCrc, crc), 0);
    EXPECT_EQ(peer.received(), (Bytes{0x1D, 0x0F, 0x1D, 0x07}));
}

TEST_F(ParallelCommandTest, StatusWaitsLongerThanOnASerialLine)
{
    peer.answer({0x10, 0x04, 0x01}, {0x12, 0x00, 0x00, 0x00});
    auto started = now();
    EXPECT_EQ(cmd.waitUntilReady(cmd::kRealTimeStatus), 1);
    // The settle before the write, the status wait, the settle before the reply.
    EXPECT_GE(now() - started, scaled(ProtocolMs{5100}));
}

// Without its printer-class device nothing can reach the printer: a sector or a CRC that
// was never sent must not count as sent.
TEST(PrinterClassKind, SectorDataAndImageCrcFailWithoutTheDevice)
{
    CFlashCmd cmd;
    EXPECT_EQ(cmd.open(kUsbDeviceClass, "CPMI"), 0);
    Bytes data(0x10000, 0x11);
    std::vector<std::span<const uint8_t>> blocks(4, std::span<const uint8_t>(data).first(0x4000));
    EXPECT_EQ(cmd.sendSectorData(0x10000, 0x4000, 0, blocks), 0);
    uint16_t crc = 0;
    EXPECT_EQ(cmd.recalculateCrc(cmd::kRecalculateMainCrc, crc), 0);
    EXPECT_EQ(cmd.open(kLanOrWifi, "LAN"), 0);
    EXPECT_EQ(cmd.recalculateCrc(cmd::kRecalculateMainCrc, crc), 0);
    EXPECT_EQ(cmd.sendSectorData(0x10000, 0x4000, 0, blocks), 0);
}

} // namespace
} // namespace kyv::test
