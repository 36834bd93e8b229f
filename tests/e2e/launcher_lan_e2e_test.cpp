// KyvFlashCom -> KyvFlash -> a simulated Ethernet printer on a loopback address of the
// test's own: the image goes up by FTP in one or two parts, lands at the sectors the raw
// port names, and the printer's CRC, reset and re-finding follow.
#include "core/clock.h"
#include "core/exit_status.h"
#include "core/profile_store.h"
#include "launcher/launcher_process.h"
#include "sim/lib/lan/lan_printer.h"
#include "sim/lib/printer/printer_types.h"
#include "support/scratch_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <fstream>
#include <memory>
#include <random>

namespace kyv::launcher::test {
namespace {

using ::testing::HasSubstr;

constexpr const char* kR451Lan = "R451-2XX8/3XX8/4XX8/6XX8";
constexpr int kMainSector = 27;
constexpr int kDbcsSector = 51;
constexpr int kSbcsSector = 15;
constexpr size_t kPartBytes = 1048576;

uint32_t loopback(uint8_t third, uint8_t last) { return 0x7F000000u | uint32_t{third} << 8 | last; }

std::string dotted(uint32_t a)
{
    return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 0xFF) + "." + std::to_string((a >> 8) & 0xFF) +
           "." + std::to_string(a & 0xFF);
}

bool havePyftpdlib() { return std::system("/usr/bin/python3 -c 'import pyftpdlib' >/dev/null 2>&1") == 0; }

class LauncherLan : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!havePyftpdlib())
            GTEST_SKIP() << "python3-pyftpdlib is not installed";
        setTimeScale(0.01);
    }
    void TearDown() override
    {
        if (printer)
            printer->stop();
    }

    // Every service on a free port; the ports go into the settings the flash run reads.
    void startPrinter(uint32_t address, std::function<void(sim::LanOptions&)> adjust = {})
    {
        sim::LanOptions options;
        options.printer.model = kR451Lan;
        options.printer.restartTime = ProtocolMs{3000};
        options.address = address;
        options.mask = 0xFF000000;
        options.rawPort = options.statusPort = options.searchPort = options.ftpPort = 0;
        if (adjust)
            adjust(options);
        sim::completeNetworkFace(options);
        printer = std::make_unique<sim::LanPrinter>(options);
        ASSERT_TRUE(printer->start()) << printer->errorText();
        const sim::LanPorts ports = printer->ports();
        ProfileStore store(std::filesystem::path(dir / "config") / "KyvFlash" / "KyvFlash.ini");
        store.setInt("Network", "RawPort", ports.raw);
        store.setInt("Network", "StatusPort", ports.status);
        store.setInt("Network", "SearchPort", ports.search);
        store.setInt("Network", "FtpPort", ports.ftp);
        store.setText("Network", "BroadcastAddress", "127.255.255.255");
        // A Python FTP server on a loaded machine may be slow to take a connection.
        store.setInt("Network", "ConnectTimeout", 200000);
    }

    // An R453 image: its signature first, the type letter, and a version marker "497-"
    // whose version follows two characters on.
    std::string writeR453Image(size_t size, const std::string& version)
    {
        std::string bytes(size, '\0');
        std::mt19937 random(5);
        for (char& b : bytes)
            b = static_cast<char>('A' + random() % 20); // no accidental marker
        bytes[0] = 'J';
        bytes[1] = 'M';
        bytes.replace(100, 11, "497-XX" + version);
        std::ofstream(dir / "r453.mfw", std::ios::binary) << bytes;
        return dir / "r453.mfw";
    }

    // Random bytes with the type letter at byte 1.
    std::string writeImage(const std::string& name, size_t size, char letter)
    {
        std::string bytes(size, '\0');
        std::mt19937 random(11);
        for (char& b : bytes)
            b = static_cast<char>(random());
        bytes[1] = letter;
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return dir / name;
    }

    LauncherResult flash(const std::string& letter, const std::string& file, const std::string& model = kR451Lan)
    {
        return runLauncher({model, letter, "LAN", dotted(printer->address()), file, "RETSTAT"},
                           {{"XDG_CONFIG_HOME", dir / "config"}, {"KYVFLASH_CHILD", ""}}, dir.path());
    }

    // The host's commands in the order the printer took them ("select", "reset", ...).
    std::vector<std::string> commandsSeen()
    {
        std::vector<std::string> seen;
        for (const sim::TranscriptEntry& entry : printer->session().transcript().entries())
            if (entry.direction == sim::Direction::Event && !entry.note.empty())
                seen.push_back(entry.note);
        return seen;
    }

    std::string log() { return readFile(dir / "BREVANT_LOG.txt"); }
    // What went wrong, for a failed expectation: the run's output and what the printer took.
    std::string story(const LauncherResult& result)
    {
        return result.output + log() + ::testing::PrintToString(commandsSeen());
    }

    kyv::test::ScratchDir dir;
    std::unique_ptr<sim::LanPrinter> printer;
};

