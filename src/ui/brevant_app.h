#pragma once
// Start-up of the dialog program: parse the command line, run the main dialog (by itself
// in an unattended run, offscreen when there is no display), and leave with its result.

#include "core/job_trace.h"
#include "core/result_code.h"

#include <functional>

namespace kyv {

class CBrevantApp {
public:
    // Returns the process exit status; the exact result code also goes to
    // KYVFLASH_RESULT_FD when that is set. onParseError, when given, hears a code of a
    // command line that was refused (before any window exists); onUnattendedEnd hears how
    // an unattended run ended, with the job it ran, just before the process leaves.
    static int run(int argc, char** argv, const std::function<void(ResultCode)>& onParseError = {},
                   const std::function<void(const JobTrace&, ResultCode)>& onUnattendedEnd = {});
    // Whether a window can be shown: DISPLAY or WAYLAND_DISPLAY is set.
    static bool hasDisplay();
};

} // namespace kyv
