// The network members, the FTP upload and the LAN commands against the real network
// printer of printer-sim lan, on loopback addresses of each test's own (and, for the
// limited broadcast, in a network namespace the test makes itself).

#include "core/profile_store.h"
#include "protocol/crc.h"
#include "protocol/lan/lan_commands.h"
#include "transport/dcb_comm.h"
#include "transport/net/ftp_upload.h"
#include "transport/net/lan_link.h"

#include "sim/lib/printer/printer_types.h"
#include "support/scratch_dir.h"
#include "support/test_program.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

namespace kyv {
namespace {

using Bytes = std::vector<uint8_t>;
using Mac = std::array<uint8_t, 6>;
constexpr const char* kR451 = "R451-2XX8/3XX8/4XX8/6XX8";

uint32_t loopback(uint8_t last, uint8_t third) { return 0x7F000000u | third << 8 | last; }

std::string dotted(uint32_t a)
{
    return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 0xFF) + "." + std::to_string((a >> 8) & 0xFF) +
           "." + std::to_string(a & 0xFF);
}

Bytes fileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

bool havePyftpdlib() { return std::system("/usr/bin/python3 -c 'import pyftpdlib' >/dev/null 2>&1") == 0; }

// One printer-sim lan at a 127.x address of the test's own, every port a free one; its
// ports go into the test's settings, with the broadcast address of loopback.
class SimulatedLanPrinter : public ::testing::Test {
protected:
    void startPrinter(uint32_t address, std::vector<std::string> extra)
    {
        if (!havePyftpdlib())
            GTEST_SKIP() << "python3-pyftpdlib is not installed";
        address_ = address;
        std::vector<std::string> args = {"lan",          "--address",     dotted(address), "--mask",    "255.0.0.0",
                                         "--raw-port",   "0",             "--status-port", "0",         "--search-port",
                                         "0",            "--ftp-port",    "0",             "--restart-ms", "500",
                                         "--time-scale", std::to_string(timeScale()), "--flash-dump",
                                         (dir.path() / "flash.bin").string()};
        args.insert(args.end(), extra.begin(), extra.end());
        test::ProgramOptions program;
        program.args = args;
        program.startDir = dir.path();
        sim_ = std::make_unique<test::TestProgram>(std::string(KYV_BINARY_DIR) + "/sim/printer-sim", program);
        ASSERT_TRUE(sim_->started());
        std::string line = sim_->waitForOutput("\n", std::chrono::seconds(30));
        char at[32]{};
        unsigned raw = 0, status = 0, search = 0, ftp = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%31s raw %u status %u search %u ftp %u", at, &raw, &status, &search, &ftp),
                  5)
            << line;
        ftpPort_ = static_cast<uint16_t>(ftp);
        store.setInt("Network", "RawPort", static_cast<int>(raw));
        store.setInt("Network", "StatusPort", static_cast<int>(status));
        store.setInt("Network", "SearchPort", static_cast<int>(search));
        store.setInt("Network", "FtpPort", static_cast<int>(ftp));
        store.setText("Network", "BroadcastAddress", "127.255.255.255");
        port.setProfileStore(&store);
    }
    // Stops the printer and gives its flash.
    Bytes stopPrinter()
    {
        ::kill(sim_->pid(), SIGTERM);
        test::ProgramResult ended = sim_->finish(std::chrono::seconds(30));
        EXPECT_EQ(ended.exitStatus, 0) << ended.err;
        return fileBytes(dir.path() / "flash.bin");
    }
    int upload(const std::filesystem::path& file, const std::string& remote, const std::string& password)
    {
        // A Python FTP server on a loaded machine: generous bounds, still scaled.
        return FtpUpload({"KyvFlash", "anonymous", password, file.string(), remote, dotted(address_), ftpPort_,
                          250000, 250000});
    }

    test::ScratchDir dir;
    ProfileStore store{dir.path() / "KyvFlash.ini"};
    CDCBComm port;
    uint32_t address_ = 0;
    uint16_t ftpPort_ = 0;
    std::unique_ptr<test::TestProgram> sim_;
};

