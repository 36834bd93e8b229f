// The steps each command takes on a serial line, one by one: how its bytes are split into
// writes, the read time-outs it sets, how many bytes each read asks for, and the pauses
// between them. The printer is the simulator; the command object records its own port
// operations, which the bytes on the wire alone cannot show.
#include "protocol/flash_cmd_test_support.h"

#include <cstdio>

namespace kyv::test {
namespace {

using sim::PrinterCommand;

// A command object that notes every port operation with its start and end time.
class RecordingCmd final : public CFlashCmd {
public:
    using CFlashCmd::write;
    using CFlashCmd::writeRetry;

    struct Step {
        std::string text; // "W 1D 02", "X 1D 03 02", "R 4", "T 40000"
        SteadyTime began;
        SteadyTime ended;
    };

    int write(const uint8_t* buffer, size_t length) override
    {
        return note("W", buffer, length, [&] { return CFlashCmd::write(buffer, length); });
    }
    int writeRetry(const uint8_t* buffer, size_t length) override
    {
        return note("X", buffer, length, [&] { return CFlashCmd::writeRetry(buffer, length); });
    }
    int read(uint8_t* buffer, size_t length) override
    {
        SteadyTime began = now();
        int ok = CFlashCmd::read(buffer, length);
        // A read that only takes the rest of a reply that came in pieces is part of the
        // read before it.
        const bool rest = !steps.empty() && length > 0 && length == missing_;
        missing_ = ok && bytesRead() < length ? length - bytesRead() : 0;
        if (recording && !rest)
            steps.push_back({"R " + std::to_string(length), began, now()});
        return ok;
    }
    int setReadTimeout(uint32_t ms) override
    {
        if (recording) {
            missing_ = 0;
            steps.push_back({"T " + std::to_string(ms), now(), now()});
        }
        return CFlashCmd::setReadTimeout(ms);
    }

    std::vector<std::string> texts() const
    {
        std::vector<std::string> all;
        for (const Step& step : steps)
            all.push_back(step.text);
        return all;
    }
    // Protocol milliseconds between the end of step i-1 and the start of step i.
    double pauseBefore(size_t i) const
    {
        if (i == 0 || i >= steps.size())
            return -1;
        return std::chrono::duration<double, std::milli>(steps[i].began - steps[i - 1].ended).count() / timeScale();
    }
    void clear()
    {
        steps.clear();
        missing_ = 0;
        recording = true;
    }

    std::vector<Step> steps;
    bool recording = false;

private:
    template <typename Send>
    int note(const char* what, const uint8_t* buffer, size_t length, Send send)
    {
        SteadyTime began = now();
        int ok = send();
        if (recording) {
            missing_ = 0;
            std::string text = what;
            // Long data blocks are noted by their length only.
            if (length > 8) {
                text += " [" + std::to_string(length) + "]";
            } else {
                for (size_t i = 0; i < length; ++i) {
                    char hex[4];
                    std::snprintf(hex, sizeof hex, " %02X", buffer[i]);
                    text += hex;
                }
            }
            steps.push_back({text, began, now()});
        }
        return ok;
    }

    size_t missing_ = 0;
};

using Texts = std::vector<std::string>;

// A coarser time scale for the tests that tell a short pause from a long one, so a busy
// machine's scheduling delay cannot blur the two.
class CoarserTime {
public:
    CoarserTime() : saved_(timeScale()) { setTimeScale(0.05); }
    ~CoarserTime() { setTimeScale(saved_); }

private:
    double saved_;
};

class WireStepsTest : public ::testing::Test {
protected:
    void start(const std::string& model, bool inDownloadMode = false, bool notReady = false)
    {
        sim::PrinterOptions options;
        options.model = model;
        options.startInDownloadMode = inDownloadMode;
        options.notReady = notReady;
        printer = std::make_unique<sim::PtyPrinter>(options);
        ASSERT_TRUE(printer->start()) << printer->errorText();
        ModelCatalogue catalogue;
        cmd.bindJob(catalogue.row(catalogue.indexOf(model)));
        ASSERT_EQ(cmd.open(kSerialPort, printer->slavePath()), 1);
        ASSERT_EQ(cmd.configure("COM1", sim::defaultBaud(model), "NONE", 8, 1), 1);
        cmd.setReadTimeout(10000);
        cmd.clear();
    }
    // Index of the first step with this text at or after from.
    size_t find(const std::string& text, size_t from = 0) const
    {
        for (size_t i = from; i < cmd.steps.size(); ++i)
            if (cmd.steps[i].text == text)
                return i;
        ADD_FAILURE() << "no step " << text;
        return cmd.steps.size();
    }

