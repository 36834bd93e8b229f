// An R451 on WiFi (the raw TCP port of a simulated network printer, no FTP), flashed with main
// firmware: every command the job sends, each fault kind in turn, the code each must end
// with, and after every cut-off an ordinary job against the same printer.
#include "core/clock.h"
#include "download/wifi_download.h"
#include "faults/fault_expectations.h"
#include "faults/fault_images.h"
#include "faults/fault_run.h"
#include "faults/network_rig.h"

#include <gtest/gtest.h>

namespace kyv::test {
namespace {

constexpr size_t kSector = 64 * 1024;

class WifiFaultMatrix : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        setTimeScale(0.01);
        clearStopRequest();
    }
};

TEST_P(WifiFaultMatrix, EveryCommandEndsWithItsCodeAndACutOffPrinterIsFlashedAfterwards)
{
    // Two whole sectors over the raw port, at 127.0.(100 + kind).5.
    NetworkRig rig({.wifi = true,
                    .image = mainFirmwareImage(2 * kSector),
                    .interfaceName = "WIFI",
                    .interfaceKind = kWifiJob,
                    .worker = &RunWifiDownload},
                   subnetOfKind(100, GetParam()));
    runFaultMatrix(rig, wifiExpectations(), faultKindNamed(GetParam()), "wifi");
}

INSTANTIATE_TEST_SUITE_P(Kinds, WifiFaultMatrix, ::testing::ValuesIn(faultKindNames()),
                         [](const auto& info) { return faultTestName(info.param); });

} // namespace
} // namespace kyv::test
