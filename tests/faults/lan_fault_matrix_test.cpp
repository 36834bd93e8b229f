// An R451 on Ethernet (LAN): the simulated network printer with its FTP server, flashed with
// main firmware in its two parts: every command the job sends, each fault kind in turn,
// the code each must end with, and after every cut-off an ordinary job against the same
// printer.
#include "core/clock.h"
#include "download/lan_download.h"
#include "faults/fault_expectations.h"
#include "faults/fault_run.h"
#include "faults/network_rig.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kyv::test {
namespace {

constexpr size_t kSector = 64 * 1024;
// The first part is a whole MiB; the second gets one sector, so both go up.
constexpr size_t kImageBytes = 16 * kSector + kSector;

bool havePyftpdlib() { return std::system("/usr/bin/python3 -c 'import pyftpdlib' >/dev/null 2>&1") == 0; }

class LanRig final : public NetworkRig {
public:
    explicit LanRig(uint8_t third) : NetworkRig({false, kImageBytes, "LAN", kLanJob, &RunLanDownload}, third) {}
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

} // namespace
} // namespace kyv::test
