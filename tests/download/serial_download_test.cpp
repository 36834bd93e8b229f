// Flashing a simulated printer over a pty, from the first status query to the reset.

#include "download/download_pause.h"
#include "download/local_download.h"
#include "transport/dcb_comm.h"
#include "download/simulated_serial_job.h"
#include "protocol/crc.h"
#include "sim/lib/transcript.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace kyv::test {
namespace {

constexpr size_t KB = 1024;

// progressStart first, exactly one outcome, progressClose before jobEnd, jobEnd last.
void expectWorkerContract(const RecordingEvents& events)
{
    std::vector<RecordedEvent> all = events.all();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.front().message, MSG_PROGRESS_START);
    EXPECT_EQ(all.back().message, MSG_JOB_END);
    EXPECT_EQ(std::count_if(all.begin(), all.end(), [](auto& e) { return e.message == MSG_JOB_END; }), 1);
    EXPECT_EQ(std::count_if(all.begin(), all.end(), [](auto& e) { return e.message == MSG_PROGRESS_CLOSE; }), 1);
    EXPECT_NE(events.outcome(), -1) << "not exactly one result or success";
}

bool workerEnded(const RecordingEvents& events)
{
    const std::vector<RecordedEvent> all = events.all();
    return std::any_of(all.begin(), all.end(), [](const RecordedEvent& e) { return e.message == MSG_JOB_END; });
}

size_t indexOf(const std::vector<std::string>& texts, const std::string& text)
{
    return static_cast<size_t>(std::find(texts.begin(), texts.end(), text) - texts.begin());
}

// The progress events as the log and the bar see them: a step text as itself, a log line
// as "log:" and its text (it must leave the bar alone), an event without texts that moves
// the bar one step as "<empty>". The bar positions set while a sector's data goes out
// are left out.
std::vector<std::string> eventKinds(const RecordingEvents& events)
{
    std::vector<std::string> kinds;
    for (const RecordedEvent& event : events.all()) {
        if (event.message != MSG_PROGRESS)
            continue;
        const ProgressEvent& p = event.progress;
        if (!p.stepText.empty())
            kinds.push_back(p.stepText);
        else if (!p.logText.empty())
            kinds.push_back(p.mode == 2 ? "log:" + p.logText : "log moving the bar:" + p.logText);
        else if (p.position == 0)
            kinds.push_back(p.mode == 2 ? "<still>" : "<empty>");
    }
    return kinds;
}

// How often the printer recognised a command (its transcript notes "select (2)" and so on).
int commandsSeen(const sim::PtyPrinter& printer, const std::string& name)
{
    int count = 0;
    for (const sim::TranscriptEntry& entry : printer.transcript())
        if (entry.direction == sim::Direction::Event && entry.note.rfind(name + " (", 0) == 0)
            ++count;
    return count;
}

bool hostSent(const sim::PtyPrinter& printer, std::initializer_list<uint8_t> bytes)
{
    sim::Bytes sent = printer.bytesFromHost();
    return std::search(sent.begin(), sent.end(), bytes.begin(), bytes.end()) != sent.end();
}

class SerialDownload : public SimulatedSerialJob {};

