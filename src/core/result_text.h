#pragma once
// The dialog's message for each result code (message box and log line).

#include "core/result_code.h"

#include <string_view>

namespace kyv {

// The dialog's text for a code; empty for a code it has no text for (1200..1210, 1212,
// 1300, 1303, 1502, unknown numbers), for which the dialog shows an empty error box.
std::string_view resultText(ResultCode code);

// Wordings of a successful end reported by the worker's success message.
inline constexpr std::string_view kSuccessText = "Download successfully completed!\r\n";
inline constexpr std::string_view kSuccessUserAreaErasedText =
    "Download successfully completed!\r\nUser-area erased due to compatibility.";
std::string_view successText(bool userAreaErased);

} // namespace kyv
