// R453 and R243 take their image as one block while they stay in online mode; the
// printer on the other end is the simulator on a pty.
#include "download/local_download.h"
#include "download/online_mode_download.h"
#include "simulated_serial_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace kyv::test {
namespace {

bool hostSent(const sim::PtyPrinter& printer, std::initializer_list<uint8_t> bytes)
{
    sim::Bytes sent = printer.bytesFromHost();
    return std::search(sent.begin(), sent.end(), bytes.begin(), bytes.end()) != sent.end();
}

// Events without texts that follow the given step text, before the next text.
int emptyEventsAfter(const RecordingEvents& events, const std::string& stepText, int occurrence = 1)
{
    int count = -1;
    for (const RecordedEvent& event : events.all()) {
        if (event.message != MSG_PROGRESS)
            continue;
        const ProgressEvent& p = event.progress;
        if (p.stepText == stepText && --occurrence == 0) {
            count = 0;
        } else if (count >= 0) {
            if (!p.stepText.empty() || !p.logText.empty())
                return count;
            ++count;
        }
    }
    return count;
}

std::vector<uint8_t> r453Firmware(size_t length, const char* version = nullptr)
{
    std::vector<uint8_t> image = patternImage(length, 'J');
    image[1] = 'M';
    if (version != nullptr) {
        const std::string marker = std::string("497-xx") + version;
        std::copy(marker.begin(), marker.end(), image.begin() + 100);
    }
    return image;
}

class OnlineModeDownloadTest : public SimulatedSerialJob {
protected:
    void startR453(std::vector<sim::Fault> faults = {})
    {
        sim::PrinterOptions options;
        options.model = "R453";
        options.faults = std::move(faults);
        startPrinter(options);
    }
    uint64_t mainSectorStart() const
    {
        return catalogue.row(catalogue.indexOf("R453")).mainSector;
    }
};

TEST_F(OnlineModeDownloadTest, R453MainFirmwareGoesAsOneFramedBlockAndLandsInFlash)
{
    startR453();
    const std::vector<uint8_t> image = r453Firmware(100000);
    ModelInfo& row = prepareJob("R453", kMainFirmware, 0, image, 19200);
    row.job.startSector = row.mainSector;
    const JobEnd end = RunLocalDownload(row);

    ASSERT_EQ(events.outcome(), 0) << ::testing::PrintToString(texts());
    EXPECT_TRUE(hostSent(*printer, {0x1B, 0x5B, 0x7C, 0x01, 0xA0, 0x86, 0x01, 0x00}));
    EXPECT_TRUE(printer->sectorsHoldFile(imagePath, row.mainSector));
    EXPECT_EQ(emptyEventsAfter(events, "Downloading on progress..(Step 5)"), 31);
    EXPECT_EQ(emptyEventsAfter(events, "Online Mode Download..(Step 4)"), 3);
    EXPECT_FALSE(hostSent(*printer, {0x1D, 0x40, 0x31})) << "an image without a version keeps the user area";
    EXPECT_EQ(end.userAreaErased, 0);
    const auto all = texts();
    EXPECT_TRUE(std::any_of(all.begin(), all.end(), [](const std::string& t) { return t.rfind("Printer CRC is ", 0) == 0; }));
    EXPECT_TRUE(events.sawText("Resetting the Printer..(Step 6)"));
}

TEST_F(OnlineModeDownloadTest, AnOlderImageOnANewerPrinterErasesTheUserAreaFirst)
{
    startR453();
    ModelInfo& row = prepareJob("R453", kMainFirmware, 0, r453Firmware(70000, "14800"), 19200);
    row.job.startSector = row.mainSector;
    const JobEnd end = RunLocalDownload(row);

    ASSERT_EQ(events.outcome(), 0) << ::testing::PrintToString(texts());
    EXPECT_TRUE(hostSent(*printer, {0x1D, 0x49, 0x40, 0x33})) << "the printer's main-firmware version is asked";
    EXPECT_TRUE(hostSent(*printer, {0x1D, 0x40, 0x31}));
    EXPECT_TRUE(events.sawText("Erasing Flash User Defined..."));
    EXPECT_TRUE(events.sawText("Download Completed! User-area erased due to compatibility."));
    EXPECT_EQ(end.userAreaErased, 1);
}

TEST_F(OnlineModeDownloadTest, ARefusedBlockEndsWithThePrintersErrorCode)
{
    startR453({*sim::parseFault("nak:online-block")});
    ModelInfo& row = prepareJob("R453", kMainFirmware, 0, r453Firmware(70000), 19200);
    row.job.startSector = row.mainSector;
    RunLocalDownload(row);
    EXPECT_EQ(events.outcome(), rc::FlashWriteFailed);
    EXPECT_FALSE(printer->sectorsHoldFile(imagePath, row.mainSector));
}

TEST_F(OnlineModeDownloadTest, AConfigurationTableMovesTheLineToThePrintersNewSpeed)
{
    sim::PrinterOptions options;
    options.model = "R243";
    startPrinter(options);
    const std::vector<uint8_t> table{'G', 'P', 0x11, 0x02, 0x13, 0x00, 0x14, 0x00};
    ModelInfo& row = prepareJob("R243", 6, 0, table, 19200);
    row.job.startSector = row.tableSector;
    const JobEnd end = RunLocalDownload(row);

    ASSERT_EQ(events.outcome(), 0) << ::testing::PrintToString(texts());
    EXPECT_EQ(printer->state().baud, 38400);
    EXPECT_EQ(end.baudRate, 38400) << "the job goes on at the speed the table gave the printer";
    EXPECT_FALSE(events.sawText("change baudrate to default....")) << "the old speed would undo the table";
}

TEST(OnlineModeTableSettings, PairsFromTheTablesStartGiveTheLineSettings)
{
    FlashJob job;
    job.baudRate = 19200;
    job.stopBits = 1;
    job.parity = "NONE";
    const std::vector<uint8_t> table{0x11, 0x04, 0x12, 0x01, 0x13, 0x01, 0x14, 0x02, 0x11, 0x09, 0x14};
    EXPECT_EQ(applyTableLineSettings(table, job), 7);
    EXPECT_EQ(job.baudRate, 9600) << "an unknown speed code keeps the last one";
    EXPECT_EQ(job.stopBits, 2);
    EXPECT_EQ(job.parity, "ODD");
}

} // namespace
} // namespace kyv::test