TEST_F(SerialDownload, MainFirmwareGoesSectorBySectorAndLandsInFlash)
{
    startPrinter({});
    std::vector<uint8_t> image = patternImage(2 * 64 * KB + 5000);
    ModelInfo& row = prepareJob("R241", kMainFirmware, 6, image);
    RunLocalDownload(row);

    expectWorkerContract(events);
    ASSERT_EQ(events.outcome(), 0);
    std::vector<std::string> seen = texts();
    for (int k = 1; k <= 3; ++k) {
        SCOPED_TRACE(k);
        size_t at = indexOf(seen, "\r\nNow at sector " + std::to_string(k));
        ASSERT_LT(at + 5, seen.size());
        const std::string of = std::to_string(k) + " of 3...";
        EXPECT_EQ(seen[at + 1], "Erasing flash sector " + of);
        EXPECT_EQ(seen[at + 2], "Selecting flash sector " + of);
        EXPECT_EQ(seen[at + 3], "Downloading data to flash sector " + of);
        EXPECT_EQ(seen[at + 4], "Acknowledge Printer for flash sector " + of);
        std::vector<uint8_t> sector(64 * KB, 0xFF);
        size_t from = (k - 1) * 64 * KB;
        std::copy(image.begin() + from, image.begin() + std::min(image.size(), from + 64 * KB), sector.begin());
        char crcLine[80];
        unsigned crc = crc16ArcOf(sector);
        std::snprintf(crcLine, sizeof crcLine, "Printer CRC is %x , Computer CRC is %x\n ", crc, crc);
        EXPECT_EQ(seen[at + 5], crcLine);
    }
    // Per sector: the log line, an empty event, erase, select, data, acknowledge and an
    // empty event, the CRC log line; then steps 10 and 11 with an empty event between.
    std::vector<std::string> kinds = eventKinds(events);
    for (int k = 1; k <= 3; ++k) {
        SCOPED_TRACE(k);
        size_t at = indexOf(kinds, "log:\r\nNow at sector " + std::to_string(k));
        ASSERT_LT(at + 7, kinds.size());
        const std::string of = std::to_string(k) + " of 3...";
        EXPECT_EQ(std::vector<std::string>(kinds.begin() + at + 1, kinds.begin() + at + 7),
                  (std::vector<std::string>{"<empty>", "Erasing flash sector " + of, "Selecting flash sector " + of,
                                            "Downloading data to flash sector " + of,
                                            "Acknowledge Printer for flash sector " + of, "<empty>"}));
        EXPECT_EQ(kinds[at + 7].rfind("log:Printer CRC is ", 0), 0u) << kinds[at + 7];
    }
    size_t recalculate = indexOf(kinds, "Recalculate MFW CRC (Step 10)");
    ASSERT_LT(recalculate + 3, kinds.size());
    EXPECT_EQ(std::vector<std::string>(kinds.begin() + recalculate, kinds.begin() + recalculate + 4),
              (std::vector<std::string>{"Recalculate MFW CRC (Step 10)", "<empty>", "Reseting printer..(Step 11).",
                                        "Download completed!"}));

    size_t step10 = indexOf(seen, "Recalculate MFW CRC (Step 10)");
    EXPECT_GT(step10, indexOf(seen, "\r\nNow at sector 3"));
    EXPECT_EQ(seen[step10 + 1], "Reseting printer..(Step 11).");
    EXPECT_EQ(seen[step10 + 2], "Download completed!");
    EXPECT_EQ(seen.back(), "Download Completed !!!");

    EXPECT_TRUE(printer->sectorsHoldFile(imagePath, 6));
    EXPECT_EQ(printer->state().eraseCount, 3);
    EXPECT_EQ(events.successText().rfind("FLASH F/w CRC:  ", 0), 0u);
    EXPECT_EQ(events.successText().size(), std::string("FLASH F/w CRC:  ").size() + 4);
    // Already at 115200: its speed is asked, never changed.
    EXPECT_TRUE(events.sawText("Check actual printer baud rate..(Step 3)"));
    EXPECT_FALSE(events.sawText("Changing printer baud rate to 115200 bps..(Step 4)"));
    EXPECT_FALSE(events.sawText("change baudrate to default...."));
    EXPECT_FALSE(hostSent(*printer, {0x1F, 0x11, 0x11}));
    EXPECT_EQ(printer->state().configurationPrints, 1);
}

TEST_F(SerialDownload, BootImageFirstSectorIsNotAcknowledgedAndOnlyTheSecondIsErased)
{
    startPrinter({});
    // The first 32 KB of a boot image are the boot block and stay in the printer.
    std::vector<uint8_t> image = patternImage(32 * KB + 32 * KB + 64 * KB);
    ModelInfo& row = prepareJob("R241", kIplFirmware, 4, image);
    RunLocalDownload(row);

    expectWorkerContract(events);
    ASSERT_EQ(events.outcome(), 0);
    EXPECT_FALSE(events.sawText("Erasing flash sector 1 of 2..."));
    EXPECT_TRUE(events.sawText("Erasing flash sector 2 of 2..."));
    EXPECT_FALSE(events.sawText("Acknowledge Printer for flash sector 1 of 2..."));
    EXPECT_TRUE(events.sawText("Acknowledge Printer for flash sector 2 of 2..."));
    std::vector<std::string> seen = texts();
    size_t restart = indexOf(seen, "Reseting printer, please wait..(Step 8).");
    EXPECT_EQ(seen[restart + 1], "Checking communication line status..(Step 9).");
    EXPECT_LT(restart, indexOf(seen, "\r\nNow at sector 2"));
    EXPECT_TRUE(events.sawText("Recalculate IPL CRC (Step 10)"));
    EXPECT_EQ(events.successText().rfind("BOOT F/W CRC:  ", 0), 0u);
    EXPECT_EQ(printer->state().eraseCount, 1);
}