// Each name in order, each after the one before it, in what the printer took.
void expectInOrder(const std::vector<std::string>& seen, const std::vector<std::string>& names)
{
    auto at = seen.begin();
    for (const std::string& name : names) {
        at = std::find_if(at, seen.end(), [&](const std::string& note) { return note.find(name) != std::string::npos; });
        ASSERT_NE(at, seen.end()) << "missing or out of order: " << name << "\n" << ::testing::PrintToString(seen);
        ++at;
    }
}

bool anySeen(const std::vector<std::string>& seen, const std::string& name)
{
    return std::any_of(seen.begin(), seen.end(), [&](const std::string& note) { return note.rfind(name, 0) == 0; });
}

TEST_F(LauncherLan, MainFirmwareGoesUpInTwoPartsAtSectorsSixteenApart)
{
    startPrinter(loopback(61, 5));
    const std::string image = writeImage("firmware.mfw", kPartBytes + 100000, 'M');
    LauncherResult result = flash("M", "firmware.mfw");
    ASSERT_EQ(result.exitStatus, 0) << story(result);
    std::string why;
    EXPECT_TRUE(printer->session().sectorsHoldFile(image, kMainSector, &why)) << why;
    EXPECT_EQ(printer->session().state().mode, sim::PrinterMode::Online);
    const std::vector<std::string> seen = commandsSeen();
    expectInOrder(seen, {"status", "model-number", "download-mode", "ipl-query", "select",
                         "uploaded Main1_01.mfw (1048576 bytes) written from sector 27", "select",
                         "uploaded Main1_02.mfw (100000 bytes) written from sector 43", "main-crc", "reset", "recover",
                         "erase-user-area", "clear-download-area-2"});
    EXPECT_FALSE(std::filesystem::exists(dir / "mfwFile1.mfw"));
    EXPECT_FALSE(std::filesystem::exists(dir / "mfwFile2.mfw"));
}

// A DBCS font goes up in two parts 16 sectors apart; an SBCS font in one, with no CRC
// query, as the printer tells no CRC of fonts.
TEST_F(LauncherLan, FontsGoUpWithoutACrcStep)
{
    startPrinter(loopback(62, 5));
    const std::string dbcs = writeImage("font.dfn", kPartBytes + 4096, 'D');
    LauncherResult result = flash("DB", "font.dfn");
    ASSERT_EQ(result.exitStatus, 0) << story(result);
    std::string why;
    EXPECT_TRUE(printer->session().sectorsHoldFile(dbcs, kDbcsSector, &why)) << why;
    std::vector<std::string> seen = commandsSeen();
    EXPECT_THAT(::testing::PrintToString(seen), HasSubstr("DBCS1_02.dfn (4096 bytes) written from sector 67"));
    EXPECT_FALSE(anySeen(seen, "main-crc"));
    EXPECT_FALSE(std::filesystem::exists(dir / "File1.mfw"));
    printer->stop();

    startPrinter(loopback(62, 6));
    const std::string sbcs = writeImage("font.sfn", 70000, 'S');
    result = flash("SB", "font.sfn");
    ASSERT_EQ(result.exitStatus, 0) << story(result);
    EXPECT_TRUE(printer->session().sectorsHoldFile(sbcs, kSbcsSector, &why)) << why;
    seen = commandsSeen();
    EXPECT_THAT(::testing::PrintToString(seen), HasSubstr("SBCS1_01.sfn (70000 bytes) written from sector 15"));
    EXPECT_FALSE(anySeen(seen, "main-crc"));
}

// A printer that does not answer its status port is asked on the raw port; one already in
// its boot program skips the model check, the switch, the recovery and the clearing.
TEST_F(LauncherLan, SilentStatusPortAndAPrinterInItsBootProgram)
{
    startPrinter(loopback(63, 5), [](sim::LanOptions& o) { o.silentStatusPort = true; });
    std::string image = writeImage("firmware.mfw", kPartBytes + 5000, 'M');
    LauncherResult result = flash("M", "firmware.mfw");
    ASSERT_EQ(result.exitStatus, 0) << story(result);
    std::string why;
    EXPECT_TRUE(printer->session().sectorsHoldFile(image, kMainSector, &why)) << why;
    expectInOrder(commandsSeen(), {"status port", "not answered", "raw port: connection", "status"});
    printer->stop();

    startPrinter(loopback(63, 6), [](sim::LanOptions& o) { o.printer.startInDownloadMode = true; });
    result = flash("M", "firmware.mfw");
    ASSERT_EQ(result.exitStatus, 0) << story(result);
    EXPECT_TRUE(printer->session().sectorsHoldFile(image, kMainSector, &why)) << why;
    const std::vector<std::string> seen = commandsSeen();
    expectInOrder(seen, {"ipl-query", "select", "main-crc", "reset"});
    for (const char* skipped : {"model-number", "download-mode", "recover", "erase-user-area"})
        EXPECT_FALSE(anySeen(seen, skipped)) << skipped;
}

