#include "launcher/launcher_process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kyv::launcher::test {
namespace {

kyv::test::ProgramOptions launcherOptions(const std::vector<std::string>& args,
                                          const std::map<std::string, std::string>& environment,
                                          const std::string& workDir, bool stdoutIsTerminal)
{
    kyv::test::ProgramOptions options;
    options.args = args;
    options.environment = environment;
    options.environment.try_emplace("KYVFLASH_TIME_SCALE", "0.01");
    options.startDir = workDir;
    options.outputOnTerminal = stdoutIsTerminal;
    options.mergeOutput = true;
    return options;
}

} // namespace

LauncherProcess::LauncherProcess(const std::vector<std::string>& args,
                                 const std::map<std::string, std::string>& environment, const std::string& workDir,
                                 bool stdoutIsTerminal)
    : program_(KYV_LAUNCHER_PATH, launcherOptions(args, environment, workDir, stdoutIsTerminal))
{
}

LauncherResult LauncherProcess::finish(std::chrono::seconds guard)
{
    const kyv::test::ProgramResult run = program_.finish(guard);
    LauncherResult result;
    result.exitStatus = run.exitStatus;
    result.terminatingSignal = run.signal;
    result.output = run.out;
    if (run.killedByGuard)
        result.output += "\n[test guard: launcher killed]\n";
    return result;
}

LauncherResult runLauncher(const std::vector<std::string>& args, const std::map<std::string, std::string>& environment,
                           const std::string& workDir)
{
    LauncherProcess launcher(args, environment, workDir);
    return launcher.finish();
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string waitForFile(const std::string& path, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() >= end)
            return {};
        std::this_thread::sleep_for(std::chrono::milliseconds{5});
    }
    return readFile(path);
}

bool processGone(pid_t pid)
{
    if (kill(pid, 0) != 0)
        return errno == ESRCH;
    // Still there: a zombie whose parent has not collected it yet counts as not gone.
    return false;
}

} // namespace kyv::launcher::test
