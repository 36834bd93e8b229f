#pragma once
// A moment as ISO 8601 local time with milliseconds and the zone's offset,
// "2026-07-12T23:53:06.120+02:00". Header-only: KyvFlash and the launcher stamp their
// job reports alike.

#include <time.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace kyv {

inline std::string isoLocalTime(std::chrono::system_clock::time_point when)
{
    using namespace std::chrono;
    const auto sinceEpoch = when.time_since_epoch();
    const time_t seconds = static_cast<time_t>(floor<std::chrono::seconds>(sinceEpoch).count());
    const int millis = static_cast<int>((duration_cast<milliseconds>(sinceEpoch) % 1000).count());
    struct tm local {};
    if (::localtime_r(&seconds, &local) == nullptr)
        return {};
    char stamp[40];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
    const long offsetMinutes = local.tm_gmtoff / 60;
    const long absMinutes = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char text[64];
    std::snprintf(text, sizeof text, "%s.%03d%c%02ld:%02ld", stamp, millis < 0 ? 0 : millis,
                  offsetMinutes < 0 ? '-' : '+', absMinutes / 60, absMinutes % 60);
    return text;
}

} // namespace kyv
