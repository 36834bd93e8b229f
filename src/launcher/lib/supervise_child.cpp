#include "launcher/lib/supervise_child.h"

#include "core/exit_status.h"
#include "launcher/lib/busy_ticker.h"
#include "launcher/lib/exit_code_text.h"
#include "launcher/lib/launcher_clock.h"
#include "launcher/lib/stop_signals.h"
#include "launcher/lib/usage_text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace kyv::launcher {
namespace {

constexpr int kNoReportStatus = 255;

std::string noReportText(const ChildProcess& child)
{
    return std::string(kChildDisplayName) + " " + child.endDescription() + " without reporting a result code";
}

// Stops KyvFlash (SIGTERM, a grace, SIGKILL), reaps it and says how that went. Sets the
// short code: 124 for a child that was still running, else what it ended with.
void failSafeStop(ChildProcess& child, Console& console, const std::string& reason, SuperviseOutcome& outcome)
{
    std::string appWas;
    int shortCode;
    if (!child.ended()) {
        appWas = exitCodeText(rc::StoppedAtTimeLimit);
        shortCode = kExitStatusStoppedAtTimeLimit;
    } else if (child.reportedCode()) {
        appWas = exitCodeText(*child.reportedCode());
        shortCode = exitStatusFor(*child.reportedCode());
    } else {
        appWas = noReportText(child);
        shortCode = kNoReportStatus;
    }

    int error = 0;
    const std::chrono::nanoseconds grace = std::max<std::chrono::nanoseconds>(scaledDuration(kTerminateGrace),
                                                                              kTerminateGraceAtLeast);
    ChildProcess::StopResult result = child.stop(grace, kKillWait, error);
    console.setColour(ConsoleColour::LightRed);
    console.messageLine("ERROR: Fail-safe Exit Attempt : App was = " + appWas + "\n");
    if (result == ChildProcess::StopResult::Terminated) {
        console.messageLine("ERROR: Fail-safe Exit Attempt : App terminated Normally\n\n");
    } else {
        console.messageLine("ERROR: Fail-safe Exit Attempt : App terminated ABNORMALLY, rc= " +
                            std::to_string(rc::StoppedAtTimeLimit) + "\n");
        console.messageLine("ERROR: Fail-safe Exit Attempt : Terminate Failed , rc= " + std::to_string(error) +
                            "\n\n");
    }
    outcome.shortCode = shortCode;
    outcome.stopReason = reason;
    outcome.appWas = appWas;
}

int reportOutcome(const ChildProcess& child, Console& console)
{
    if (!child.reportedCode()) {
        console.setColour(ConsoleColour::LightRed);
        console.messageLine("Error: Cannot get exit code from the application!\n\n");
        console.messageLine(noReportText(child) + ": the download counts as failed.\n\n");
        console.setColour(ConsoleColour::White);
        return kNoReportStatus;
    }
    ResultCode code = *child.reportedCode();
    console.messageLine(ConsoleColour::Yellow, exitCodeText(code) + "\n\n");
    console.setColour(ConsoleColour::White);
    if (code == rc::WrongParameterCount || code == rc::HelpRequested)
        printUsage(console);
    return exitStatusFor(code);
}

} // namespace

SuperviseOutcome superviseChild(ChildProcess& child, int runTimeLimitSeconds,
                                std::chrono::steady_clock::time_point launcherStart, Console& console)
{
    using State = ChildProcess::WaitState;
    SuperviseOutcome outcome;
    BusyTicker ticker;
    for (;;) {
        State state = child.waitFor(scaledDuration(std::chrono::milliseconds{1000}));
        int waitError = errno;
        long elapsed = unscaledSecondsSince(launcherStart);

        if (int signal = stopSignalReceived(); signal != 0 && state != State::Ended) {
            const char* name = ::strsignal(signal);
            console.messageLine(ConsoleColour::LightRed, "ERROR: KyvFlashCom received signal " +
                                                             std::to_string(signal) + " (" +
                                                             (name != nullptr ? name : "?") + "): stopping " +
                                                             std::string(kChildDisplayName) + "\n");
            failSafeStop(child, console, "KyvFlashCom received signal " + std::to_string(signal), outcome);
            outcome.stopSignal = signal;
            break;
        }
        if (state == State::Failed) {
            console.messageLine(ConsoleColour::LightRed,
                                "ERROR: WaitOnObject Failed ExtRc = " + std::to_string(waitError) + "\n\n");
            failSafeStop(child, console, "the wait for KyvFlash failed", outcome);
            break;
        }
        if (elapsed > runTimeLimitSeconds) {
            console.messageLine(ConsoleColour::LightRed, "ERROR: Fail-safe Exit Attempt : from " +
                                                             std::string(kChildDisplayName) + " after " +
                                                             std::to_string(runTimeLimitSeconds) + " seconds\n");
            failSafeStop(child, console, "time limit of " + std::to_string(runTimeLimitSeconds) + " s reached",
                         outcome);
            break;
        }
        if (state == State::Running) {
            if (std::optional<std::string> line = ticker.tick())
                console.messageLine(*line);
            continue;
        }
        outcome.shortCode = reportOutcome(child, console);
        break;
    }
    console.setColour(ConsoleColour::White);
    return outcome;
}

} // namespace kyv::launcher
