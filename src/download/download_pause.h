#pragma once
// The fixed waits of the download procedures. A stop request (Exit, SIGTERM, the
// launcher's time limit) cuts a wait short; the procedure then ends its job at once.

#include "core/clock.h"
#include "core/result_code.h"

namespace kyv {

// The result a job ends with when it was stopped: "Application was terminated by Exit button!"
inline constexpr ResultCode kStoppedResult = rc::ExitButton;

// Waits ms of protocol time; false when a stop was requested.
inline bool pause(int ms)
{
    return sleepFor(ProtocolMs{ms});
}

} // namespace kyv
