#include "launcher/lib/busy_ticker.h"

#include "launcher/lib/usage_text.h"

namespace kyv::launcher {

std::optional<std::string> BusyTicker::tick()
{
    if (ticks_ == 10 || seconds_ == 1) {
        std::string line = std::string(kChildDisplayName) + " - Busy. Waiting for " + std::to_string(seconds_) +
                           " second(s)";
        ++seconds_;
        ticks_ = 1;
        return line;
    }
    ++seconds_;
    ++ticks_;
    return std::nullopt;
}

} // namespace kyv::launcher
