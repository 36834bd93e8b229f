// The LAN flash commands against a scripted printer on loopback: the bytes on the wire,
// the outcome values and the log lines.

#include "core/job_events.h"
#include "core/profile_store.h"
#include "core/result_code.h"
#include "protocol/crc.h"
#include "protocol/image_file_crc.h"
#include "protocol/lan/lan_commands.h"
#include "transport/dcb_comm.h"

#include "transport/net_test_peer.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kyv {
namespace {

using Bytes = std::vector<uint8_t>;
using test::loopback;

struct LogEvents : JobEvents {
    void result(ResultCode) override {}
    void jobEnd() override {}
    void success(const std::string&) override {}
    void progressStart(int) override {}
    void progress(ProgressEvent& event) override { lines.push_back(event.logText); }
    void progressClose() override {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void notice(const std::string&, const std::string&) override {}
    std::vector<std::string> lines;
};

class LanCommandsTest : public ::testing::Test {
protected:
    LanCommandsTest() { port.setProfileStore(&store); }
    // Connects to a printer playing script.
    void connect(std::vector<test::PeerStep> script)
    {
        peer = std::make_unique<test::ScriptedTcpPeer>(std::move(script));
        store.setInt("Network", "RawPort", peer->port());
        store.setInt("Network", "ReadTimeout", 2000);
        ASSERT_EQ(port.OpenLan(loopback(1)), 1);
    }
    const Bytes& wire()
    {
        port.CloseLan();
        peer->finish();
        return peer->received();
    }

