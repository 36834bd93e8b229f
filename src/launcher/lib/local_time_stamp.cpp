#include "launcher/lib/local_time_stamp.h"

#include <cstdio>
#include <ctime>

namespace kyv::launcher {

LocalTimeStamp localTimeStampNow()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[40];
    char time[40];
    std::snprintf(date, sizeof date, "%02d/%02d/%02d", local.tm_mon + 1, local.tm_mday, local.tm_year % 100);
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    return {date, time};
}

} // namespace kyv::launcher