TEST_F(SerialDownload, PrinterIsLookedForOnItsLineAfterEachRestart)
{
    startPrinter({});
    ModelInfo& row = prepareJob("R241", kMainFirmware, 6, patternImage(64 * KB));
    const std::string port = row.job.interfaceName;
    RunLocalDownload(row);
    ASSERT_EQ(events.outcome(), 0);
    std::vector<std::string> seen = texts();
    size_t step6 = indexOf(seen, "Switching printer to download mode (Step 6) ...");
    // Neither a USB device nor an adapter port: the printer stays where it was, so nothing
    // is reopened before step 7 opens its line again.
    ASSERT_LT(step6 + 7, seen.size());
    EXPECT_EQ(std::vector<std::string>(seen.begin() + step6 + 1, seen.begin() + step6 + 8),
              (std::vector<std::string>{"Auto Detect TRUE....", "Open HID 0....",
                                        "(Open HID 00)COM Port detected is " + port,
                                        "Checking communication line status..(Step 7).", "communicationMode == 0",
                                        "Sent IPL command", "\r\nNow at sector 1"}));
    size_t reset = indexOf(seen, "Download completed!");
    ASSERT_LT(reset + 5, seen.size());
    EXPECT_EQ(std::vector<std::string>(seen.begin() + reset + 1, seen.begin() + reset + 6),
              (std::vector<std::string>{"Auto detect True....", "communicationMode = 0....",
                                        "Set commport handle commport is " + port, "Print config com....",
                                        "Download Completed !!!"}));

    // Without port detection the printer is expected back on the same line at once.
    RecordingEvents plain;
    row.job.notifyWindow = &plain;
    row.job.portDetection = 0;
    RunLocalDownload(row);
    ASSERT_EQ(plain.outcome(), 0);
    seen = plain.texts();
    step6 = indexOf(seen, "Switching printer to download mode (Step 6) ...");
    ASSERT_LT(step6 + 2, seen.size());
    EXPECT_EQ(seen[step6 + 1], "Auto Detect 0....");
    EXPECT_EQ(seen[step6 + 2], "Checking communication line status..(Step 7).");
    EXPECT_FALSE(plain.sawText("Auto detect True...."));
    EXPECT_TRUE(plain.sawText("Set commport handle commport is " + port));
}

TEST_F(SerialDownload, R241ReceiptFontLeavesSectors37To40UnerasedAndGoesOnAtSector16)
{
    startPrinter({});
    const SectorMap& map = *catalogue.row(0).sectorMap;
    const uint64_t upTo40 = map.sectorNumberOffset(41) - map.sectorNumberOffset(20);
    std::vector<uint8_t> image = patternImage(upTo40 + 100);
    RunLocalDownload(prepareJob("R241", 0, 20, image));

    ASSERT_EQ(events.outcome(), 0);
    // Sectors 20 to 40 are 1 to 21 of the list, sector 16 is the 22nd.
    EXPECT_TRUE(events.sawText("Erasing flash sector 17 of 22..."));
    for (int k = 18; k <= 21; ++k)
        EXPECT_FALSE(events.sawText("Erasing flash sector " + std::to_string(k) + " of 22...")) << k;
    EXPECT_TRUE(events.sawText("Erasing flash sector 22 of 22..."));
    EXPECT_EQ(printer->state().eraseCount, 22 - 4);
    sim::Bytes sector16 = printer->sectorBytes(16);
    ASSERT_GE(sector16.size(), 100u);
    EXPECT_TRUE(std::equal(image.begin() + static_cast<std::ptrdiff_t>(upTo40), image.end(), sector16.begin()));
}

