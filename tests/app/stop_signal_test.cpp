// The launcher's fail-safe stop: SIGTERM during an unattended flash ends the job at once
// and KyvFlash leaves with a failure, its worker ended and its port closed.
#include "core/exit_status.h"
#include "core/result_code.h"
#include "support/scratch_dir.h"
#include "support/test_program.h"

#include <gtest/gtest.h>

#include <pty.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace kyv::test {
namespace {

const std::string kProgram = std::string(KYV_BINARY_DIR) + "/src/app/KyvFlash";

struct Pty {
    int master = -1;
    int slave = -1;
    ~Pty()
    {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
    }
};

TEST(StopSignal, SigtermEndsAnUnattendedFlashWithAFailure)
{
    ScratchDir dir;
    // A printer line that never answers: the worker would wait out its full time-outs.
    Pty line;
    char slaveName[128] = {};
    ASSERT_EQ(::openpty(&line.master, &line.slave, slaveName, nullptr, nullptr), 0);
    dir.write("main.mfw", std::string("xM") + std::string(200000, '\0'));

    TestProgram program(kProgram, {.args = {"R241", "M", "COM3", "115200", "NONE", "1", "main.mfw"},
                                   .environment = {{"KYVFLASH_TIME_SCALE", "1"}, {"QT_QPA_PLATFORM", "offscreen"}},
                                   .ports = {{"COM3", slaveName}},
                                   .startDir = dir.path(),
                                   .resultPipe = true});
    ASSERT_TRUE(program.started());

    std::this_thread::sleep_for(std::chrono::milliseconds(700)); // the worker is waiting on the line
    const auto stopAt = std::chrono::steady_clock::now();
    ::kill(program.pid(), SIGTERM);
    const ProgramResult result = program.finish(std::chrono::seconds(10));
    const auto took = std::chrono::steady_clock::now() - stopAt;

    EXPECT_EQ(result.exitStatus, exitStatusFor(rc::ExitButton));
    EXPECT_EQ(result.resultFd, "1027\n");
    EXPECT_LT(took, std::chrono::seconds(3));
}

} // namespace
} // namespace kyv::test
