// The J5 family's HID download against printer-sim usb on a simulated bus.
#include "core/catalogue.h"
#include "core/clock.h"
#include "download/hid_download.h"
#include "download/recording_events.h"
#include "support/j5_image.h"
#include "support/scratch_dir.h"
#include "support/usb_sim_program.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kyv::test {
namespace {

class HidDownload : public ::testing::Test {
protected:
    void SetUp() override
    {
        setTimeScale(0.01);
        clearStopRequest();
    }
    void TearDown() override { clearStopRequest(); }

    WorkerJob job(const std::string& model, const std::vector<uint8_t>& image, int commandLine = 1)
    {
        const std::string path = (dir.path() / "j5.mfw").string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        ModelInfo row = catalogue.row(catalogue.indexOf(model));
        row.job.interfaceKind = kHid;
        row.job.filePath = path;
        row.job.progressRange = 40;
        row.job.commandLineMode = commandLine;
        row.job.workDir = dir.path().string();
        row.job.notifyWindow = &events;
        WorkerJob worker(row, "40e40f");
        worker.hidImage = true;
        worker.hidTypeLetter = 'M';
        return worker;
    }
    std::vector<std::string> texts() const { return events.texts(); }

    ScratchDir dir;
    ModelCatalogue catalogue;
    RecordingEvents events;
};

TEST_F(HidDownload, J5TakesTheImageAsABlockStreamAndComesBack)
{
    const std::string dump = (dir.path() / "flash.bin").string();
    UsbSimProgram sim({"--model", "J5", "--interface", "HID", "--flash-dump", dump});
    ASSERT_EQ(sim.firstLine, sim.bus + "\n");
    const std::vector<uint8_t> image = j5Image(5000 - 16);
    RunHidDownload(job("J5", image), *sim.backend);
    ASSERT_EQ(events.outcome(), 0) << ::testing::PrintToString(texts());
    EXPECT_TRUE(events.sawText("Checking CRC of downloaded file ... (Step 5)"));
    EXPECT_TRUE(events.sawText("Checking communication line status  ... (Step 7)"));
    const std::vector<RecordedEvent> all = events.all();
    EXPECT_EQ(all.back().message, MSG_JOB_END);
    EXPECT_EQ(std::count_if(all.begin(), all.end(), [](auto& e) { return e.progress.stepText.empty() && e.progress.logText.empty() && e.message == MSG_PROGRESS; }), 5)
        << "5000 bytes go as four blocks of 1021 and one of 916";

    ASSERT_EQ(sim.terminate().exitStatus, 0);
    std::ifstream in(dump, std::ios::binary);
    const std::vector<uint8_t> flash{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(std::search(flash.begin(), flash.end(), image.begin(), image.end()), flash.end())
        << "the printer holds the image it was sent";
}

TEST_F(HidDownload, APrinterAlreadyInDownloadModeIsNeitherSwitchedNorAwaited)
{
    const std::string transcriptPath = (dir.path() / "transcript.txt").string();
    UsbSimProgram sim({"--model", "J5", "--interface", "HID", "--download-mode", "--transcript", transcriptPath});
    RunHidDownload(job("J5", j5Image(2000)), *sim.backend);
    ASSERT_EQ(events.outcome(), 0) << ::testing::PrintToString(texts());
    EXPECT_TRUE(events.sawText("Checking communication line status  ... (Step 7)"));
    ASSERT_EQ(sim.terminate().exitStatus, 0);
    std::ifstream in(transcriptPath);
    const std::string transcript{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(transcript.find("j5 image complete"), std::string::npos) << transcript;
    EXPECT_EQ(transcript.find("1B 5B 7D"), std::string::npos) << "no switch to download mode";
}

TEST_F(HidDownload, FailuresEndWithTheirCodeInEitherOrder)
{
    // A printer whose CRC disagrees: 1005, after the whole image; in the dialog the job's end
    // is posted before the result.
    UsbSimProgram wrong({"--model", "J5_REFRESH", "--interface", "HID", "--fault", "wrong-crc:j5-crc"});
    RunHidDownload(job("J5_REFRESH", j5Image(3000), 0), *wrong.backend);
    EXPECT_EQ(events.outcome(), rc::CrcDifferent);
    const std::vector<RecordedEvent> all = events.all();
    const auto result = std::find_if(all.begin(), all.end(), [](auto& e) { return e.message == MSG_RESULT; });
    const auto firstEnd = std::find_if(all.begin(), all.end(), [](auto& e) { return e.message == MSG_JOB_END; });
    EXPECT_LT(firstEnd, result) << "dialog mode: MSG_JOB_END before MSG_RESULT";
    EXPECT_EQ(all.back().message, MSG_JOB_END);

    // No J5 printer on the bus at all: 1004 after the ten looks.
    RecordingEvents none;
    UsbSimProgram other({"--model", "R241", "--interface", "USB"});
    WorkerJob alone = job("J5", j5Image(100));
    alone.row.job.notifyWindow = &none;
    RunHidDownload(std::move(alone), *other.backend);
    EXPECT_EQ(none.outcome(), rc::NoAcknowledge);
}

// In the dialog the technician decides on an image older than the printer's firmware:
// Yes flashes it, No ends with 1507 before anything is sent; either way the question is
// asked once and the job reports one outcome.
TEST_F(HidDownload, InTheDialogAnOlderImageIsFlashedOnlyWhenTheTechnicianSaysYes)
{
    for (bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        RecordingEvents asked;
        asked.answerYes = yes;
        const std::string transcriptPath = (dir.path() / (yes ? "yes.txt" : "no.txt")).string();
        UsbSimProgram sim({"--model", "J5", "--interface", "HID", "--j5-firmware", "311223:99.99", "--transcript",
                           transcriptPath});
        WorkerJob older = job("J5", j5Image(3000, '1'), 0);
        older.row.job.notifyWindow = &asked;
        RunHidDownload(std::move(older), *sim.backend);
        EXPECT_EQ(asked.questions, std::vector<std::string>{"Old version is selected to download"});
        EXPECT_EQ(asked.outcome(), yes ? rc::Success : rc::WrongFirmwareFile);
        EXPECT_EQ(asked.all().back().message, MSG_JOB_END);
        ASSERT_EQ(sim.terminate().exitStatus, 0);
        std::ifstream in(transcriptPath);
        const std::string transcript{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(transcript.find("j5 image complete") != std::string::npos, yes) << transcript;
        EXPECT_EQ(transcript.find("1B 5B 7D") != std::string::npos, yes) << "switched only after a Yes";
    }
}

} // namespace
} // namespace kyv::test
