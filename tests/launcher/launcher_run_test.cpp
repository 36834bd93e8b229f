// KyvFlashCom run as scripts run it, against a stand-in that plays KyvFlash.
#include "launcher/launcher_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace kyv::launcher::test {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;
using namespace std::chrono_literals;

class LauncherRun : public ::testing::Test {
protected:
    std::map<std::string, std::string> standIn(const std::string& action)
    {
        return {{"KYVFLASH_CHILD", KYV_STAND_IN_CHILD_PATH},
                {"STAND_IN_ACTION", action},
                {"STAND_IN_ARGS_FILE", dir / "args.txt"},
                {"STAND_IN_PID_FILE", dir / "pid.txt"}};
    }
    std::string forwardedArgs() { return readFile(dir / "args.txt"); }
    pid_t standInPid() { return std::stoi(readFile(dir / "pid.txt")); }
    std::string consoleLog() { return readFile(dir / "KyvFlashConsoleLog.txt"); }

    kyv::test::ScratchDir dir;
};

const std::vector<std::string> kSerialJob{"R241", "M", "COM3", "115200", "NONE", "1", "image.mfw"};

std::vector<std::string> with(std::vector<std::string> args, std::initializer_list<std::string> more)
{
    args.insert(args.end(), more);
    return args;
}

TEST_F(LauncherRun, RetstatReturnsTheMappedStatusOfTheExactCodeAndLogsIt)
{
    LauncherResult result = runLauncher(with(kSerialJob, {"RETSTAT"}), standIn("report:1007"), dir.path());
    EXPECT_EQ(result.exitStatus, 107);
    EXPECT_THAT(result.output, HasSubstr("KyvFlashCom: Unable to open file!\n\n"));
    EXPECT_THAT(result.output, HasSubstr("Please wait... for maximum of 800 seconds for KyvFlash.EXE to finish.\n"));
    EXPECT_THAT(result.output, HasSubstr("KyvFlash.EXE R241 M COM3 115200 NONE 1 image.mfw\n"));
    EXPECT_EQ(forwardedArgs(), "R241\nM\nCOM3\n115200\nNONE\n1\nimage.mfw\n");
    EXPECT_THAT(consoleLog(), MatchesRegex("[0-9]{2}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} - Return Code is 107!\n"));
    EXPECT_THAT(result.output, Not(HasSubstr("\x1b["))) << "no colours when the output is not a terminal";

    // Codes the launcher has no text for are still failures: never 0.
    result = runLauncher(with(kSerialJob, {"RETSTAT"}), standIn("report:1053"), dir.path());
    EXPECT_EQ(result.exitStatus, 153);
    EXPECT_THAT(result.output, HasSubstr("Unknown exit code = 1053"));
    EXPECT_THAT(consoleLog(), HasSubstr("- Return Code is 107!\n"));
    EXPECT_THAT(consoleLog(), HasSubstr("- Return Code is 153!\n"));
}

TEST_F(LauncherRun, WithoutRetstatExitsZeroAndWritesNoLog)
{
    LauncherResult result = runLauncher(kSerialJob, standIn("report:1005"), dir.path());
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_THAT(result.output, HasSubstr("Different CRC detected!"));
    EXPECT_FALSE(std::filesystem::exists(dir / "KyvFlashConsoleLog.txt"));
}

TEST_F(LauncherRun, ArgumentsReachKyvFlashAsAVectorNeverThroughAShell)
{
    std::string image = "my image; $(touch injected) 'x'.mfw";
    LauncherResult result =
        runLauncher({"R453", "C", "cpmi", "115200", "none", "1", image, "NoRetStat", "ERRORTIMEOUT=0x100"},
                    standIn("report:0"), dir.path());
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(forwardedArgs(), "R453\nC\ncpmi\n" + image + "\n");
    EXPECT_THAT(result.output, HasSubstr("for maximum of 256 seconds"));
    EXPECT_FALSE(std::filesystem::exists(dir / "injected"));
}

TEST_F(LauncherRun, UsageFollowsTooFewOrManyParametersAndHelp)
{
    for (const char* code : {"report:1019", "report:1021"}) {
        LauncherResult result = runLauncher(with(kSerialJob, {"RETSTAT"}), standIn(code), dir.path());
        EXPECT_THAT(result.output, HasSubstr("!\n\nKyvFlash [model] [download type] [COM]")) << code;
    }
    LauncherResult plain = runLauncher(kSerialJob, standIn("report:1007"), dir.path());
    EXPECT_THAT(plain.output, Not(HasSubstr("KyvFlash [model]")));
}

TEST_F(LauncherRun, FailSafeStopEndsAChildThatNeverFinishes)
{
    // 120 s of launcher time at a time scale of 0.01: about 1.2 s.
    for (const char* action : {"hang", "hang-hard"}) {
        LauncherResult result =
            runLauncher(with(kSerialJob, {"ERRORTIMEOUT=120", "RETSTAT"}), standIn(action), dir.path());
        EXPECT_EQ(result.exitStatus, 124) << action;
        EXPECT_THAT(result.output, HasSubstr("KyvFlashCom: KyvFlash.EXE - Busy. Waiting for 1 second(s)\n"));
        EXPECT_THAT(result.output, HasSubstr("KyvFlash.EXE - Busy. Waiting for 11 second(s)\n"));
        EXPECT_THAT(result.output, HasSubstr("ERROR: Fail-safe Exit Attempt : from KyvFlash.EXE after 120 seconds\n"));
        EXPECT_THAT(result.output,
                    HasSubstr("ERROR: Fail-safe Exit Attempt : App was = Terminated after reach ErrorTimeOut parameter\n"));
        EXPECT_THAT(result.output, HasSubstr("ERROR: Fail-safe Exit Attempt : App terminated Normally\n\n"));
        EXPECT_TRUE(processGone(standInPid())) << action;
        EXPECT_THAT(consoleLog(), HasSubstr("- Return Code is 124!\n"));
    }
}

