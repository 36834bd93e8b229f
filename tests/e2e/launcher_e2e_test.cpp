// KyvFlashCom -> KyvFlash -> a simulated R241 on a pseudo-terminal named COM3, as an
// installation script runs it.
#include "core/clock.h"
#include "core/profile_store.h"
#include "launcher/launcher_process.h"
#include "sim/lib/pty_printer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <random>

namespace kyv::launcher::test {
namespace {

using ::testing::HasSubstr;

constexpr size_t kR241MainSector = 6;
constexpr size_t kSectorBytes = 64 * 1024;

class LauncherEndToEnd : public ::testing::Test {
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
        options.model = "R241";
        options.faults = std::move(faults);
        printer = std::make_unique<sim::PtyPrinter>(options);
        ASSERT_TRUE(printer->start(dir / "COM3")) << printer->errorText();
        ProfileStore settings(dir / "config/KyvFlash/KyvFlash.ini");
        ASSERT_TRUE(settings.setText("Ports", "COM3", dir / "COM3"));
    }

    // Main firmware for the R241: random sectors, type letter M at byte 1.
    std::string writeImage(size_t sectors)
    {
        std::string bytes(sectors * kSectorBytes, '\0');
        std::mt19937 random(42);
        for (char& b : bytes)
            b = static_cast<char>(random());
        bytes[1] = 'M';
        std::ofstream(dir / "firmware.mfw", std::ios::binary) << bytes;
        return dir / "firmware.mfw";
    }

    LauncherResult flash()
    {
        return runLauncher({"R241", "M", "COM3", "115200", "NONE", "1", "firmware.mfw", "RETSTAT"},
                           {{"XDG_CONFIG_HOME", dir / "config"}, {"KYVFLASH_CHILD", ""}}, dir.path());
    }

    kyv::test::ScratchDir dir;
    std::unique_ptr<sim::PtyPrinter> printer;
};

TEST_F(LauncherEndToEnd, GoodFlashReturnsZeroAndTheImageIsInTheFlash)
{
    startPrinter();
    std::string image = writeImage(3);
    LauncherResult result = flash();
    EXPECT_EQ(result.exitStatus, 0) << result.output;
    EXPECT_THAT(result.output, HasSubstr("KyvFlashCom: Download successfully completed!\n\n"));
    EXPECT_THAT(readFile(dir / "KyvFlashConsoleLog.txt"), HasSubstr(" - Return Code is 0!\n"));
    std::string why;
    EXPECT_TRUE(printer->sectorsHoldFile(image, kR241MainSector, &why)) << why;
}

TEST_F(LauncherEndToEnd, CrcFaultReturnsTheStatusOfDifferentCrc)
{
    std::optional<sim::Fault> wrongCrc = sim::parseFault("wrong-crc:sector-crc:2");
    ASSERT_TRUE(wrongCrc);
    startPrinter({*wrongCrc});
    writeImage(3);
    LauncherResult result = flash();
    EXPECT_EQ(result.exitStatus, 105) << result.output;
    EXPECT_THAT(result.output, HasSubstr("KyvFlashCom: Different CRC detected!\n\n"));
    EXPECT_THAT(readFile(dir / "KyvFlashConsoleLog.txt"), HasSubstr(" - Return Code is 105!\n"));
}

} // namespace
} // namespace kyv::launcher::test
