// An R241 on its serial line (a pty), flashed with main firmware: every command the job sends,
// each fault kind in turn, the code each must end with, and after every cut-off an ordinary
// job against the same printer that flashes it completely.
#include "download/simulated_serial_job.h"
#include "faults/fault_expectations.h"
#include "faults/fault_run.h"
#include "faults/serial_rig.h"

#include <gtest/gtest.h>

namespace kyv::test {
namespace {

constexpr size_t kSector = 64 * 1024;

class SerialFaultMatrix : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        setTimeScale(0.01);
        clearStopRequest();
    }
};

TEST_P(SerialFaultMatrix, EveryCommandEndsWithItsCodeAndACutOffPrinterIsFlashedAfterwards)
{
    // Two sectors, the last one short.
    SerialRig rig({"R241", patternImage(2 * kSector - 3000)});
    runFaultMatrix(rig, serialExpectations(), faultKindNamed(GetParam()), "serial");
}

INSTANTIATE_TEST_SUITE_P(Kinds, SerialFaultMatrix, ::testing::ValuesIn(faultKindNames()),
                         [](const auto& info) { return faultTestName(info.param); });

} // namespace
} // namespace kyv::test
