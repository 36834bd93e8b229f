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
#include <thread>

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

// A shop's rollout: three launchers started together from one folder, each on a printer of
// its own. Each flashes its printer, and the two logs they share hold every run whole.
TEST(LauncherFleet, PrintersFlashedAtOnceFromOneFolderShareWholeLogs)
{
    setTimeScale(0.01);
    kyv::test::ScratchDir dir;
    constexpr int kPrinters = 3;
    std::vector<std::unique_ptr<sim::PtyPrinter>> printers;
    ProfileStore settings(dir / "config/KyvFlash/KyvFlash.ini");
    for (int i = 0; i < kPrinters; ++i) {
        sim::PrinterOptions options;
        options.model = "R241";
        printers.push_back(std::make_unique<sim::PtyPrinter>(options));
        const std::string com = "COM" + std::to_string(i + 3);
        ASSERT_TRUE(printers.back()->start(dir / com)) << printers.back()->errorText();
        ASSERT_TRUE(settings.setText("Ports", com, dir / com));
    }
    std::string bytes(2 * kSectorBytes, '\0');
    std::mt19937 random(9);
    for (char& b : bytes)
        b = static_cast<char>(random());
    bytes[1] = 'M';
    std::ofstream(dir / "firmware.mfw", std::ios::binary) << bytes;

    std::vector<LauncherResult> results(kPrinters);
    std::vector<std::thread> runs;
    for (int i = 0; i < kPrinters; ++i)
        runs.emplace_back([&, i] {
            results[i] = runLauncher({"R241", "M", "COM" + std::to_string(i + 3), "115200", "NONE", "1",
                                      "firmware.mfw", "RETSTAT"},
                                     {{"XDG_CONFIG_HOME", dir / "config"}, {"KYVFLASH_CHILD", ""}}, dir.path());
        });
    for (std::thread& run : runs)
        run.join();
    for (int i = 0; i < kPrinters; ++i) {
        EXPECT_EQ(results[i].exitStatus, 0) << results[i].output << readFile(dir / "BREVANT_LOG.txt");
        std::string why;
        EXPECT_TRUE(printers[i]->sectorsHoldFile(dir / "firmware.mfw", kR241MainSector, &why)) << why;
    }
    // Every line whole: each run's header and last step once per run, no line cut into another.
    const std::string log = readFile(dir / "BREVANT_LOG.txt");
    auto count = [](const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
            ++n;
        return n;
    };
    EXPECT_EQ(count(log, "] Download Completed !!!\r\n"), size_t{kPrinters});
    EXPECT_EQ(count(log, "Printer Model \t : R241 \r\n"), size_t{kPrinters});
    const std::string console = readFile(dir / "KyvFlashConsoleLog.txt");
    EXPECT_EQ(count(console, " - Return Code is 0!\n"), size_t{kPrinters});
    for (auto& printer : printers)
        printer->stop();
}

} // namespace
} // namespace kyv::launcher::test