    CommandEvents events;
    RecordingCmd cmd;
    std::unique_ptr<sim::PtyPrinter> printer;
};

TEST_F(WireStepsTest, SectorCommandsSendTheSectorNumberAndHeaderBytesOnTheirOwn)
{
    start("R241", true);
    ASSERT_EQ(cmd.eraseSector(7), 1);
    EXPECT_EQ(cmd.texts(), (Texts{"W 1D 10", "W 07", "T 40000", "R 1"}));
    EXPECT_GE(cmd.pauseBefore(2), 100);

    cmd.clear();
    ASSERT_EQ(cmd.selectSector(7), 1);
    EXPECT_EQ(cmd.texts(), (Texts{"W 1D 02", "W 07", "T 40000", "R 1"}));

    cmd.clear();
    Bytes data(0x10000, 0x5A);
    std::vector<std::span<const uint8_t>> blocks;
    for (size_t j = 0; j < 4; ++j)
        blocks.push_back(std::span<const uint8_t>(data).subspan(j * 0x4000, 0x4000));
    ASSERT_EQ(cmd.sendSectorData(0x10000, 0x4000, 0, blocks), 1);
    EXPECT_EQ(cmd.texts(), (Texts{"W 1D 11", "W 00", "W 00", "W 00", "W 00", "W [16384]", "W [16384]",
                                  "W [16384]", "W [16384]", "R 1"}));
    EXPECT_GE(cmd.pauseBefore(9), 1000);

    // The R241 is one of the models whose printers take longer for the sector CRC.
    cmd.clear();
    uint16_t crc = 0;
    ASSERT_EQ(cmd.querySectorCrc(0, crc), 1);
    EXPECT_EQ(cmd.texts(), (Texts{"W 1D 06", "R 3"}));
    EXPECT_GE(cmd.pauseBefore(1), 9000);

    // The image CRC: an ACK first, then the CRC, low byte first.
    cmd.clear();
    ASSERT_EQ(cmd.recalculateCrc(cmd::kRecalculateMainCrc, crc), 1);
    EXPECT_EQ(cmd.texts(), (Texts{"W 1D 0F", "T 100000", "R 1", "R 2"}));
    EXPECT_GE(cmd.pauseBefore(1), 3000);
}

TEST_F(WireStepsTest, SectorCrcWaitsLongerOnlyForSlowModelsOrWhenAsked)
{
    CoarserTime coarser;
    start("R242", true);
    ASSERT_EQ(cmd.selectSector(7), 1);
    Bytes data(0x10000, 0xA5);
    std::vector<std::span<const uint8_t>> blocks(4, std::span<const uint8_t>(data).first(0x4000));
    ASSERT_EQ(cmd.sendSectorData(0x10000, 0x4000, 0, blocks), 1);

    cmd.clear();
    uint16_t crc = 0;
    ASSERT_EQ(cmd.querySectorCrc(0, crc), 1);
    EXPECT_GE(cmd.pauseBefore(1), 3000);
    EXPECT_LT(cmd.pauseBefore(1), 9000);

    cmd.clear();
    ASSERT_EQ(cmd.querySectorCrc(1, crc), 1);
    EXPECT_GE(cmd.pauseBefore(1), 9000);
}

TEST_F(WireStepsTest, QueriesAskForTheirReplyLengthsAfterTheirPauses)
{
    start("R241");
    EXPECT_EQ(cmd.queryPrinterMode(), 0);
    EXPECT_EQ(cmd.texts(), (Texts{"W 10 04 01", "R 4"}));
    EXPECT_GE(cmd.pauseBefore(1), 200);

    cmd.clear();
    std::string model;
    ASSERT_EQ(cmd.queryModelNumber(model), 1);
    EXPECT_EQ(cmd.texts(), (Texts{"W 1D 49 40 27", "R 18"}));
    EXPECT_GE(cmd.pauseBefore(1), 5000);

    cmd.clear();
    std::string version;
    ASSERT_EQ(cmd.queryVersionReport(version), 1);
    EXPECT_EQ(cmd.texts(), (Texts{"W 1D 49 40 97", "R 10", "W 1D 49 40 2F", "R 10", "W 1D 49 40 A3", "R 10",
                                  "W 1D 49 40 37", "R 10"}));
    for (size_t i = 1; i < cmd.steps.size(); ++i)
        EXPECT_GE(cmd.pauseBefore(i), 50) << "before step " << i;

    cmd.clear();
    EXPECT_EQ(cmd.queryBaudRateExtended(), 115200);
    EXPECT_EQ(cmd.texts(), (Texts{"W 1F 7A 74 01", "W 1B 6A 02", "R 1", "W 1F 7A 74 00"}));
    EXPECT_GE(cmd.pauseBefore(1), 80);

    cmd.clear();
    EXPECT_EQ(cmd.queryBaudRate(), 115200);
    EXPECT_EQ(cmd.queryFlashState(), 0);
    EXPECT_EQ(cmd.texts(), (Texts{"W 1F 12 11", "R 1", "W 1D 30 07", "R 1"}));
}

TEST_F(WireStepsTest, ModelNumberOfAnR453IsReadSooner)
{
    CoarserTime coarser;
    start("R453");
    std::string model;
    ASSERT_EQ(cmd.queryModelNumber(model), 1);
    EXPECT_GE(cmd.pauseBefore(1), 1000);
    EXPECT_LT(cmd.pauseBefore(1), 5000);
}

TEST_F(WireStepsTest, ABusyPrinterIsReleasedWithARetriedWriteExceptOnR453)
{
    start("R241", false, true);
    ASSERT_EQ(cmd.waitUntilReady(cmd::kRealTimeStatus), 1);
    EXPECT_EQ(cmd.texts(), (Texts{"W 10 04 01", "R 4", "X 1D 03 02", "W 10 04 01", "R 4"}));
    EXPECT_GE(cmd.pauseBefore(3), 3000);
}

TEST_F(WireStepsTest, AnR453StaysBusyWithoutTheRelease)
{
    start("R453", false, true);
    EXPECT_EQ(cmd.waitUntilReady(cmd::kRealTimeStatus), 0);
    EXPECT_EQ(cmd.texts(), (Texts{"W 10 04 01", "R 4", "W 10 04 01", "R 4", "W 10 04 01", "R 4"}));
}

TEST_F(WireStepsTest, ControlCommandsSetTheirTimeoutsAndPauses)
{
    start("R451");
    ASSERT_EQ(cmd.clearDownloadArea(), 1);
    EXPECT_EQ(cmd.texts(), (Texts{"T 5000", "W 1D 22 55 FF FF", "R 1", "W 1D 40 31", "R 1", "W 1D 40 32", "R 1"}));
    EXPECT_GE(cmd.pauseBefore(2), 1000);
    EXPECT_GE(cmd.pauseBefore(4), 500);
    EXPECT_GE(cmd.pauseBefore(6), 500);

    cmd.clear();
    ASSERT_EQ(cmd.printConfiguration(0), 1);
    EXPECT_EQ(cmd.texts(), (Texts{"T 1500", "W 1F 74 00 01"}));

    cmd.clear();
    ASSERT_EQ(cmd.changeBaudRate(38400), rc::Success);
    EXPECT_EQ(cmd.texts(),
              (Texts{"T 1500", "W 10 04 01", "R 4", "W 1F 11 11 02 FF", "W 1D FF", "T 1500"}));
    // The restart wait of the reset and the settle after it.
    EXPECT_GE(cmd.pauseBefore(5), 23000);

    ASSERT_EQ(cmd.configure("COM1", 38400, "NONE", 8, 1), 1);
    cmd.clear();
    ASSERT_EQ(cmd.switchToDownloadMode(cmd::kEnterDownloadMode), 1);
    ASSERT_EQ(cmd.sendWithAck(cmd::kIplCommand), 1);
    EXPECT_EQ(cmd.texts(), (Texts{"W 1B 5B 7D", "W 1D 01", "R 1023"}));
    EXPECT_GE(cmd.pauseBefore(1), 7000);
    EXPECT_GE(cmd.pauseBefore(2), 200);
}

} // namespace
} // namespace kyv::test
