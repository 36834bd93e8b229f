#include "launcher/lib/launcher_clock.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace kyv::launcher {
namespace {

double readScale()
{
    const char* text = std::getenv("KYVFLASH_TIME_SCALE");
    if (text == nullptr || *text == '\0')
        return 1.0;
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !std::isfinite(value) || value <= 0.0)
        return 1.0;
    return value;
}

} // namespace

double launcherTimeScale()
{
    static const double scale = readScale();
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
