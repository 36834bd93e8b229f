#pragma once
// The launcher's wait for KyvFlash: one-second waits with the busy ticker, the fail-safe
// stop at the time limit, and the outcome in words.

#include "launcher/lib/child_process.h"
#include "launcher/lib/console.h"

#include <chrono>
#include <string>

namespace kyv::launcher {

struct SuperviseOutcome {
    // The status a script gets with "RETSTAT": the mapped status of KyvFlash's code, 124
    // after the fail-safe stop, 255 when KyvFlash ended without reporting a code.
    int shortCode = 0;
    // The signal that made the launcher stop KyvFlash early, or 0.
    int stopSignal = 0;
    // The launcher had to stop KyvFlash (time limit, signal, failed wait): why, in words,
    // and what KyvFlash was then; empty when it ended by itself.
    std::string stopReason;
    std::string appWas;
};

// Real-time bound for a child to disappear after SIGKILL; only a process stuck in the
// kernel takes longer.
inline constexpr std::chrono::seconds kKillWait{5};
// Time (scaled) KyvFlash gets after SIGTERM to stop its worker and close the port, but never
// less than kTerminateGraceAtLeast of real time: ending the program (worker, window, report,
// the line's exclusive mode) is work, not a protocol wait, and does not shrink with the scale.
inline constexpr std::chrono::milliseconds kTerminateGrace{5000};
inline constexpr std::chrono::seconds kTerminateGraceAtLeast{1};

SuperviseOutcome superviseChild(ChildProcess& child, int runTimeLimitSeconds,
                                std::chrono::steady_clock::time_point launcherStart, Console& console);

} // namespace kyv::launcher