TEST_F(SimulatedLanPrinter, AnswersStatusQueriesAndTheMacSearchAmongAnotherPrinter)
{
    startPrinter(loopback(5, 41), {"--model", kR451, "--mac", "00:11:62:AA:BB:CC", "--decoy-mac", "00:11:62:00:00:99",
                                   "--decoy-address", dotted(loopback(6, 41))});
    // The status request as a datagram: the status byte comes after the request's header.
    const uint8_t status[] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x04, 0x01};
    Bytes reply;
    ASSERT_EQ(port.OpenLanEx(address_, static_cast<uint16_t>(store.getInt("Network", "StatusPort", 0)), 2, 4000, 1), 1);
    EXPECT_EQ(port.TransactLan(kNetDatagramExchange, status, sizeof status, reply), 1);
    ASSERT_GE(reply.size(), 5u);
    EXPECT_EQ(reply[4], 0x12);

    // Broadcast: the other printer answers first and is skipped.
    Mac wanted{0x00, 0x11, 0x62, 0xAA, 0xBB, 0xCC};
    EXPECT_EQ(port.FindPrinterByMac(address_, wanted.data(), 1), kMacFound);
    EXPECT_EQ(port.lan().foundAddress(), address_);
    // Directed, with no MAC known: the printer's MAC is learnt.
    Mac learnt{};
    EXPECT_EQ(port.FindPrinterByMac(address_, learnt.data(), 0), kMacFound);
    EXPECT_EQ(learnt, wanted);

    ASSERT_EQ(port.OpenLan(address_), 1);
    LanCommands commands(port, nullptr);
    std::string mac, model;
    uint32_t mask = 0;
    EXPECT_EQ(commands.queryMac(mac), 1);
    EXPECT_EQ(mac, "00:11:62:AA:BB:CC");
    EXPECT_EQ(commands.querySubnetMask(mask), 1);
    EXPECT_EQ(mask, 0xFF000000u);
    EXPECT_EQ(commands.queryModel(model), 1);
    EXPECT_EQ(model, "R451-2008\r");
    EXPECT_EQ(commands.queryIplMode(), 0); // online: no answer
    EXPECT_EQ(port.CloseLan(), 1);
    stopPrinter();
}

// The Ethernet flow's transfer: the file goes up by FTP, the select-sector command writes
// it into flash at that sector, and the printer's CRC of it matches the file's.
TEST_F(SimulatedLanPrinter, UploadedFileLandsAtTheSelectedSectorWithItsCrc)
{
    startPrinter(loopback(5, 42), {"--model", kR451, "--download-mode"});
    std::filesystem::path image = dir.path() / "Main.mfw";
    {
        Bytes data(200000);
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
        std::ofstream(image, std::ios::binary).write(reinterpret_cast<const char*>(data.data()),
                                                     static_cast<std::streamsize>(data.size()));
    }
    ASSERT_EQ(upload(image, "Main1_01.mfw", "48x5kvd"), kFtpUploaded);
    ASSERT_EQ(port.OpenLan(address_), 1);
    LanCommands commands(port, nullptr);
    EXPECT_EQ(commands.queryIplMode(), 1);
    EXPECT_EQ(commands.selectSector(27), kLanAcknowledged);
    CrcAccumulator accumulator;
    EXPECT_EQ(commands.imageCrc(image.string(), accumulator), kLanAcknowledged);
    // Nothing new was uploaded: the next select is a plain one.
    EXPECT_EQ(commands.selectSector(30), kLanAcknowledged);
    EXPECT_EQ(port.CloseLan(), 1);

    Bytes flash = stopPrinter();
    uint64_t start = sim::findPrinterType(kR451)->flash->sectorStart(27);
    Bytes expected = fileBytes(image);
    ASSERT_GE(flash.size(), start + expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), flash.begin() + static_cast<std::ptrdiff_t>(start)));
}

