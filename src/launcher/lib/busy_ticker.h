#pragma once
// The "still busy" line while KyvFlash runs: one call per one-second wait, a line at the
// 1st, 11th, 21st, ... call.

#include <optional>
#include <string>

namespace kyv::launcher {

class BusyTicker {
public:
    // The line to print for this wait, or nothing.
    std::optional<std::string> tick();

private:
    int seconds_ = 1;
    int ticks_ = 1;
};

} // namespace kyv::launcher
