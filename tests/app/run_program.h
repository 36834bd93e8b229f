#pragma once
// Runs a program to its end with a pipe as KYVFLASH_RESULT_FD, and collects what it wrote.

#include <string>
#include <vector>

namespace kyv::test {

struct ProgramRun {
    int status = -1;         // exit status; -1 when it did not exit normally
    std::string out;         // standard output
    std::string err;         // standard error
    std::string resultFd;    // what it wrote to KYVFLASH_RESULT_FD
};

// Starts path with args in the directory dir; waits for its end.
ProgramRun runProgram(const std::string& path, const std::vector<std::string>& args, const std::string& dir);

} // namespace kyv::test
