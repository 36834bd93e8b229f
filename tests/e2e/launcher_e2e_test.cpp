// KyvFlashCom -> KyvFlash -> a simulated R241 on a pseudo-terminal named COM3, as an
// installation script runs it.
#include "core/clock.h"
#include "core/profile_store.h"
#include "core/version.h"
#include "launcher/launcher_process.h"
#include "sim/lib/pty_printer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <regex>
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

    LauncherResult flash(const std::vector<std::string>& extraArgs = {})
    {
        std::vector<std::string> args = {"R241", "M", "COM3", "115200", "NONE", "1", "firmware.mfw", "RETSTAT"};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        return runLauncher(args,
                           {{"XDG_CONFIG_HOME", dir / "config"},
                            {"KYVFLASH_CHILD", ""},
                            {"KYVFLASH_REPORT", dir / "reports/job.json"}},
                           dir.path());
    }

    // The job report, parsed; a report that is not one JSON object fails the test.
    nlohmann::json report()
    {
        const std::string text = readFile(dir / "reports/job.json");
        nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
        EXPECT_TRUE(parsed.is_object()) << text;
        // Only the report itself is left in its folder: no half-written temporary file.
        size_t files = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir / "reports"))
            ++files;
        EXPECT_EQ(files, 1u);
        return parsed.is_object() ? parsed : nlohmann::json::object();
    }

    static void expectIsoTime(const nlohmann::json& value)
    {
        static const std::regex iso(R"(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d{3}[+-]\d{2}:\d{2})");
        ASSERT_TRUE(value.is_string()) << value;
        EXPECT_TRUE(std::regex_match(value.get<std::string>(), iso)) << value;
    }

    kyv::test::ScratchDir dir;
    std::unique_ptr<sim::PtyPrinter> printer;
};

TEST_F(LauncherEndToEnd, GoodFlashReturnsZeroAndTheImageIsInTheFlash)
{
    startPrinter();
    std::string image = writeImage(3);
    std::filesystem::create_directories(dir / "reports");
    LauncherResult result = flash();
    EXPECT_EQ(result.exitStatus, 0) << result.output;
    EXPECT_THAT(result.output, HasSubstr("KyvFlashCom: Download successfully completed!\n\n"));
    EXPECT_THAT(readFile(dir / "KyvFlashConsoleLog.txt"), HasSubstr(" - Return Code is 0!\n"));
    std::string why;
    EXPECT_TRUE(printer->sectorsHoldFile(image, kR241MainSector, &why)) << why;

    // The job report tells the same run in full.
    const nlohmann::json r = report();
    EXPECT_EQ(r.value("program", ""), "KyvFlash");
    EXPECT_EQ(r.value("version", ""), kVersionNumber);
    EXPECT_EQ(r.value("model", ""), "R241");
    EXPECT_EQ(r.value("downloadType", ""), "MAIN FIRMWARE");
    EXPECT_EQ(r.value("interface", ""), "COM3");
    EXPECT_EQ(r.value("device", ""), std::string(dir / "COM3"));
    EXPECT_TRUE(r["address"].is_null());
    EXPECT_EQ(r.value("imagePath", ""), image);
    EXPECT_EQ(r.value("imageSize", 0u), 3 * kSectorBytes);
    EXPECT_TRUE(std::regex_match(r.value("imageCrc", ""), std::regex("[0-9A-F]{4}"))) << r;
    EXPECT_EQ(r.value("imageCrcKind", ""), "CRC-16/ARC");
    EXPECT_THAT(r.value("printerCrc", ""), HasSubstr("FLASH F/w CRC:"));
    EXPECT_EQ(r.value("resultCode", -1), 0);
    EXPECT_EQ(r.value("resultText", ""), "Download successfully completed!");
    EXPECT_EQ(r.value("exitStatus", -1), 0);
    expectIsoTime(r["start"]);
    expectIsoTime(r["end"]);
    EXPECT_GE(r.value("durationSeconds", -1.0), 0.0);
    EXPECT_EQ(r.value("logFile", ""), std::string(dir / "BREVANT_LOG.txt"));
    EXPECT_TRUE(r["lastStep"].is_null()); // kept for a failure only
    EXPECT_FALSE(r.contains("launcher")); // the launcher stopped nothing
}

TEST_F(LauncherEndToEnd, CrcFaultReturnsTheStatusOfDifferentCrc)
{
    std::optional<sim::Fault> wrongCrc = sim::parseFault("wrong-crc:sector-crc:2");
    ASSERT_TRUE(wrongCrc);
    startPrinter({*wrongCrc});
    writeImage(3);
    std::filesystem::create_directories(dir / "reports");
    LauncherResult result = flash();
    EXPECT_EQ(result.exitStatus, 105) << result.output;
    EXPECT_THAT(result.output, HasSubstr("KyvFlashCom: Different CRC detected!\n\n"));
    EXPECT_THAT(readFile(dir / "KyvFlashConsoleLog.txt"), HasSubstr(" - Return Code is 105!\n"));

    const nlohmann::json r = report();
    EXPECT_EQ(r.value("resultCode", -1), 1005);
    EXPECT_EQ(r.value("resultText", ""), "Different CRC detected!");
    EXPECT_EQ(r.value("exitStatus", -1), 105);
    EXPECT_TRUE(r["printerCrc"].is_null());
    // The step it failed in: the last step the progress window showed.
    ASSERT_TRUE(r["lastStep"].is_string()) << r;
    EXPECT_FALSE(r["lastStep"].get<std::string>().empty());
}

TEST_F(LauncherEndToEnd, FailSafeStopIsAddedToTheReportAndAnOldReportNeverStands)
{
    startPrinter();
    writeImage(46); // nearly the R241's whole main firmware: longer than the time limit below
    std::filesystem::create_directories(dir / "reports");
    std::ofstream(dir / "reports/job.json") << R"({"stale": true})";
    LauncherResult result = flash({"ERRORTIMEOUT=120"});
    EXPECT_EQ(result.exitStatus, 124) << result.output;
    EXPECT_THAT(result.output, HasSubstr("Fail-safe Exit Attempt : from KyvFlash.EXE after 120 seconds"));

    const nlohmann::json r = report();
    EXPECT_FALSE(r.contains("stale")) << r;
    // KyvFlash reports being stopped when it gets to it within its grace; otherwise the
    // launcher's own report says it was still running.
    const int code = r.value("resultCode", -1);
    EXPECT_TRUE(code == 1027 || code == 259) << r;
    ASSERT_TRUE(r.contains("launcher")) << r;
    const nlohmann::json& launcher = r["launcher"];
    EXPECT_EQ(launcher.value("program", ""), "KyvFlashCom");
    EXPECT_EQ(launcher.value("outcome", ""), "stopped KyvFlash");
    EXPECT_THAT(launcher.value("reason", ""), HasSubstr("time limit"));
    EXPECT_EQ(launcher.value("timeLimitSeconds", 0), 120);
    EXPECT_EQ(launcher.value("exitStatus", -1), 124);
    expectIsoTime(launcher["end"]);
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
