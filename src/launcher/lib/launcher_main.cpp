#include "launcher/lib/launcher_main.h"

#include "launcher/lib/argument_pass.h"
#include "launcher/lib/child_process.h"
#include "launcher/lib/child_program.h"
#include "launcher/lib/console.h"
#include "launcher/lib/console_log.h"
#include "launcher/lib/stop_signals.h"
#include "launcher/lib/supervise_child.h"
#include "launcher/lib/usage_text.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
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

} // namespace

int launcherMain(int argc, char** argv)
{
    const auto launcherStart = std::chrono::steady_clock::now();
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
    int startError = 0;
    std::optional<ChildProcess> child = ChildProcess::start(program.path, pass.forwarded, startError);
    if (!child)
        return unableToOpen(console, "Cannot start " + program.path + ": " + std::strerror(startError) + ".");

    SuperviseOutcome outcome = superviseChild(*child, runTimeLimit, launcherStart, console);
    if (outcome.stopSignal != 0)
        return 128 + outcome.stopSignal;
    if (!pass.returnStatus)
        return 0;
    if (!appendReturnCodeLine(outcome.shortCode))
        std::fprintf(stderr, "KyvFlashCom: cannot append to %s: %s\n", kConsoleLogFileName, std::strerror(errno));
    return outcome.shortCode;
}

} // namespace kyv::launcher