// After the reset the printer is off the network for its restart time and comes back at
// its new address, where the MAC search finds it; its FTP server refuses the login.
TEST_F(SimulatedLanPrinter, ComesBackAtTheMovedAddressAndRefusesTheFtpLogin)
{
    startPrinter(loopback(5, 43), {"--model", "R241", "--moved-address", dotted(loopback(9, 43)), "--mac",
                                   "00:11:62:00:43:05", "--fault", "ftp-refused"});
    std::filesystem::path file = dir.path() / "f.mfw";
    std::ofstream(file) << "data";
    EXPECT_EQ(upload(file, "f.mfw", ""), kFtpNoConnection);

    ASSERT_EQ(port.OpenLan(address_), 1);
    EXPECT_EQ(LanCommands(port, nullptr).reset(), 1);
    port.CloseLan();
    EXPECT_EQ(port.OpenLan(address_), 0); // off the network
    Mac mac{0x00, 0x11, 0x62, 0x00, 0x43, 0x05};
    int found = kMacNoReply;
    for (int i = 0; i < 50 && found != kMacFound; ++i)
        found = port.FindPrinterByMac(address_, mac.data(), 1);
    EXPECT_EQ(found, kMacFound);
    EXPECT_EQ(port.lan().foundAddress(), loopback(9, 43));
    EXPECT_EQ(port.OpenLan(loopback(9, 43)), 1);
    EXPECT_EQ(port.CloseLan(), 1);
    stopPrinter();
}

// The MAC search to the limited broadcast 255.255.255.255, which only a network of the
// test's own may carry: the test runs itself again inside a new network namespace.
TEST(SimulatedLanPrinterInNamespace, LimitedBroadcastFindsThePrinter)
{
    if (std::getenv("KYV_IN_OWN_NETNS") == nullptr) {
        std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        test::ProgramOptions program;
        program.args = {"-rn", "sh", "-c",
                        "ip link set lo up && ip route add default dev lo || exit 77; exec \"$0\" "
                        "--gtest_filter=SimulatedLanPrinterInNamespace.*",
                        self};
        program.environment = {{"KYV_IN_OWN_NETNS", "1"},
                               {"KYVFLASH_NET_ALLOW", "127.0.0.0/8,255.255.255.255/32"},
                               {"KYVFLASH_TIME_SCALE", std::to_string(timeScale())}};
        test::ProgramResult inside = test::runTestProgram("/usr/bin/unshare", program, std::chrono::seconds(120));
        if (inside.exitStatus != 0 && inside.out.find("[ RUN      ]") == std::string::npos)
            GTEST_SKIP() << "no network namespace of our own here: " << inside.err;
        EXPECT_EQ(inside.exitStatus, 0) << inside.out << inside.err;
        EXPECT_NE(inside.out.find("[  PASSED  ] 1 test"), std::string::npos) << inside.out;
        return;
    }
    if (!havePyftpdlib())
        GTEST_SKIP() << "python3-pyftpdlib is not installed";
    test::ScratchDir dir;
    test::ProgramOptions program;
    program.args = {"lan",         "--address", "127.0.0.5",   "--model", "R241",     "--mac",
                    "00:11:62:00:00:55", "--search-port", "0", "--raw-port", "0", "--status-port",
                    "0",           "--ftp-port", "0",          "--time-scale", std::to_string(timeScale())};
    program.startDir = dir.path();
    test::TestProgram sim(std::string(KYV_BINARY_DIR) + "/sim/printer-sim", program);
    std::string line = sim.waitForOutput("\n", std::chrono::seconds(30));
    unsigned search = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%*s raw %*u status %*u search %u", &search), 1) << line;
    ProfileStore store(dir.path() / "KyvFlash.ini");
    store.setInt("Network", "SearchPort", static_cast<int>(search));
    CDCBComm port;
    port.setProfileStore(&store);
    Mac mac{0x00, 0x11, 0x62, 0x00, 0x00, 0x55};
    EXPECT_EQ(port.FindPrinterByMac(0x7F000001, mac.data(), 1), kMacFound);
    EXPECT_EQ(port.lan().foundAddress(), 0x7F000005u);
    ::kill(sim.pid(), SIGTERM);
    EXPECT_EQ(sim.finish(std::chrono::seconds(30)).exitStatus, 0);
}

} // namespace
} // namespace kyv