    test::ScratchDir dir;
    ProfileStore store{dir.path() / "KyvFlash.ini"};
    CDCBComm port;
    LogEvents events;
    LanCommands lan{port, &events};
    std::unique_ptr<test::ScriptedTcpPeer> peer;
};

TEST(LanCommandBytes, ImageCrcCommandFollowsTheFileName)
{
    using namespace std::chrono_literals;
    EXPECT_EQ(lan::imageCrc("R241.ipl").bytes, (Bytes{0x1D, 0x07}));
    EXPECT_EQ(lan::imageCrc("R241.ipl").wait, 10000ms);
    EXPECT_EQ(lan::imageCrc("R241.mfw").bytes, (Bytes{0x1D, 0x0F}));
    EXPECT_EQ(lan::imageCrc("R241.mfw").wait, 60000ms);
    EXPECT_EQ(lan::imageCrc(".ipl").wait, 0ms); // only at the start: neither
    EXPECT_EQ(lan::imageCrc(".mfw").bytes, (Bytes{0x1D, 0x07}));
    EXPECT_EQ(lan::imageCrc("font.fnt").wait, 0ms);
}

TEST_F(LanCommandsTest, ClearDownloadAreaTriesTheSecondFormOnlyWhenTheFirstIsRefused)
{
    connect({{3, {0x06}}});
    EXPECT_EQ(lan.clearDownloadArea(), kLanAcknowledged);
    EXPECT_EQ(wire(), (Bytes{0x1D, 0x40, 0x31}));

    connect({{3, {0x15}}, {3, {0x06}}});
    EXPECT_EQ(lan.clearDownloadArea(), kLanAcknowledged);
    EXPECT_EQ(wire(), (Bytes{0x1D, 0x40, 0x31, 0x1D, 0x40, 0x32}));

    connect({{3, {0x15}}, {3, {0x15}}});
    EXPECT_EQ(lan.clearDownloadArea(), kLanNoReply);
    EXPECT_EQ(events.lines.back(), "Clear Download Area Receive Fail - Buffer : 15 ");
}

TEST_F(LanCommandsTest, SectorCommandsAnswerOtherThanAckGive101WithTheByte)
{
    connect({{3, {0x06}}, {3, {0x15}}, {3, {0x00}}});
    EXPECT_EQ(lan.eraseSector(0x21), kLanAcknowledged);
    EXPECT_EQ(lan.eraseSector(0x22), kLanNoReply);
    EXPECT_EQ(lan.selectSector(0x23), kLanNoReply);
    EXPECT_EQ(events.lines, (std::vector<std::string>{"EraseSector Fail - Buffer : 15 ",
                                                       "Select Sector Receive Fail - Buffer : 00 "}));
    EXPECT_EQ(wire(), (Bytes{0x1D, 0x10, 0x21, 0x1D, 0x10, 0x22, 0x1D, 0x02, 0x23}));
}

TEST_F(LanCommandsTest, SectorDataGoesInWholeBlocksAfterItsHeader)
{
    Bytes data(2 * 65536);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7);
    connect({{6 + data.size(), {0x06}}, {2, {0x06, 0x34, 0x12}}, {2, {0x06, 0x34}}});
    EXPECT_EQ(lan.downloadData(data), kLanAcknowledged);
    uint16_t crc = 0;
    EXPECT_EQ(lan.sectorCrc(crc), kLanAcknowledged);
    EXPECT_EQ(crc, 0x1234);
    EXPECT_EQ(lan.sectorCrc(crc), kLanNoReply); // two bytes, then silence
    EXPECT_EQ(events.lines.back(), "Sector CRC Fail - recv_len = 0 Buffer : 06 34 00");
    Bytes expected{0x1D, 0x11, 0, 0, 0, 0};
    expected.insert(expected.end(), data.begin(), data.end());
    expected.insert(expected.end(), {0x1D, 0x06, 0x1D, 0x06});
    EXPECT_EQ(wire(), expected);
}

TEST_F(LanCommandsTest, ImageCrcComparesThePrinterCrcWithTheFile)
{
    std::filesystem::path file = dir.path() / "R241.mfw";
    std::ofstream(file, std::ios::binary) << std::string(65536, '\x5A');
    CrcAccumulator crc;
    uint16_t fileCrc = *imageFileCrc(crc, file.string());
    Bytes good{0x06, static_cast<uint8_t>(fileCrc), static_cast<uint8_t>(fileCrc >> 8)};
    connect({{2, good}, {2, {0x06, 0, 0}}, {2, {0x15, 1, 2}}});
    EXPECT_EQ(lan.imageCrc(file.string(), crc), kLanAcknowledged);
    EXPECT_EQ(lan.imageCrc(file.string(), crc), rc::CrcIncorrect);
    EXPECT_EQ(lan.imageCrc(file.string(), crc), kLanNoReply);
    EXPECT_EQ(events.lines, (std::vector<std::string>{
                                "CRCfromTool = " + std::to_string(fileCrc) + " , CRCfromPrinter = " +
                                    std::to_string(fileCrc),
                                "CRCfromTool = " + std::to_string(fileCrc) + " , CRCfromPrinter = 0",
                                "CRC Receive Fail - Buffer : 15 01 02"}));
    EXPECT_EQ(wire(), (Bytes{0x1D, 0x0F, 0x1D, 0x0F, 0x1D, 0x0F}));
}

TEST_F(LanCommandsTest, QueriesReadTheirTexts)
{
    Bytes mac{0xF0};
    for (char c : std::string("00:11:22:AA:BB:CC"))
        mac.push_back(static_cast<uint8_t>(c));
    Bytes mask{0x00};
    for (char c : std::string("255.255.252.0  "))
        mask.push_back(static_cast<uint8_t>(c));
    Bytes model{0x00, 'R', '4', '5', '3', '\r', 'x', 0xFF, 0, 0, 0, 0, 0, 0, 0};
    std::vector<test::PeerStep> script{{4, mac}, {4, mask}, {4, model}};
    for (const char* v : {"1.00A", "AB12 ", "2.10B", "CD34 ", "T0.01"})
        script.push_back({4, Bytes{0x00, uint8_t(v[0]), uint8_t(v[1]), uint8_t(v[2]), uint8_t(v[3]), uint8_t(v[4])}});
    connect(script);
    std::string text;
    EXPECT_EQ(lan.queryMac(text), 1);
    EXPECT_EQ(text, "00:11:22:AA:BB:CC");
    uint32_t m = 0;
    EXPECT_EQ(lan.querySubnetMask(m), 1);
    EXPECT_EQ(m, 0xFFFFFC00u);
    EXPECT_EQ(lan.queryModel(text), 1);
    EXPECT_EQ(text, "R453\r");
    EXPECT_EQ(lan.queryVersions(true, text), 1);
    EXPECT_EQ(text, "\r\nIPL VERSION  \t: 1.00A \r\nIPL CRC \t\t: AB12  \r\nMAIN VERSION  \t: 2.10B "
                    "\r\nMAIN CRC  \t: CD34  \r\nTABLE VERSION  \t: T0.01\r\n");
    const Bytes& sent = wire();
    EXPECT_EQ(Bytes(sent.end() - 4, sent.end()), (Bytes{0x1D, 0x49, 0x40, 0x9B}));
}

} // namespace
} // namespace kyv
