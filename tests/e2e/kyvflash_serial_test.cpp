// KyvFlash in command-line mode, without a display, flashing a simulated R241 on a
// pseudo-terminal that the settings name COM3.
#include "core/clock.h"
#include "core/profile_store.h"
#include "sim/lib/pty_printer.h"
#include "support/scratch_dir.h"
#include "support/test_program.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

namespace kyv::test {
namespace {

using ::testing::HasSubstr;

constexpr size_t kR241MainSector = 6;
constexpr size_t kSectorBytes = 64 * 1024;

// Runs KyvFlash with the arguments in workDir, as a script on a machine without a display
// would; kills it if it runs far longer than a scaled flash takes.
ProgramResult runKyvFlash(const std::vector<std::string>& args, const std::string& workDir,
                          const std::string& configHome)
{
    return runTestProgram(KYV_BINARY_DIR "/src/app/KyvFlash",
                          {.args = args,
                           .environment = {{"KYVFLASH_TIME_SCALE", "0.01"}, {"QT_QPA_PLATFORM", "offscreen"}},
                           .startDir = workDir,
                           .configHome = configHome,
                           .resultPipe = true,
                           .resultFdNumber = 100},
                          std::chrono::seconds(90));
}

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class KyvFlashSerial : public ::testing::Test {
protected:
    void SetUp() override { setTimeScale(0.01); }
    void TearDown() override
    {
        if (printer)
            printer->stop();
    }

    void startPrinter(std::vector<sim::Fault> faults = {})
    {
        sim::PrinterOptions options;
        options.faults = std::move(faults);
        printer = std::make_unique<sim::PtyPrinter>(options);
        ASSERT_TRUE(printer->start(dir / "COM3")) << printer->errorText();
        ProfileStore settings(dir.path() / "config/KyvFlash/KyvFlash.ini");
        ASSERT_TRUE(settings.setText("Ports", "COM3", dir / "COM3"));
    }

    // R241 main firmware of three sectors, type letter M at byte 1.
    std::string writeImage()
    {
        std::string bytes(2 * kSectorBytes + 12345, '\0');
        uint32_t x = 7;
        for (char& b : bytes) {
            x = x * 69069u + 1u;
            b = static_cast<char>(x >> 24);
        }
        bytes[1] = 'M';
        return dir.write("firmware.mfw", bytes);
    }

    ProgramResult flash()
    {
        return runKyvFlash({"R241", "M", "COM3", "115200", "NONE", "1", "firmware.mfw"}, dir.path().string(),
                           dir / "config");
    }

    ScratchDir dir;
    std::unique_ptr<sim::PtyPrinter> printer;
};

TEST_F(KyvFlashSerial, UnattendedFlashExitsZeroWithTheImageInFlashAndEveryStepLogged)
{
    startPrinter();
    std::string image = writeImage();
    ProgramResult result = flash();
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.resultFd, "0\n");
    std::string why;
    EXPECT_TRUE(printer->sectorsHoldFile(image, kR241MainSector, &why)) << why;

    std::string log = readText(dir / "BREVANT_LOG.txt");
    for (const char* step :
         {"Checking communication line status..(Step 1)", "Getting Printer Version...",
          "Checking printer model number..(Step 2)", "Check actual printer baud rate..(Step 3)",
          "Switching printer to download mode (Step 6) ...", "Checking communication line status..(Step 7).",
          "Erasing flash sector 1 of 3...", "Selecting flash sector 2 of 3...",
          "Downloading data to flash sector 3 of 3...", "Acknowledge Printer for flash sector 3 of 3...",
          "Recalculate MFW CRC (Step 10)", "Reseting printer..(Step 11).", "Download completed!",
          "Download Completed !!!", "FLASH F/w CRC:  "})
        EXPECT_THAT(log, HasSubstr(step));
}

TEST_F(KyvFlashSerial, SectorCrcFaultEndsWithItsCodeAndStatus)
{
    startPrinter({{sim::FaultKind::WrongCrc, sim::PrinterCommand::SectorCrc, 2}});
    writeImage();
    ProgramResult result = flash();
    EXPECT_EQ(result.resultFd, "1005\n");
    EXPECT_EQ(result.exitStatus, 105);
    EXPECT_THAT(readText(dir / "BREVANT_LOG.txt"), HasSubstr("Enter Fail condition...."));
}

} // namespace
} // namespace kyv::test