TEST_F(SerialDownload, AltCrcPrintersAreFoundInFennModeAndRestartIntoANewBootProgram)
{
    // A Q58X-E619 boot program: Fenn II download mode (1D 16), no boot block kept back,
    // and the alternative reset (1D 80) instead of 1D FF at the end.
    sim::PrinterOptions q58x;
    q58x.model = "Q58X-E619";
    startPrinter(q58x);
    ModelInfo& boot = prepareJob("Q58X-E619", kIplFirmware, 9, patternImage(2 * 64 * KB));
    RunLocalDownload(boot);
    ASSERT_EQ(events.outcome(), 0);
    EXPECT_TRUE(printer->sectorsHoldFile(imagePath, 9));
    EXPECT_EQ(commandsSeen(*printer, "fenn-ipl"), 1);
    EXPECT_EQ(commandsSeen(*printer, "fenn-mode"), 0);
    EXPECT_EQ(commandsSeen(*printer, "restart"), 1);
    EXPECT_EQ(commandsSeen(*printer, "reset"), 0);

    // KSX4-1ST/2ST main firmware: 1D 16 and the 16-byte unlock, then the usual 1D FF reset.
    RecordingEvents ksx4Events;
    sim::PrinterOptions ksx4;
    ksx4.model = "KSX4-1ST/2ST";
    startPrinter(ksx4);
    ModelInfo& main = prepareJob("KSX4-1ST/2ST", kMainFirmware, 33, patternImage(64 * KB, 'P'));
    main.job.notifyWindow = &ksx4Events;
    RunLocalDownload(main);
    ASSERT_EQ(ksx4Events.outcome(), 0);
    EXPECT_TRUE(printer->sectorsHoldFile(imagePath, 33));
    EXPECT_TRUE(hostSent(*printer, {0x1D, 0x16, 0x1D, 0x30, 0x10, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06,
                                    0x07, 0x08, 0x09, 0x10, 0x11}));
    EXPECT_EQ(commandsSeen(*printer, "restart"), 0);
    EXPECT_EQ(commandsSeen(*printer, "reset"), 1);
}

TEST_F(SerialDownload, FamiliesThatEraseForThemselvesGetNoEraseCommand)
{
    // R241-2XX8/3XX8/4XX8 takes its boot-initial data from sector 24 without any erase.
    sim::PrinterOptions initial;
    initial.model = "R241-2XX8/3XX8/4XX8";
    startPrinter(initial);
    ModelInfo& r241 = prepareJob("R241-2XX8/3XX8/4XX8", 0, 24, patternImage(64 * KB));
    RunLocalDownload(r241);
    ASSERT_EQ(events.outcome(), 0);
    EXPECT_FALSE(events.sawText("Erasing flash sector 1 of 1..."));
    EXPECT_TRUE(events.sawText("Selecting flash sector 1 of 1..."));
    EXPECT_EQ(printer->state().eraseCount, 0);
    EXPECT_EQ(events.successText(), "");

    // An R242-2XX6/3XX6 boot image: the erase of its second sector is announced, not sent.
    RecordingEvents boot;
    sim::PrinterOptions r242;
    r242.model = "R242-2XX6/3XX6";
    startPrinter(r242);
    ModelInfo& row = prepareJob("R242-2XX6/3XX6", kIplFirmware, 2, patternImage(2 * 64 * KB));
    row.job.notifyWindow = &boot;
    RunLocalDownload(row);
    ASSERT_EQ(boot.outcome(), 0);
    EXPECT_TRUE(boot.sawText("Erasing flash sector 2 of 2..."));
    EXPECT_FALSE(boot.sawText("Erasing flash sector 1 of 2..."));
    EXPECT_EQ(printer->state().eraseCount, 0);
    EXPECT_TRUE(printer->sectorsHoldFile(imagePath, 2));
}

TEST_F(SerialDownload, PrinterLostAfterTheBootSectorEndsAfterThirtyPolls)
{
    sim::PrinterOptions options;
    // The first download-mode query finds the printer after the switch; the rest go unanswered.
    for (int occurrence = 2; occurrence <= 40; ++occurrence)
        options.faults.push_back({sim::FaultKind::NoReply, sim::PrinterCommand::IplQuery, occurrence});
    startPrinter(options);
    ModelInfo& row = prepareJob("R241", kIplFirmware, 4, patternImage(32 * KB + 32 * KB + 64 * KB));
    RunLocalDownload(row);

    expectWorkerContract(events);
    EXPECT_EQ(events.outcome(), rc::InterfaceBusy);
    EXPECT_TRUE(events.sawText("Checking communication line status..(Step 9)."));
    EXPECT_FALSE(events.sawText("\r\nNow at sector 2"));
    EXPECT_TRUE(events.sawText("Enter Fail condition...."));

    // Thirty queries after the boot sector, unlogged, each sent as soon as the last one
    // has timed out (200 ms + 1000 ms), without the second's pause of the search after
    // the switch to download mode.
    std::vector<SteadyTime> queries;
    for (const sim::TranscriptEntry& entry : printer->transcript())
        if (entry.direction == sim::Direction::ToPrinter && entry.bytes == sim::Bytes{0x1D, 0x01})
            queries.push_back(entry.time);
    ASSERT_EQ(queries.size(), 1u + 30u); // the first found the printer after the switch
    RealNs shortestGap = RealNs::max();
    for (size_t i = 2; i < queries.size(); ++i)
        shortestGap = std::min(shortestGap, RealNs(queries[i] - queries[i - 1]));
    EXPECT_LT(shortestGap, scaled(ProtocolMs{1800}));
    std::vector<std::string> seen = texts();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), std::string("Sent IPL command")), 1);
}

