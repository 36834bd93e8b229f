// The sector commands: erase, select, data with its CRC, sector CRC, image CRC.
#include "protocol/flash_cmd_test_support.h"

#include "protocol/crc.h"
#include "transport/pty_peer.h"

namespace kyv::test {
namespace {

using sim::FaultKind;
using sim::PrinterCommand;

// A 64 KB sector of the R241's main program (its boot program starts at sector 4, and
// writing that restarts the printer).
constexpr int kDataSector = 7;
// The 32 KB sector of the R241's second flash bank.
constexpr int kHalfSizeSector = 39;

Bytes pattern(size_t size, uint8_t seed)
{
    Bytes data(size);
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<uint8_t>(seed + i * 31 + (i >> 8));
    return data;
}

class SectorTest : public SimulatedPrinterTest {
protected:
    void startInDownloadMode(const std::string& model = "R241", std::vector<sim::Fault> faults = {})
    {
        sim::PrinterOptions options;
        options.model = model;
        options.startInDownloadMode = true;
        options.faults = std::move(faults);
        startPrinter(options);
    }
    // Splits a sector into equal blocks as the sector download does.
    static std::vector<std::span<const uint8_t>> blocksOf(const Bytes& data, size_t count)
    {
        std::vector<std::span<const uint8_t>> blocks;
        size_t size = data.size() / count;
        for (size_t j = 0; j < count; ++j)
            blocks.push_back(std::span(data).subspan(j * size, size));
        return blocks;
    }
};

TEST_F(SectorTest, FullSectorGoesOutWithHeaderBlocksAndMatchingCrc)
{
    startInDownloadMode();
    const Bytes data = pattern(0x10000, 3);
    auto blocks = blocksOf(data, 4);
    std::vector<size_t> progress;

    ASSERT_EQ(cmd.eraseSector(kDataSector), 1);
    ASSERT_EQ(cmd.selectSector(kDataSector), 1);
    ASSERT_EQ(cmd.sendSectorData(0x10000, 0x4000, 0, blocks, [&](size_t j, size_t n) {
        EXPECT_EQ(n, 4u);
        progress.push_back(j);
    }), 1);
    uint16_t printerCrc = 0;
    ASSERT_EQ(cmd.querySectorCrc(0, printerCrc), 1);

    EXPECT_EQ(progress, (std::vector<size_t>{0, 1, 2, 3}));
    EXPECT_EQ(printerCrc, cmd.computedCrc());
    EXPECT_EQ(cmd.computedCrc(), crc16ArcOf(data));
    EXPECT_EQ(printer->sectorBytes(kDataSector), data);
    EXPECT_EQ(printer->bytesFromHost(), concat({{0x1D, 0x10, 0x07, 0x1D, 0x02, 0x07, 0x1D, 0x11, 0x00, 0x00, 0x00, 0x00},
                                                data, {0x1D, 0x06}}));

    uint16_t imageCrc = 0;
    cmd.setReadTimeout(60000);
    ASSERT_EQ(cmd.recalculateCrc(cmd::kRecalculateMainCrc, imageCrc), 1);
    EXPECT_EQ(imageCrc, crc16ArcOf(data));
}

TEST_F(SectorTest, DirectCrcPrintersGetTheDirectCrc)
{
    startInDownloadMode("Q58X-E619");
    const Bytes data = pattern(0x10000, 9);
    ASSERT_EQ(cmd.selectSector(12), 1);
    ASSERT_EQ(cmd.sendSectorData(0x10000, 0x4000, 0, blocksOf(data, 4)), 1);
    uint16_t printerCrc = 0;
    ASSERT_EQ(cmd.querySectorCrc(0, printerCrc), 1);
    EXPECT_EQ(cmd.computedCrc(), crc16CcittDirectOf(data));
    EXPECT_EQ(printerCrc, cmd.computedCrc());
}

TEST_F(SectorTest, HalfSizeSectorGoesInTwoBlocksWithoutAReply)
{
    startInDownloadMode();
    const Bytes data = pattern(0x8000, 5);
    ASSERT_EQ(cmd.selectSector(kHalfSizeSector), 1);
    printer->clearTranscript();
    auto started = now();
    ASSERT_EQ(cmd.sendSectorData(0x8000, 0x4000, 0, blocksOf(data, 2)), 1);
    EXPECT_GE(now() - started, scaled(ProtocolMs{21000}));
    EXPECT_EQ(printer->bytesFromHost(), concat({{0x1D, 0x11, 0x00, 0x00, 0x00, 0x80}, data}));
    Bytes stored = printer->sectorBytes(kHalfSizeSector);
    stored.resize(data.size());
    EXPECT_EQ(stored, data);
}

TEST_F(SectorTest, SingleBlockSendsItsOwnLength)
{
    startInDownloadMode();
    const Bytes data = pattern(0x2000, 1);
    ASSERT_EQ(cmd.selectSector(1), 1);
    printer->clearTranscript();
    std::vector<std::span<const uint8_t>> blocks{data};
    ASSERT_EQ(cmd.sendSectorData(0x2000, 0x2000, 1, blocks), 1);
    EXPECT_EQ(printer->bytesFromHost(), concat({{0x1D, 0x11, 0x00, 0x00, 0x00, 0x20}, data}));
    // Too few blocks for the layout is refused before anything is sent.
    printer->clearTranscript();
    EXPECT_EQ(cmd.sendSectorData(0x10000, 0x4000, 0, blocks), 0);
    EXPECT_TRUE(printer->bytesFromHost().empty());
}

TEST_F(SectorTest, RefusalsAndSilenceFailTheCommand)
{
    startInDownloadMode("R241", {{FaultKind::Nak, PrinterCommand::Select, 1},
                                 {FaultKind::NoReply, PrinterCommand::Erase, 1},
                                 {FaultKind::Nak, PrinterCommand::SectorData, 1},
                                 {FaultKind::ShortReply, PrinterCommand::SectorCrc, 1},
                                 {FaultKind::Nak, PrinterCommand::MainCrc, 1}});
    cmd.setReadTimeout(300);
    EXPECT_EQ(cmd.selectSector(kDataSector), 0);
    EXPECT_EQ(cmd.eraseSector(kDataSector), 0);
    EXPECT_EQ(cmd.timeouts().readConstant, 40000u);
    cmd.setReadTimeout(300);
    ASSERT_EQ(cmd.selectSector(kDataSector), 1);
    const Bytes data = pattern(0x10000, 7);
    EXPECT_EQ(cmd.sendSectorData(0x10000, 0x4000, 0, blocksOf(data, 4)), 0);
    ASSERT_EQ(cmd.sendSectorData(0x10000, 0x4000, 0, blocksOf(data, 4)), 1);
    uint16_t crc = 0xBEEF;
    cmd.setReadTimeout(300);
    EXPECT_EQ(cmd.querySectorCrc(0, crc), 0) << "a two-byte reply is no CRC";
    EXPECT_EQ(crc, 0xBEEF);
    EXPECT_EQ(cmd.recalculateCrc(cmd::kRecalculateMainCrc, crc), 0);
    EXPECT_EQ(cmd.selectSector(300), 0) << "no such sector number";
}

TEST_F(SectorTest, AnyByteButNakAcknowledgesSectorDataOnASerialLine)
{
    startInDownloadMode("R241", {{FaultKind::Garbage, PrinterCommand::SectorData, 1}});
    ASSERT_EQ(cmd.selectSector(kDataSector), 1);
    const Bytes data = pattern(0x10000, 2);
    EXPECT_EQ(cmd.sendSectorData(0x10000, 0x4000, 0, blocksOf(data, 4)), 1);
}

TEST_F(SectorTest, LineDroppedDuringTheDataFailsAtOnce)
{
    sim::Fault drop;
    drop.kind = FaultKind::DropLine;
    drop.afterBytes = 20000;
    startInDownloadMode("R241", {drop});
    ASSERT_EQ(cmd.selectSector(kDataSector), 1);
    const Bytes data = pattern(0x10000, 2);
    EXPECT_EQ(cmd.sendSectorData(0x10000, 0x4000, 0, blocksOf(data, 4)), 0);
    EXPECT_TRUE(cmd.lineDropped());
    uint16_t crc = 0;
    EXPECT_EQ(cmd.querySectorCrc(0, crc), 0);
}

TEST_F(SectorTest, SlowCrcModelsWaitLongerForTheSectorCrc)
{
    startInDownloadMode("R241");
    ASSERT_EQ(cmd.selectSector(kDataSector), 1);
    ASSERT_EQ(cmd.sendSectorData(0x10000, 0x4000, 0, blocksOf(pattern(0x10000, 4), 4)), 1);
    uint16_t crc = 0;
    auto started = now();
    ASSERT_EQ(cmd.querySectorCrc(0, crc), 1);
    EXPECT_GE(now() - started, scaled(ProtocolMs{9000}));
}

// The sector CRC asked of a printer on a scripted line: reply is its first answer, rest
// (when any) follows 4 s later.
int sectorCrcFrom(Bytes reply, Bytes rest, uint16_t& crc, RealNs& took)
{
    PtyPeer peer;
    if (!peer.valid())
        return -1;
    CFlashCmd cmd;
    cmd.setModel("R242", "R242");
    if (cmd.open(kSerialPort, peer.slavePath()) != 1)
        return -1;
    peer.start();
    peer.answer({0x1D, 0x06}, reply);
    cmd.setReadTimeout(40000); // as the sector select leaves it
    std::thread late;
    if (!rest.empty())
        late = std::thread([&] {
            sleepFor(ProtocolMs{4000});
            peer.send(rest);
        });
    auto started = now();
    int result = cmd.querySectorCrc(0, crc);
    took = now() - started;
    if (late.joinable())
        late.join();
    return result;
}

TEST(SectorCrcReply, ALoneNakFailsAtOnceAndACrcInPiecesIsReadWhole)
{
    uint16_t crc = 0xBEEF;
    RealNs took{};
    EXPECT_EQ(sectorCrcFrom({0x15}, {}, crc, took), 0);
    EXPECT_LT(took, scaled(ProtocolMs{20000})) << "no wait for the rest of a refusal";
    EXPECT_EQ(crc, 0xBEEF);

    EXPECT_EQ(sectorCrcFrom({0x06}, {0x34, 0x12}, crc, took), 1);
    EXPECT_EQ(crc, 0x1234);
}

} // namespace
} // namespace kyv::test
