// An R243 on Ethernet (the raw TCP port of a simulated network printer, no FTP), with USU
// on, flashed with main firmware older than its own while it stays in online mode: the
// header, the image in pieces and the last piece that brings the printer's answer. Every
// command the job sends, each fault kind in turn, the code each must end with, and after
// every cut-off an ordinary job against the same printer.
#include "core/clock.h"
#include "download/lan_online_download.h"
#include "faults/fault_expectations.h"
#include "faults/fault_images.h"
#include "faults/fault_run.h"
#include "faults/network_rig.h"

#include <gtest/gtest.h>

namespace kyv::test {
namespace {

class OnlineLanFaultMatrix : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        setTimeScale(0.01);
        clearStopRequest();
    }
};

TEST_P(OnlineLanFaultMatrix, EveryCommandEndsWithItsCodeAndACutOffPrinterIsFlashedAfterwards)
{
    // Two sectors and a bit in 15 pieces, at 127.0.(140 + kind).5; the printer (15000) is
    // newer than the image (14800).
    NetworkRig rig({.model = "R243",
                    .image = versionedFirmwareImage(140000, 'G', "14800"),
                    .interfaceName = "LAN",
                    .interfaceKind = kLanJob,
                    .worker = &RunLanOnlineDownload,
                    .usuOn = true},
                   subnetOfKind(140, GetParam()));
    runFaultMatrix(rig, onlineLanExpectations(), faultKindNamed(GetParam()), "online lan");
}

INSTANTIATE_TEST_SUITE_P(Kinds, OnlineLanFaultMatrix, ::testing::ValuesIn(faultKindNames()),
                         [](const auto& info) { return faultTestName(info.param); });

} // namespace
} // namespace kyv::test
