// An R453 on its serial line (a pty) at its own 19200 bps, with USU on, flashed with main
// firmware older than its own, while it stays in online mode: the whole image as one block.
// Every command the job sends, each fault kind in turn, the code each must end with, and
// after every cut-off an ordinary job against the same printer that flashes it completely.
#include "core/clock.h"
#include "faults/fault_expectations.h"
#include "faults/fault_images.h"
#include "faults/fault_run.h"
#include "faults/serial_rig.h"

#include <gtest/gtest.h>

namespace kyv::test {
namespace {

class OnlineSerialFaultMatrix : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        setTimeScale(0.01);
        clearStopRequest();
    }
};

TEST_P(OnlineSerialFaultMatrix, EveryCommandEndsWithItsCodeAndACutOffPrinterIsFlashedAfterwards)
{
    // Two sectors and a bit; the printer (15000) is newer than the image (14800).
    SerialRig rig({.model = "R453", .image = versionedFirmwareImage(140000, 'J', "14800"), .usuOn = true});
    runFaultMatrix(rig, onlineSerialExpectations(), faultKindNamed(GetParam()), "online serial");
}

INSTANTIATE_TEST_SUITE_P(Kinds, OnlineSerialFaultMatrix, ::testing::ValuesIn(faultKindNames()),
                         [](const auto& info) { return faultTestName(info.param); });

} // namespace
} // namespace kyv::test