TEST_F(LauncherLan, FaultsEndWithTheirOwnCodeAndLeaveNoPartFiles)
{
    struct Case {
        const char* what;
        std::function<void(sim::LanOptions&)> adjust;
        int code;
        size_t imageBytes = kPartBytes + 10;
    };
    const auto fault = [](const char* text) {
        return [text](sim::LanOptions& o) { o.printer.faults = {*sim::parseFault(text)}; };
    };
    const Case cases[] = {
        {"FTP login refused", [](sim::LanOptions& o) { o.refuseFtpLogin = true; }, 1048},
        {"raw port refused", [](sim::LanOptions& o) { o.refuseTcp = true; o.silentStatusPort = true; }, 1004},
        {"select refused", fault("nak:select:1"), 1049},
        {"printer's CRC differs", fault("wrong-crc:main-crc:1"), 1052},
        {"another model", [](sim::LanOptions& o) { o.printer.modelNumber = "R452-1073"; }, 1211},
        // The two parts hold 1 MiB + 128 KiB: a longer image would leave its end unwritten.
        {"image longer than both parts", {}, 1020, kPartBytes + 131072 + 1},
    };
    uint8_t last = 5;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        startPrinter(loopback(64, last++), c.adjust);
        writeImage("firmware.mfw", c.imageBytes, 'M');
        LauncherResult result = flash("M", "firmware.mfw");
        EXPECT_EQ(result.exitStatus, exitStatusFor(c.code)) << story(result);
        EXPECT_FALSE(std::filesystem::exists(dir / "mfwFile1.mfw"));
        EXPECT_FALSE(std::filesystem::exists(dir / "mfwFile2.mfw"));
        if (c.code == 1020) {
            EXPECT_FALSE(anySeen(commandsSeen(), "download-mode"));
        }
        printer->stop();
        printer.reset();
    }
}

// The R453 stays in online mode and takes the framed image on its raw port: the setting it
// has on goes off for the transfer and back on, an older image has the printer's user area
// erased first, and the last piece brings the printer's answer.
TEST_F(LauncherLan, R453TakesItsImageInOnlineMode)
{
    const int r453Main = sim::findPrinterType("R453")->mainSector;
    startPrinter(loopback(65, 5), [](sim::LanOptions& o) {
        o.printer.model = "R453";
        o.printer.usuOn = true;
        o.printer.mainVersion = "15000";
    });
    std::string image = writeR453Image(250000, "14800");
    LauncherResult result = flash("M", "r453.mfw", "R453");
    ASSERT_EQ(result.exitStatus, 0) << story(result);
    std::string why;
    EXPECT_TRUE(printer->session().sectorsHoldFile(image, r453Main, &why)) << why;
    expectInOrder(commandsSeen(), {"status", "model-number", "usu-query", "usu-set", "version", "erase-user-area",
                                   "online-block", "usu-set", "reset", "baud-probe", "recover"});
    EXPECT_THAT(log(), HasSubstr("Erasing Flash User Defined..."));
    EXPECT_THAT(log(), HasSubstr("Printer CRC is "));
    EXPECT_TRUE(printer->session().state().usuOn);
    printer->stop();

    // Exactly one piece: it goes alone on the connection that waits for the answer; the
    // image is as new as the printer, so its user area stays.
    startPrinter(loopback(65, 6), [](sim::LanOptions& o) { o.printer.model = "R453"; });
    image = writeR453Image(10000, "15000");
    result = flash("M", "r453.mfw", "R453");
    ASSERT_EQ(result.exitStatus, 0) << story(result);
    EXPECT_TRUE(printer->session().sectorsHoldFile(image, r453Main, &why)) << why;
    EXPECT_FALSE(anySeen(commandsSeen(), "erase-user-area"));
}

TEST_F(LauncherLan, R453RefusalsEndWithTheirCodeAndTheSettingBackOn)
{
    // A NAK for the block names why (4: the flash write failed).
    startPrinter(loopback(66, 5), [](sim::LanOptions& o) {
        o.printer.model = "R453";
        o.printer.usuOn = true;
        o.printer.faults = {*sim::parseFault("nak:online-block")};
    });
    writeR453Image(30000, "15000");
    LauncherResult result = flash("M", "r453.mfw", "R453");
    EXPECT_EQ(result.exitStatus, exitStatusFor(1508)) << story(result);
    EXPECT_TRUE(printer->session().state().usuOn);
    printer->stop();

    // A printer in its boot program cannot take the block: nothing is sent, and the run
    // says the printer must be in online mode.
    startPrinter(loopback(66, 6), [](sim::LanOptions& o) {
        o.printer.model = "R453";
        o.printer.startInDownloadMode = true;
    });
    result = flash("M", "r453.mfw", "R453");
    EXPECT_EQ(result.exitStatus, exitStatusFor(1504)) << story(result);
    EXPECT_FALSE(anySeen(commandsSeen(), "online-block"));
}

} // namespace
} // namespace kyv::launcher::test