TEST_F(SerialDownload, PrinterAlreadyInDownloadModeIsNeitherAskedNorSwitched)
{
    sim::PrinterOptions options;
    options.startInDownloadMode = true;
    startPrinter(options);
    ModelInfo& row = prepareJob("R241", kMainFirmware, 6, patternImage(64 * KB));
    RunLocalDownload(row);

    expectWorkerContract(events);
    ASSERT_EQ(events.outcome(), 0);
    EXPECT_FALSE(events.sawText("Getting Printer Version..."));
    EXPECT_FALSE(events.sawText("Check actual printer baud rate..(Step 3)"));
    EXPECT_FALSE(hostSent(*printer, {0x1B, 0x5B, 0x7D})); // no switch to download mode
    EXPECT_TRUE(printer->sectorsHoldFile(imagePath, 6));
}

TEST_F(SerialDownload, R453InDownloadModeTakesFirmwareButNoConfigurationTable)
{
    sim::PrinterOptions options;
    options.model = "R453";
    options.startInDownloadMode = true;
    startPrinter(options);
    ModelInfo& row = prepareJob("R453", 6, 36, patternImage(64 * KB, 'J'), 19200);
    RunLocalDownload(row);
    expectWorkerContract(events);
    EXPECT_EQ(events.outcome(), rc::PrinterNotOnline);
    EXPECT_EQ(printer->state().sectorWrites, 0);

    RecordingEvents firmware;
    row.job.notifyWindow = &firmware;
    row.job.downloadTypeCode = kMainFirmware;
    setTimeScale(0.05); // room to tell the 1000 ms settle from 4000 ms on a loaded machine
    RunLocalDownload(row);
    ASSERT_EQ(firmware.outcome(), 0);
    EXPECT_TRUE(printer->sectorsHoldFile(imagePath, 36));
    EXPECT_FALSE(firmware.sawText("Check actual printer baud rate..(Step 3)"));

    // An R453 is back from its reset sooner: 1000 ms after "Download completed!", where
    // other printers are given 4000 ms.
    std::vector<RecordedEvent> all = firmware.all();
    auto done = std::find_if(all.begin(), all.end(),
                             [](const RecordedEvent& e) { return e.progress.stepText == "Download completed!"; });
    ASSERT_NE(done, all.end());
    ASSERT_NE(done + 1, all.end());
    const RealNs settle = (done + 1)->at - done->at;
    EXPECT_GE(settle, scaled(ProtocolMs{1000}));
    EXPECT_LT(settle, scaled(ProtocolMs{4000}));
}

TEST_F(SerialDownload, SlowPrinterIsRaisedTo115200AndGivenItsSpeedBack)
{
    sim::PrinterOptions options;
    options.baud = 19200;
    startPrinter(options);
    ModelInfo& row = prepareJob("R241", kMainFirmware, 6, patternImage(64 * KB), 19200);
    const JobEnd end = RunLocalDownload(row);

    expectWorkerContract(events);
    ASSERT_EQ(events.outcome(), 0);
    EXPECT_TRUE(events.sawText("Changing printer baud rate to 115200 bps..(Step 4)"));
    EXPECT_TRUE(events.sawText("change baudrate to default...."));
    EXPECT_TRUE(hostSent(*printer, {0x1F, 0x11, 0x11, 0x00, 0xFF})); // to 115200
    EXPECT_TRUE(hostSent(*printer, {0x1F, 0x11, 0x11, 0x03, 0xFF})); // back to 19200
    EXPECT_EQ(printer->state().baud, 19200);
    EXPECT_EQ(end.baudRate, 19200); // the line speed the run ended on
    EXPECT_TRUE(printer->sectorsHoldFile(imagePath, 6));
}

