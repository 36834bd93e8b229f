#pragma once
// Date and time of the local clock as the launcher prints and logs them.

#include <string>

namespace kyv::launcher {

struct LocalTimeStamp {
    std::string date; // MM/DD/YY
    std::string time; // HH:MM:SS
};

LocalTimeStamp localTimeStampNow();

} // namespace kyv::launcher
