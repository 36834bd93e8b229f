#pragma once
// The one way tests start a program. Each program gets a scratch start-up directory, a
// scratch XDG_CONFIG_HOME whose Ports section sends every COM name and LPT1 to a path that
// does not exist (unless the test maps the name itself), standard input from /dev/null,
// and an environment cleaned of the developer's KyvFlash variables, KYVFLASH_USB_BUS and
// the display. So a test never reaches the machine's real ports or the user's settings.

#include "support/scratch_dir.h"

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kyv::test {

struct ProgramOptions {
    std::vector<std::string> args{};
    // Set after the clean-up; an empty value leaves the variable out.
    std::map<std::string, std::string> environment{};
    // Ports entries the test maps itself, e.g. COM3 to a simulated printer's line.
    std::map<std::string, std::string> ports{};
    // Empty: a scratch directory of the program's own.
    std::filesystem::path startDir{};
    // Empty: a scratch one. Given: its KyvFlash/KyvFlash.ini keeps what the test wrote and
    // gets the Ports entries it lacks.
    std::filesystem::path configHome{};
    bool display = false;          // keep DISPLAY and WAYLAND_DISPLAY
    bool resultPipe = false;       // a pipe as descriptor resultFdNumber, named by KYVFLASH_RESULT_FD
    int resultFdNumber = 3;
    bool outputOnTerminal = false; // standard output and error on a pseudo-terminal
    bool mergeOutput = false;      // standard error into standard output
};

struct ProgramResult {
    int exitStatus = -1;     // -1 when it did not exit by itself
    int signal = 0;          // the signal that ended it, if one did
    bool killedByGuard = false;
    std::string out;         // standard output (and error, when merged)
    std::string err;
    std::string resultFd;    // what it wrote to KYVFLASH_RESULT_FD
};

// Every COM name a test program could be given maps to a missing path unless mapped.
inline constexpr int kHighestComNumber = 50;

class TestProgram {
public:
    TestProgram(const std::string& path, ProgramOptions options);
    // A program still running is killed and collected.
    ~TestProgram();
    TestProgram(const TestProgram&) = delete;
    TestProgram& operator=(const TestProgram&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    const std::filesystem::path& startDir() const { return startDir_; }
    const std::filesystem::path& configHome() const { return configHome_; }

    // Reads standard output until it holds text or limit has passed; returns what was read.
    std::string waitForOutput(const std::string& text, std::chrono::milliseconds limit);
    // Collects every output until the program has ended; kills it when guard passes first.
    ProgramResult finish(std::chrono::milliseconds guard = std::chrono::seconds{60});

private:
    struct Streams;
    pid_t pid_ = -1;
    std::unique_ptr<ScratchDir> ownStartDir_;
    std::unique_ptr<ScratchDir> ownConfigHome_;
    std::filesystem::path startDir_;
    std::filesystem::path configHome_;
    std::unique_ptr<Streams> streams_;
    ProgramResult result_;
    bool finished_ = false;
};

// Starts the program and waits for its end.
ProgramResult runTestProgram(const std::string& path, ProgramOptions options,
                             std::chrono::milliseconds guard = std::chrono::seconds{60});

// Writes the Ports entries the settings file lacks: the test's own mappings, then COM1 to
// COM50 and LPT1 to paths below missingDir, which does not exist.
void completePortsSection(const std::filesystem::path& iniFile, const std::map<std::string, std::string>& ports,
                          const std::filesystem::path& missingDir);

} // namespace kyv::test
