#pragma once
// The return-status line a run with "RETSTAT" appends to "KyvFlashConsoleLog.txt" in the
// current directory.

#include <string>

namespace kyv::launcher {

inline constexpr const char* kConsoleLogFileName = "KyvFlashConsoleLog.txt";

// "<MM/DD/YY> <HH:MM:SS> - Return Code is <code>!\n"
std::string returnCodeLine(int shortCode);

// Appends the line; false when the file cannot be opened or written (the run goes on).
bool appendReturnCodeLine(int shortCode);

} // namespace kyv::launcher
