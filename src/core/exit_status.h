#pragma once
// How a ResultCode leaves the process. A Linux exit status holds 8 bits, so the exact
// code travels through the file descriptor named by KYVFLASH_RESULT_FD and the status
// is a mapped form of it. Both programs use this table; it never maps a failure to 0.

#include "core/result_code.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace kyv {

// 0 -> 0; 1001..1061 -> 101..161; 1200..1212 -> 200..212; 1501..1511 -> 221..231;
// 1401, 1402 -> 241, 242; 1300 -> 250; 1303 -> 253; any other failure -> 255.
// Header-only so that the launcher, which links nothing of KyvFlash, maps with the same table.
constexpr int exitStatusFor(ResultCode code)
{
    if (code == rc::Success)
        return 0;
    if (code >= 1001 && code <= 1061)
        return code - 900;
    if (code >= 1200 && code <= 1212)
        return code - 1000;
    if (code >= 1501 && code <= 1511)
        return code - 1280;
    if (code == rc::IbmUsbSwapFailed || code == rc::IbmUsbSwapRejected)
        return code - 1160;
    if (code == rc::HidTransferNotAcknowledged)
        return 250;
    if (code == rc::HidIdentifyFailed)
        return 253;
    return 255;
}

// Exit status of the launcher after it had to stop the child at its time limit.
inline constexpr int kExitStatusStoppedAtTimeLimit = 124;

inline constexpr const char* kResultFdVariable = "KYVFLASH_RESULT_FD";

// Writes the code in decimal and a newline to the descriptor named by
// KYVFLASH_RESULT_FD, when that variable holds a valid descriptor number.
// Returns true when written (false when unset or the write failed).
bool reportResultToFd(ResultCode code);

// Parses what reportResultToFd wrote: decimal digits (optionally signed) and a newline.
// Header-only, like exitStatusFor, so the launcher reads the pipe with the same rule.
inline std::optional<ResultCode> parseReportedResult(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    if (text.empty())
        return std::nullopt;
    ResultCode code = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), code);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return code;
}

} // namespace kyv
