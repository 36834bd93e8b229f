// An R451 on Ethernet (LAN): the simulated network printer with its FTP server, flashed with
// main firmware in its two parts: every command the job sends, each fault kind in turn,
// the code each must end with, and after every cut-off an ordinary job against the same
// printer. Then the faults of the printer's network interface and of its FTP server.
#include "core/clock.h"
#include "core/profile_store.h"
#include "download/lan_download.h"
#include "faults/fault_expectations.h"
#include "faults/fault_images.h"
#include "faults/fault_run.h"
#include "faults/network_rig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace kyv::test {
namespace {

constexpr size_t kSector = 64 * 1024;
// The first part is a whole MiB; the second gets one sector, so both go up (an image
// within the first MiB would leave the second part empty, which the printer refuses).
constexpr size_t kImageBytes = 16 * kSector + kSector;

bool havePyftpdlib() { return std::system("/usr/bin/python3 -c 'import pyftpdlib' >/dev/null 2>&1") == 0; }

class LanRig final : public NetworkRig {
public:
    explicit LanRig(uint8_t third)
        : NetworkRig({.ftp = true,
                      .image = mainFirmwareImage(kImageBytes),
                      .interfaceName = "LAN",
                      .interfaceKind = kLanJob,
                      .worker = &RunLanDownload},
                     third)
    {
    }

    // The job looks for the FTP server where none listens (port 1 is nobody's on
    // loopback), or where the printer serves it.
    void ftpServerAbsent() { ProfileStore(settingsFile()).setInt("Network", "FtpPort", 1); }
    void ftpServerBack() { ProfileStore(settingsFile()).setInt("Network", "FtpPort", printerPorts().ftp); }
};

class LanFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!havePyftpdlib())
            GTEST_SKIP() << "python3-pyftpdlib is not installed";
        setTimeScale(0.01);
        clearStopRequest();
    }
};

class LanFaultMatrix : public LanFaults, public ::testing::WithParamInterface<const char*> {};

TEST_P(LanFaultMatrix, EveryCommandEndsWithItsCodeAndACutOffPrinterIsFlashedAfterwards)
{
    // At 127.0.(120 + kind).5.
    LanRig rig(subnetOfKind(120, GetParam()));
    runFaultMatrix(rig, lanExpectations(), faultKindNamed(GetParam()), "lan");
}

INSTANTIATE_TEST_SUITE_P(Kinds, LanFaultMatrix, ::testing::ValuesIn(faultKindNames()),
                         [](const auto& info) { return faultTestName(info.param); });

// The faults of the printer's network interface and its FTP server, one job each: the code
// it must end with, nothing written outside the job's sectors, nothing left open; a
// printer left in download mode by a missing FTP server is flashed by the next job once
// the server is there.
TEST_F(LanFaults, NetworkAndFtpFaultsEndWithTheirCodeAndLeaveThePrinterFlashable)
{
    struct Case {
        const char* what;
        std::function<void(sim::LanOptions&)> adjust;
        bool ftpAbsent;
        ResultCode code;
    };
    const Case cases[] = {
        {"FTP login refused: three connection attempts", [](sim::LanOptions& o) { o.refuseFtpLogin = true; }, false,
         1048},
        {"no FTP server: three connection attempts", {}, true, 1048},
        {"datagrams heard, never answered: status on the raw port, no MAC",
         [](sim::LanOptions& o) { o.silentUdp = true; }, false, 1054},
        {"raw port never read: no model number", [](sim::LanOptions& o) { o.silentTcp = true; }, false, 1030},
        {"back from the switch at another address, another printer answering the broadcast first",
         [](sim::LanOptions& o) {
             o.movedAddress = 0x7F008009u; // 127.0.128.9
             o.decoyMac = sim::MacAddress{0x00, 0x11, 0x62, 0x00, 0x00, 0x99};
         },
         false, 0},
    };
    MatrixTally tally;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LanRig rig(128);
        if (c.adjust)
            c.adjust(rig.nextOptions);
        ++tally.runs;
        const ProcessResources before = processResources();
        rig.startPrinter({});
        if (c.ftpAbsent)
            rig.ftpServerAbsent();
        const sim::Bytes outsideBefore = rig.flashOutsideJob();
        const ResultCode code = rig.flash();
        EXPECT_EQ(code, c.code);
        const bool outsideKept = rig.flashOutsideJob() == outsideBefore;
        EXPECT_TRUE(outsideKept) << "flash written outside the job's sectors";
        bool passed = code == c.code && outsideKept;
        if (code == 0)
            passed = expectImageInFlash(rig) && passed;
        if (c.ftpAbsent) {
            ++tally.recoveries;
            rig.ftpServerBack();
            if (expectRecoveryJob(rig))
                ++tally.recovered;
        }
        rig.stopPrinter();
        if (expectReleased(before) && passed)
            ++tally.passed;
    }
    printTally("lan network", tally);
}

} // namespace
} // namespace kyv::test