TEST_F(SerialDownload, ModeQueryAfterTheSpeedIsGivenBackWaitsTheFullCommandTimeOut)
{
    // A fault-free run tells which status request is the mode query after the restore: the
    // last one. (The one after the raise to 115200 runs with the 10000 ms command time-out;
    // this one keeps the 30000 ms the reconfigured line has.)
    sim::PrinterOptions options;
    options.baud = 19200;
    startPrinter(options);
    ModelInfo& row = prepareJob("R241", kMainFirmware, 6, patternImage(64 * KB), 19200);
    RunLocalDownload(row);
    ASSERT_EQ(events.outcome(), 0);
    const int lastStatus = commandsSeen(*printer, "status");
    printer->stop();

    options.faults.push_back({sim::FaultKind::NoReply, sim::PrinterCommand::Status, lastStatus});
    startPrinter(options);
    RecordingEvents secondRun;
    ModelInfo& again = prepareJob("R241", kMainFirmware, 6, patternImage(64 * KB), 19200);
    again.job.notifyWindow = &secondRun;
    RunLocalDownload(again);
    EXPECT_NE(secondRun.outcome(), 0);

    // From the unanswered status request to the next byte the host sends.
    std::optional<SteadyTime> asked;
    RealNs silence{0};
    for (const sim::TranscriptEntry& entry : printer->transcript()) {
        if (entry.direction == sim::Direction::Event && entry.note == "status (" + std::to_string(lastStatus) + ")")
            asked = entry.time;
        else if (asked && entry.direction == sim::Direction::ToPrinter) {
            silence = entry.time - *asked;
            break;
        }
    }
    EXPECT_GE(silence, scaled(ProtocolMs{29000}));
}

TEST_F(SerialDownload, PrinterThatDoesNotTellItsSpeedIsNeitherSwitchedNorFlashed)
{
    sim::PrinterOptions options;
    options.baud = 19200;
    options.faults.push_back({sim::FaultKind::NoReply, sim::PrinterCommand::BaudQuerySettings, 1});
    startPrinter(options);
    ModelInfo& row = prepareJob("R241", kMainFirmware, 6, patternImage(64 * KB), 19200);
    RunLocalDownload(row);

    expectWorkerContract(events);
    // Switched to 115200 without its own speed known, it could never be given it back.
    EXPECT_EQ(events.outcome(), rc::NoBaudRate);
    EXPECT_FALSE(hostSent(*printer, {0x1F, 0x11, 0x11}));
    EXPECT_EQ(printer->state().baud, 19200);
    EXPECT_EQ(printer->state().sectorWrites, 0);
}

TEST_F(SerialDownload, R241_3044_7004IsLeftAt57600InLandscapeWithoutMicrAndFlip)
{
    sim::PrinterOptions options;
    options.model = "R241-3044-7004";
    options.baud = 19200;
    startPrinter(options);
    ModelInfo& row = prepareJob("R241-3044-7004", kMainFirmware, 27, patternImage(64 * KB), 19200);
    RunLocalDownload(row);

    expectWorkerContract(events);
    ASSERT_EQ(events.outcome(), 0);
    EXPECT_TRUE(events.sawText("Change Baud Rate to 57600 ..."));
    EXPECT_TRUE(events.sawText("Change EEPROM Setting ..."));
    sim::PrinterState state = printer->state();
    EXPECT_EQ(state.baud, 57600);
    EXPECT_EQ(state.switchByte1 & 0x01, 0x01);
    EXPECT_EQ(state.parameters[0x34], 0x01); // MICR off
    EXPECT_EQ(state.parameters[0x35], 0x01); // FLIP off
}

TEST_F(SerialDownload, ModelMismatchEndsUnattendedRunsWithoutAQuestion)
{
    sim::PrinterOptions options;
    options.modelNumber = "R451-2001";
    startPrinter(options);
    std::ofstream(dir + "/BrevantConfig.ini") << "";
    ModelInfo& row = prepareJob("R241", kMainFirmware, 6, patternImage(64 * KB));
    RunLocalDownload(row);

    expectWorkerContract(events);
    EXPECT_EQ(events.outcome(), rc::SelectedModelNotCorrect);
    EXPECT_TRUE(events.questions.empty());
    EXPECT_EQ(printer->state().sectorWrites, 0);
}

