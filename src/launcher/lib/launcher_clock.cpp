#include "launcher/lib/launcher_clock.h"

#include "core/time_scale_text.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace kyv::launcher {
double launcherTimeScale()
{
    static const double scale = timeScaleFromEnvironment();
    return scale;
}

nanoseconds scaledDuration(milliseconds duration)
{
    double ns = static_cast<double>(duration.count()) * 1e6 * launcherTimeScale();
    return nanoseconds{static_cast<nanoseconds::rep>(std::llround(ns))};
}

long unscaledSecondsSince(steady_clock::time_point start)
{
    double realSeconds = std::chrono::duration<double>(steady_clock::now() - start).count();
    return static_cast<long>(std::floor(realSeconds / launcherTimeScale()));
}

} // namespace kyv::launcher