TEST_F(LauncherRun, AChildThatDiesWithoutReportingIsAFailure)
{
    LauncherResult killed = runLauncher(with(kSerialJob, {"RETSTAT"}), standIn("die:9"), dir.path());
    EXPECT_EQ(killed.exitStatus, 255);
    EXPECT_THAT(killed.output, HasSubstr("Error: Cannot get exit code from the application!\n\n"));
    EXPECT_THAT(killed.output, HasSubstr("KyvFlash.EXE was killed by signal 9"));

    LauncherResult crashed = runLauncher(with(kSerialJob, {"RETSTAT"}), standIn("die:11"), dir.path());
    EXPECT_EQ(crashed.exitStatus, 255);
    EXPECT_THAT(crashed.output, HasSubstr("KyvFlash.EXE was killed by signal 11"));

    // Even an exit status of 0 proves nothing without the code.
    LauncherResult silent = runLauncher(with(kSerialJob, {"RETSTAT"}), standIn("silent:0"), dir.path());
    EXPECT_EQ(silent.exitStatus, 255);
    EXPECT_THAT(silent.output, HasSubstr("KyvFlash.EXE ended with exit status 0 without reporting a result code"));
}

TEST_F(LauncherRun, StartUpFailuresExitOneWithTheReason)
{
    LauncherResult missing = runLauncher(kSerialJob, {{"KYVFLASH_CHILD", dir / "nothing-here"}}, dir.path());
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_THAT(missing.output, HasSubstr("image.mfw\nError: Unable to open the utility KyvFlash.EXE!\n"));
    EXPECT_THAT(missing.output, HasSubstr(dir / "nothing-here"));

    // Executable but not a program: the exec itself fails.
    std::ofstream(dir / "not-a-program") << "\x7f" "ELF garbage";
    chmod((dir / "not-a-program").c_str(), 0755);
    LauncherResult broken =
        runLauncher(with(kSerialJob, {"RETSTAT"}), {{"KYVFLASH_CHILD", dir / "not-a-program"}}, dir.path());
    EXPECT_EQ(broken.exitStatus, 1);
    EXPECT_THAT(broken.output, HasSubstr("Cannot start " + (dir / "not-a-program") + ": Exec format error"));
}

TEST_F(LauncherRun, WithoutArgumentsPrintsUsageAndNeverWaitsForEnterWithoutATerminal)
{
    LauncherResult result = runLauncher({}, {}, dir.path());
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_THAT(result.output, HasSubstr("KyvFlash Console"));
    EXPECT_THAT(result.output, HasSubstr("Error: Usage: No Parameters attempt to be sent to KyvFlash.EXE!\n"));
    EXPECT_THAT(result.output, HasSubstr("Information : Please use RS232 Interface, when switching from ION <=> NON ION\n\n"));
    EXPECT_THAT(result.output, Not(HasSubstr("Press Enter")));

    // Only the launcher's own options leave nothing for KyvFlash: it is not started (it
    // would open its interactive dialog).
    LauncherResult optionsOnly = runLauncher({"RETSTAT", "ERRORTIMEOUT=200"}, standIn("report:0"), dir.path());
    EXPECT_EQ(optionsOnly.exitStatus, 1);
    EXPECT_THAT(optionsOnly.output, HasSubstr("Error: Usage: No Parameters attempt to be sent to KyvFlash.EXE!\n"));
    EXPECT_FALSE(std::filesystem::exists(dir / "pid.txt"));
}

TEST_F(LauncherRun, ColoursOnlyOnATerminalAndNeverWithNoColor)
{
    LauncherProcess coloured({}, {{"NO_COLOR", ""}}, dir.path(), true);
    LauncherResult result = coloured.finish();
    EXPECT_THAT(result.output, HasSubstr("\x1b[92m*-----"));          // banner in light green
    EXPECT_THAT(result.output, HasSubstr("\x1b[93m[R241] [R241-Y480]")); // model list in yellow

    LauncherProcess plain({}, {{"NO_COLOR", "1"}}, dir.path(), true);
    EXPECT_THAT(plain.finish().output, Not(HasSubstr("\x1b[")));
}

TEST_F(LauncherRun, SignalToTheLauncherStopsKyvFlashToo)
{
    LauncherProcess launcher(kSerialJob, standIn("hang"), dir.path());
    ASSERT_FALSE(waitForFile(dir / "pid.txt", 5000ms).empty());
    kill(launcher.pid(), SIGTERM);
    LauncherResult result = launcher.finish();
    EXPECT_EQ(result.exitStatus, 128 + SIGTERM);
    EXPECT_THAT(result.output, HasSubstr("App terminated Normally"));
    EXPECT_TRUE(processGone(standInPid()));
}

TEST_F(LauncherRun, KyvFlashIsToldToStopWhenTheLauncherIsKilled)
{
    // Become the reaper of orphans for this test, so the stand-in's end can be seen here.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    {
        LauncherProcess launcher(kSerialJob, standIn("hang"), dir.path());
        ASSERT_FALSE(waitForFile(dir / "pid.txt", 5000ms).empty());
        kill(launcher.pid(), SIGKILL);
        launcher.finish();
    }
    int status = 0;
    EXPECT_EQ(waitpid(standInPid(), &status, 0), standInPid());
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    prctl(PR_SET_CHILD_SUBREAPER, 0);
}

} // namespace
} // namespace kyv::launcher::test
