#pragma once
// What the launcher makes of its command line before it starts KyvFlash: which arguments
// KyvFlash receives, the fail-safe time limit and whether to return a status.
//
// Comparisons are made on upper-cased copies, each with or without one leading "/", but
// every forwarded argument keeps its case as given: Linux file names are case-sensitive.
// Arguments the launcher blanks are dropped, not forwarded as empty strings.

#include <optional>
#include <string>
#include <vector>

namespace kyv::launcher {

inline constexpr int kDefaultRunTimeLimit = 800;
inline constexpr int kMinRunTimeLimit = 120;
inline constexpr int kMaxRunTimeLimit = 3600;

inline constexpr const char* kTimeLimitOutOfRangeText =
    "Time out duration is out of range(120s - 3600s). Default is 800 seconds.\n";

struct ArgumentPass {
    std::vector<std::string> forwarded;
    // Seconds; unset until an "ERRORTIMEOUT=" argument gave one.
    std::optional<int> runTimeLimit;
    bool returnStatus = false;
    // How many "ERRORTIMEOUT=" values were out of range (each prints the range message).
    int outOfRangeTimeLimits = 0;

    int effectiveRunTimeLimit() const { return runTimeLimit.value_or(kDefaultRunTimeLimit); }
};

// args are the launcher's arguments without the program name.
ArgumentPass passArguments(const std::vector<std::string>& args);

// Reads the number of an "ERRORTIMEOUT=" value: decimal, hexadecimal with "0x", octal with
// a leading 0. Anything that is not wholly such a number gives nullopt.
std::optional<long> parseTimeLimitNumber(const std::string& text);

} // namespace kyv::launcher
