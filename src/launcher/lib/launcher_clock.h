#pragma once
// The launcher's time, scaled like KyvFlash's by KYVFLASH_TIME_SCALE, so that tests and
// the demo see a fail-safe limit of minutes pass in seconds. The launcher links nothing
// of KyvFlash; it reads the factor with core's header-only rule.

#include <chrono>

namespace kyv::launcher {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;
using std::chrono::steady_clock;

double launcherTimeScale();

// Real duration of a duration in the launcher's (unscaled) terms.
nanoseconds scaledDuration(milliseconds duration);

// Whole seconds, in unscaled terms, since `start`.
long unscaledSecondsSince(steady_clock::time_point start);

} // namespace kyv::launcher