TEST_F(SerialDownload, ModelMismatchIsAskedInTheDialogOnlyWithBrevantConfigIni)
{
    sim::PrinterOptions options;
    options.modelNumber = "R451-2001";
    startPrinter(options);
    ModelInfo& row = prepareJob("R241", kMainFirmware, 6, patternImage(64 * KB));
    row.job.commandLineMode = 0;
    RunLocalDownload(row);
    EXPECT_EQ(events.outcome(), rc::SelectedModelNotCorrect);
    EXPECT_TRUE(events.questions.empty());

    RecordingEvents asked;
    asked.answerYes = true;
    row.job.notifyWindow = &asked;
    std::ofstream(dir + "/BrevantConfig.ini") << "";
    RunLocalDownload(row);
    ASSERT_EQ(asked.questions.size(), 1u);
    EXPECT_EQ(asked.questions[0], "Current printer model is R451-2001 , but the selected model is R241!\n"
                                  "Do you want to continue download ?");
    EXPECT_EQ(asked.outcome(), 0);
    EXPECT_TRUE(printer->sectorsHoldFile(imagePath, 6));
}

TEST_F(SerialDownload, WrongSectorCrcStopsBeforeTheNextSector)
{
    sim::PrinterOptions options;
    options.faults.push_back({sim::FaultKind::WrongCrc, sim::PrinterCommand::SectorCrc, 1});
    startPrinter(options);
    ModelInfo& row = prepareJob("R241", kMainFirmware, 6, patternImage(3 * 64 * KB));
    RunLocalDownload(row);

    expectWorkerContract(events);
    EXPECT_EQ(events.outcome(), rc::CrcDifferent);
    EXPECT_FALSE(events.sawText("\r\nNow at sector 2"));
    EXPECT_FALSE(hostSent(*printer, {0x1D, 0x02, 0x07}));
    EXPECT_EQ(printer->state().sectorWrites, 1);
    EXPECT_TRUE(events.sawText("Enter Fail condition...."));
}

TEST_F(SerialDownload, RefusedEraseEndsWithItsCode)
{
    sim::PrinterOptions options;
    options.faults.push_back({sim::FaultKind::Nak, sim::PrinterCommand::Erase, 1});
    startPrinter(options);
    ModelInfo& row = prepareJob("R241", kMainFirmware, 6, patternImage(64 * KB));
    RunLocalDownload(row);

    expectWorkerContract(events);
    EXPECT_EQ(events.outcome(), rc::CannotErase);
    EXPECT_FALSE(events.sawText("Selecting flash sector 1 of 1..."));
}

TEST_F(SerialDownload, SilentPrinterEndsWith1004AndNoSpeedChange)
{
    sim::PrinterOptions options;
    options.baud = 9600; // the host talks at 115200 and hears nothing
    startPrinter(options);
    ModelInfo& row = prepareJob("R241", kMainFirmware, 6, patternImage(64 * KB));
    RunLocalDownload(row);

    expectWorkerContract(events);
    EXPECT_EQ(events.outcome(), rc::NoAcknowledge);
    EXPECT_TRUE(events.sawText("Enter Fail condition...."));
    EXPECT_FALSE(events.sawText("Changing printer baud rate..."));
    EXPECT_FALSE(events.sawText("Check actual printer baud rate..(Step 3)"));
    EXPECT_FALSE(hostSent(*printer, {0x1F, 0x11, 0x11}));
}

