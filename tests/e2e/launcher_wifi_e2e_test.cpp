// KyvFlashCom -> KyvFlash -> a simulated printer on WiFi, on loopback addresses of each
// test's own: the sectors go over the raw port, the printer restarts and is found again
// (at another address, among another printer's answers), and the faults that must end
// with their own code.
#include "core/clock.h"
#include "core/profile_store.h"
#include "core/unique_fd.h"
#include "launcher/launcher_process.h"
#include "sim/lib/lan/lan_printer.h"
#include "support/scratch_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <set>

namespace kyv::launcher::test {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

constexpr const char* kModel = "R451-2XX8/3XX8/4XX8/6XX8";
constexpr int kMainSector = 27;
constexpr size_t kSectorBytes = 64 * 1024;

// The launcher's exit status for a result code (1045 returns 145).
constexpr int kStatusOf(int code) { return code - 900; }

uint32_t loopback(uint8_t third, uint8_t last) { return 0x7F000000u | third << 8 | last; }

// The flash commands the printer took, in order ("erase", "select", ...).
std::vector<std::string> flashCommands(const sim::Transcript& transcript)
{
    static const std::set<std::string> kFlash = {"download-mode", "erase",   "select",          "sector-data",
                                                 "sector-crc",    "main-crc", "reset",           "recover",
                                                 "erase-user-area", "clear-download-area-2", "print-form"};
    std::vector<std::string> names;
    for (const sim::TranscriptEntry& entry : transcript.entries()) {
        if (entry.direction != sim::Direction::Event)
            continue;
        std::string name = entry.note.substr(0, entry.note.find(" ("));
        if (kFlash.count(name) && entry.note.find(" (") != std::string::npos)
            names.push_back(name);
    }
    return names;
}

std::vector<std::string> sectorWrite(int times)
{
    std::vector<std::string> names;
    for (int i = 0; i < times; ++i)
        names.insert(names.end(), {"erase", "select", "sector-data", "sector-crc"});
    return names;
}

std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class LauncherWifi : public ::testing::Test {
protected:
    void SetUp() override { setTimeScale(0.01); }
    void TearDown() override
    {
        if (printer)
            printer->stop();
    }

    // A WiFi printer at 127.0.<third>.5, mask 255.0.0.0 so that it hears the loopback
    // broadcast; every port a free one, written into the test's settings.
    void startPrinter(uint8_t third, const std::function<void(sim::LanOptions&)>& tweak = {})
    {
        sim::LanOptions options;
        options.printer.model = kModel;
        options.printer.restartTime = ProtocolMs{3000};
        options.address = loopback(third, 5);
        options.mask = 0xFF000000u;
        options.wifi = true;
        options.serveFtp = false;
        options.rawPort = options.statusPort = options.searchPort = 0;
        if (tweak)
            tweak(options);
        sim::completeNetworkFace(options);
        printer = std::make_unique<sim::LanPrinter>(options);
        ASSERT_TRUE(printer->start()) << printer->errorText();
        address = options.address;

        std::filesystem::create_directories(dir.path() / "config" / "KyvFlash");
        ProfileStore store(dir.path() / "config" / "KyvFlash" / "KyvFlash.ini");
        sim::LanPorts ports = printer->ports();
        // A refused raw port: a port at the printer's address that is bound and never listens.
        if (ports.raw == 0)
            ports.raw = refusingPort(options.address);
        store.setInt("Network", "RawPort", ports.raw);
        store.setInt("Network", "StatusPort", ports.status);
        store.setInt("Network", "SearchPort", ports.search);
        store.setInt("Network", "FtpPort", 1); // nothing on WiFi may use FTP
        store.setText("Network", "BroadcastAddress", "127.255.255.255");
    }

    // Main firmware: random sectors, type letter M at byte 1.
    std::string writeImage(size_t sectors)
    {
        std::string bytes(sectors * kSectorBytes, '\0');
        std::mt19937 random(11);
        for (char& b : bytes)
            b = static_cast<char>(random());
        bytes[1] = 'M';
        std::ofstream(dir / "firmware.mfw", std::ios::binary) << bytes;
        return dir / "firmware.mfw";
    }

    LauncherResult flash()
    {
        const std::string ip = std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
                               std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
        return runLauncher({kModel, "M", "WIFI", ip, "firmware.mfw", "RETSTAT"},
                           {{"XDG_CONFIG_HOME", dir / "config"}, {"KYVFLASH_CHILD", ""}}, dir.path());
    }

    std::string log() { return readFile(dir / "BREVANT_LOG.txt"); }

    void expectFlashHolds(const std::string& image)
    {
        std::string why;
        EXPECT_TRUE(printer->session().sectorsHoldFile(image, kMainSector, &why)) << why;
    }

    uint16_t refusingPort(uint32_t at)
    {
        refusing_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(at);
        socklen_t size = sizeof sa;
        if (!refusing_.valid() || ::bind(refusing_.get(), reinterpret_cast<sockaddr*>(&sa), size) != 0 ||
            ::getsockname(refusing_.get(), reinterpret_cast<sockaddr*>(&sa), &size) != 0)
            return 0;
        return ntohs(sa.sin_port);
    }

    kyv::test::ScratchDir dir;
    UniqueFd refusing_;
    std::unique_ptr<sim::LanPrinter> printer;
    uint32_t address = 0;
};

TEST_F(LauncherWifi, MainFirmwareIsWrittenAndThePrinterFoundAtItsNewAddressAmongAnother)
{
    startPrinter(44, [](sim::LanOptions& o) {
        o.movedAddress = loopback(44, 9);
        o.decoyMac = sim::MacAddress{0x00, 0x11, 0x62, 0x00, 0x00, 0x99};
    });
    std::string image = writeImage(2);
    LauncherResult result = flash();
    ASSERT_EQ(result.exitStatus, 0) << result.output << log();
    expectFlashHolds(image);
    EXPECT_EQ(printer->address(), loopback(44, 9));
    EXPECT_EQ(printer->session().state().mode, sim::PrinterMode::Online);
    EXPECT_THAT(flashCommands(printer->session().transcript()),
                ElementsAreArray(concat({{"download-mode"}, sectorWrite(2),
                                         {"main-crc", "reset", "recover", "erase-user-area", "print-form"}})));
    std::string text = log();
    for (const char* line :
         {"Printer in Online Mode", "MAC Address - 00:11:62:00:2C:05", "Subnet Mask - ff000000",
          "TCP Same IP Failed. Going to BroadCast.", "BroadCast IP = 7fffffff", "MAC Address NOT MATCH with IP Address.",
          "DestIP = 7f002c09", "MAC Address MATCH with IP Address.",
          "Verify MAC Address - 00:11:62:00:2C:05 00:11:62:00:2C:05", "Assigned IP Address - 127.0.44.9",
          "Sector No = 02 Physical Sector No = 28 Size = 65536 File length = 0065536 ", "CRCfromTool = ",
          "IP Address - 127.0.44.9", "Download Completed..(Step 9)"})
        EXPECT_THAT(text, HasSubstr(line));
}

// A sector the printer does not acknowledge is erased and written again, at most ten more
// times; after that the printer is reset and the job fails. A printer found in its boot
// program at the start is written without the switch, and its download area is left.
TEST_F(LauncherWifi, SectorsRetriedAfterANakUpToTheLimitAndAPrinterAlreadyInItsBootProgram)
{
    const std::vector<std::string> finish = {"main-crc", "reset", "recover", "erase-user-area", "print-form"};
    struct Case {
        const char* what; // a printer fault, or "boot program"
        int status;
        std::vector<std::string> commands;
    };
    const Case cases[] = {
        {"nak:sector-crc:1", 0, concat({{"download-mode"}, sectorWrite(3), finish})},
        {"nak:erase:1", 0, concat({{"download-mode", "erase"}, sectorWrite(2), finish})},
        {"nak:sector-crc:every", kStatusOf(1045), concat({{"download-mode"}, sectorWrite(11), {"reset"}})},
        {"boot program", 0, concat({sectorWrite(2), {"main-crc", "reset", "recover"}})},
    };
    uint8_t third = 45;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::optional<sim::Fault> fault = sim::parseFault(c.what);
        startPrinter(third++, [&](sim::LanOptions& o) {
            if (fault)
                o.printer.faults = {*fault};
            else
                o.printer.startInDownloadMode = true;
        });
        std::string image = writeImage(2);
        LauncherResult result = flash();
        EXPECT_EQ(result.exitStatus, c.status) << result.output << log();
        EXPECT_THAT(flashCommands(printer->session().transcript()), ElementsAreArray(c.commands));
        if (c.status == 0)
            expectFlashHolds(image);
        printer->stop();
        printer.reset();
    }
}

// The printer is not the one it was, or cannot be reached: nothing is written.
TEST_F(LauncherWifi, AnotherMacAfterTheRestartOrARefusedRawPortEndWithTheirCodes)
{
    struct Case {
        const char* what;
        std::function<void(sim::LanOptions&)> tweak;
        int code;
        std::vector<std::string> commands;
    };
    const Case cases[] = {
        {"another MAC", [](sim::LanOptions& o) { o.macAfterRestart = sim::MacAddress{0x00, 0x11, 0x62, 0, 0, 0x77}; },
         1010, {"download-mode"}},
        {"raw port refused", [](sim::LanOptions& o) { o.refuseTcp = true; }, 1056, {}},
    };
    uint8_t third = 49;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        startPrinter(third++, c.tweak);
        writeImage(1);
        LauncherResult result = flash();
        EXPECT_EQ(result.exitStatus, kStatusOf(c.code)) << result.output << log();
        EXPECT_THAT(flashCommands(printer->session().transcript()), ElementsAreArray(c.commands));
        EXPECT_EQ(printer->session().state().sectorWrites, 0);
        printer->stop();
        printer.reset();
    }
}

} // namespace
} // namespace kyv::launcher::test
