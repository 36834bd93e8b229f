#pragma once
// Where the launcher finds the KyvFlash program it starts.

#include <string>
#include <vector>

namespace kyv::launcher {

// Names a program to start instead of KyvFlash (tests and development use it to run the
// launcher against a stand-in). When set, nothing else is searched.
inline constexpr const char* kChildOverrideVariable = "KYVFLASH_CHILD";
inline constexpr const char* kChildProgramName = "KyvFlash";

struct ChildProgramSearch {
    std::string path;                 // empty when nothing was found
    std::vector<std::string> tried;   // the places looked at, for the error message
};

// KYVFLASH_CHILD when set; else KyvFlash beside the launcher's own executable
// (/proc/self/exe); else the first executable KyvFlash on PATH.
ChildProgramSearch findChildProgram();

} // namespace kyv::launcher