TEST_F(SerialDownload, ImagesTheModelCannotTakeAreRefusedBeforeAnythingIsSent)
{
    startPrinter({});
    // R243 images start with the byte 'G'.
    ModelInfo& r243 = prepareJob("R243", kMainFirmware, 36, patternImage(64 * KB, 'M'));
    RunLocalDownload(r243);
    EXPECT_EQ(events.outcome(), rc::WrongFirmwareFile);
    expectWorkerContract(events);

    // Longer than R241's flash from its main-firmware sector on.
    RecordingEvents tooLong;
    const SectorMap& map = *catalogue.row(0).sectorMap;
    ModelInfo& r241 = prepareJob("R241", kMainFirmware, 6, patternImage(map.totalBytes() - map.offsetOf(5) + 1));
    r241.job.notifyWindow = &tooLong;
    RunLocalDownload(r241);
    EXPECT_EQ(tooLong.outcome(), rc::InvalidImage);
    expectWorkerContract(tooLong);

    // A file far larger than any flash is refused by its length, before a buffer of its
    // size is asked for (that would end in 1008, or in the machine running out of memory).
    RecordingEvents huge;
    ModelInfo& hugeRow = prepareJob("R241", kMainFirmware, 6, patternImage(64 * KB));
    ASSERT_EQ(::truncate(imagePath.c_str(), 64LL << 30), 0) << std::strerror(errno);
    hugeRow.job.notifyWindow = &huge;
    RunLocalDownload(hugeRow);
    EXPECT_EQ(huge.outcome(), rc::InvalidImage);

    // A named pipe is no image: the run must not wait for a writer.
    RecordingEvents pipe;
    ModelInfo& pipeRow = prepareJob("R241", kMainFirmware, 6, {});
    std::filesystem::remove(imagePath);
    ASSERT_EQ(::mkfifo(imagePath.c_str(), 0600), 0);
    pipeRow.job.notifyWindow = &pipe;
    RunLocalDownload(pipeRow);
    EXPECT_EQ(pipe.outcome(), rc::CannotOpenFile);

    EXPECT_TRUE(printer->bytesFromHost().empty());
}

TEST_F(SerialDownload, LineDroppingMidSectorEndsTheJobThroughTheFailPath)
{
    sim::PrinterOptions options;
    options.faults.push_back({sim::FaultKind::DropLine, sim::PrinterCommand::SectorData, 2});
    startPrinter(options);
    ModelInfo& row = prepareJob("R241", kMainFirmware, 6, patternImage(3 * 64 * KB));
    RunLocalDownload(row);

    expectWorkerContract(events);
    EXPECT_GT(events.outcome(), 0);
    EXPECT_TRUE(events.sawText("Enter Fail condition...."));
    EXPECT_FALSE(events.sawText("\r\nNow at sector 3"));
}

TEST_F(SerialDownload, StopRequestEndsTheJobPromptlyAndFreesTheLine)
{
    startPrinter({});
    ModelInfo& row = prepareJob("R241", kMainFirmware, 6, patternImage(3 * 64 * KB));
    std::thread worker([&] { RunLocalDownload(row); });
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!events.sawText("Downloading data to flash sector 1 of 3...") && events.outcome() == -1 &&
           std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    requestStop();
    // The worker holds the fixture's row and events: it is joined, never left behind. A
    // worker that ignores the stop ends the test program instead of hanging it.
    while (!workerEnded(events)) {
        if (std::chrono::steady_clock::now() > limit + std::chrono::seconds(30)) {
            ADD_FAILURE() << "the worker did not end after the stop request";
            std::abort();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    worker.join();
    clearStopRequest();

    expectWorkerContract(events);
    EXPECT_EQ(events.outcome(), kStoppedResult);
    EXPECT_FALSE(events.sawText("\r\nNow at sector 2"));
    CDCBComm line;
    EXPECT_EQ(line.open(kSerialPort, printer->slavePath()), 1) << "the port is still held";
}

// A KSX4 is asked whether it can take a DBCS font of more than 2 MB before any of it is
// sent: firmware too old and a 4 MB printer end with their own codes.
TEST_F(SerialDownload, LargeDbcsFontNeedsANewEnoughKsx4WithEightMegabytes)
{
    struct Case {
        const char* firmware; // the four characters the printer's 1D 49 40 A3 answer starts with
        int megabytes;
        ResultCode code;
    };
    for (const Case& c : {Case{"6158", 8, rc::MainFirmwareTooOldForDfn}, Case{"6159", 4, rc::DfnNotFor4MB}}) {
        SCOPED_TRACE(c.firmware);
        sim::PrinterOptions options;
        options.model = "KSX4-1ST/2ST";
        options.bootCrc = c.firmware;
        options.fontMemoryMegabytes = c.megabytes;
        startPrinter(options);
        ModelInfo& row = prepareJob("KSX4-1ST/2ST", 4, 47, patternImage(2000001, 'P'));
        RunLocalDownload(row);
        expectWorkerContract(events);
        EXPECT_EQ(events.outcome(), c.code);
        EXPECT_EQ(commandsSeen(*printer, "erase"), 0);
        EXPECT_EQ(commandsSeen(*printer, "download-mode"), 0);
        printer.reset();
        events.clear();
    }
}

} // namespace
} // namespace kyv::test
