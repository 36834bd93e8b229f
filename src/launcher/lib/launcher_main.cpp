#include "launcher/lib/launcher_main.h"

#include "launcher/lib/argument_pass.h"
#include "launcher/lib/child_process.h"
#include "launcher/lib/child_program.h"
#include "launcher/lib/console.h"
#include "launcher/lib/console_log.h"
#include "launcher/lib/launcher_report.h"
#include "launcher/lib/stop_signals.h"
#include "launcher/lib/supervise_child.h"
#include "launcher/lib/usage_text.h"

#include "core/job_report.h"
#include "core/version.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace kyv::launcher {
namespace {

constexpr int kStartUpFailure = 1;

// The shell's "pause", but only where someone can press Enter: a script without a
// terminal must never hang here.
void pauseWhenInteractive(Console& console)
{
    if (::isatty(STDIN_FILENO) != 1)
        return;
    console.print("Press Enter to continue . . . ");
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) {
    }
}

std::string childCommandLine(const std::vector<std::string>& forwarded)
{
    std::string line(kChildDisplayName);
    for (const std::string& arg : forwarded)
        line += " " + arg;
    return line;
}

int unableToOpen(Console& console, const std::string& why)
{
    console.print(ConsoleColour::LightRed,
                  "Error: Unable to open the utility " + std::string(kChildDisplayName) + "!\n" + why + "\n");
    console.setColour(ConsoleColour::White);
    return kStartUpFailure;
}

const char* reportPath()
{
    const char* path = std::getenv(kReportVariable);
    return path != nullptr && *path != '\0' ? path : nullptr;
}

// KyvFlash writes the report; after a stop the launcher adds why it stopped it.
void reportStop(const ReportIdentity& before, const SuperviseOutcome& outcome, int runTimeLimit, int exitStatus,
                std::chrono::system_clock::time_point start)
{
    const char* path = reportPath();
    if (path == nullptr || outcome.stopReason.empty())
        return;
    LauncherStop stop{outcome.stopReason, outcome.appWas, runTimeLimit, exitStatus, start,
                      std::chrono::system_clock::now()};
    std::string why;
    if (!addStopToReport(path, before, stop, why))
        std::fprintf(stderr, "KyvFlashCom: cannot write the job report to %s: %s\n", path, why.c_str());
}

} // namespace

int launcherMain(int argc, char** argv)
{
    const auto launcherStart = std::chrono::steady_clock::now();
    const auto wallStart = std::chrono::system_clock::now();
    // Only as the first argument: no job's command line starts with it.
    if (argc > 1 && ::strcasecmp(argv[1], "--version") == 0) {
        std::printf("KyvFlashCom %s\n", kVersionNumber);
        return 0;
    }
    installStopSignalHandlers();
    Console console(stdout);
    printBanner(console);

    ArgumentPass pass = passArguments(std::vector<std::string>(argv + 1, argv + argc));
    for (int i = 0; i < pass.outOfRangeTimeLimits; ++i)
        console.print(kTimeLimitOutOfRangeText);
    // Nothing for KyvFlash (no arguments, or only the launcher's own options): started
    // without arguments it would open its interactive dialog, which no script can answer.
    if (pass.forwarded.empty()) {
        console.print(ConsoleColour::LightRed, "Error: Usage: No Parameters attempt to be sent to " +
                                                   std::string(kChildDisplayName) + "!\n");
        printUsage(console);
        pauseWhenInteractive(console);
        return kStartUpFailure;
    }
    const int runTimeLimit = pass.effectiveRunTimeLimit();
    console.messageLine("Please wait... for maximum of " + std::to_string(runTimeLimit) + " seconds for " +
                        std::string(kChildDisplayName) + " to finish.\n");
    // Ended with a line feed although the next message line starts with one: KyvFlash
    // writes its own diagnostics to the same terminal, and they must not run on from it.
    console.print(childCommandLine(pass.forwarded) + "\n");

    ChildProgramSearch program = findChildProgram();
    if (program.path.empty()) {
        std::string tried;
        for (const std::string& place : program.tried)
            tried += (tried.empty() ? "" : ", ") + place;
        return unableToOpen(console, "No executable KyvFlash found (looked at: " + tried + ").");
    }
    const ReportIdentity reportBefore = reportPath() != nullptr ? reportIdentity(reportPath()) : ReportIdentity{};
    int startError = 0;
    std::optional<ChildProcess> child = ChildProcess::start(program.path, pass.forwarded, startError);
    if (!child)
        return unableToOpen(console, "Cannot start " + program.path + ": " + std::strerror(startError) + ".");

    SuperviseOutcome outcome = superviseChild(*child, runTimeLimit, launcherStart, console);
    if (outcome.stopSignal != 0) {
        reportStop(reportBefore, outcome, runTimeLimit, 128 + outcome.stopSignal, wallStart);
        return 128 + outcome.stopSignal;
    }
    reportStop(reportBefore, outcome, runTimeLimit, pass.returnStatus ? outcome.shortCode : 0, wallStart);
    if (!pass.returnStatus)
        return 0;
    if (!appendReturnCodeLine(outcome.shortCode))
        std::fprintf(stderr, "KyvFlashCom: cannot append to %s: %s\n", kConsoleLogFileName, std::strerror(errno));
    return outcome.shortCode;
}

} // namespace kyv::launcher
