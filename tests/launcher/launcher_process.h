#pragma once
// Runs the real KyvFlashCom for a test: its arguments, extra environment, a working
// directory, standard input from /dev/null and its output captured. A guard kills it if
// it runs far longer than any test allows, so a hanging launcher fails the test instead
// of hanging the suite.

#include "support/test_program.h"

#include <chrono>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kyv::launcher::test {

struct LauncherResult {
    int exitStatus = -1;     // -1 when the launcher was killed by a signal
    int terminatingSignal = 0;
    std::string output;      // standard output and standard error together
};

class LauncherProcess {
public:
    // Starts KyvFlashCom through the tests' program helper, with KYVFLASH_TIME_SCALE=0.01;
    // `environment` adds or overrides variables (an empty value removes one).
    LauncherProcess(const std::vector<std::string>& args, const std::map<std::string, std::string>& environment,
                    const std::string& workDir, bool stdoutIsTerminal = false);

    pid_t pid() const { return program_.pid(); }
    LauncherResult finish(std::chrono::seconds guard = std::chrono::seconds{30});

private:
    kyv::test::TestProgram program_;
};

LauncherResult runLauncher(const std::vector<std::string>& args, const std::map<std::string, std::string>& environment,
                           const std::string& workDir);

std::string readFile(const std::string& path);
// Waits (up to `limit`) for a file to appear; returns its contents, empty if it never did.
std::string waitForFile(const std::string& path, std::chrono::milliseconds limit);
// True when no process of that id exists any more (a zombie counts as existing).
bool processGone(pid_t pid);

} // namespace kyv::launcher::test
