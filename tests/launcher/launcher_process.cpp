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

extern char** environ;

namespace kyv::launcher::test {
namespace {

std::vector<std::string> buildEnvironment(const std::map<std::string, std::string>& overrides)
{
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string text = *entry;
        size_t equals = text.find('=');
        if (equals != std::string::npos)
            variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    variables["KYVFLASH_TIME_SCALE"] = "0.01";
    for (const auto& [name, value] : overrides) {
        if (value.empty())
            variables.erase(name);
        else
            variables[name] = value;
    }
    std::vector<std::string> result;
    for (const auto& [name, value] : variables)
        result.push_back(name + "=" + value);
    return result;
}

std::vector<char*> pointersOf(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

LauncherProcess::LauncherProcess(const std::vector<std::string>& args,
                                 const std::map<std::string, std::string>& environment, const std::string& workDir,
                                 bool stdoutIsTerminal)
{
    std::vector<std::string> argStrings{KYV_LAUNCHER_PATH};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<std::string> envStrings = buildEnvironment(environment);
    std::vector<char*> argv = pointersOf(argStrings);
    std::vector<char*> envp = pointersOf(envStrings);

    int readFd = -1;
    int writeFd = -1;
    if (stdoutIsTerminal) {
        if (openpty(&readFd, &writeFd, nullptr, nullptr, nullptr) != 0)
            return;
    } else {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return;
        readFd = fds[0];
        writeFd = fds[1];
    }
    // Neither end may stay open in the launcher (or in KyvFlash after it) beyond the
    // standard streams it is given.
    fcntl(readFd, F_SETFD, FD_CLOEXEC);
    fcntl(writeFd, F_SETFD, FD_CLOEXEC);
    pid_ = fork();
    if (pid_ == 0) {
        int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
        dup2(devNull, STDIN_FILENO);
        dup2(writeFd, STDOUT_FILENO);
        dup2(writeFd, STDERR_FILENO);
        if (chdir(workDir.c_str()) != 0)
            _exit(126);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(writeFd);
    outputFd_ = readFd;
}

LauncherProcess::~LauncherProcess()
{
    if (!finished_ && pid_ > 0)
        finish(std::chrono::seconds{0});
    if (outputFd_ >= 0)
        close(outputFd_);
}

LauncherResult LauncherProcess::finish(std::chrono::seconds guard)
{
    LauncherResult result;
    finished_ = true;
    if (pid_ <= 0)
        return result;
    const auto end = std::chrono::steady_clock::now() + guard;
    char buffer[4096];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            kill(pid_, SIGKILL);
            result.output += "\n[test guard: launcher killed]\n";
            break;
        }
        pollfd wait{outputFd_, POLLIN, 0};
        if (poll(&wait, 1, static_cast<int>(left.count())) <= 0)
            continue;
        ssize_t n = read(outputFd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) // end of file, or EIO once a terminal's last writer has gone
            break;
        result.output.append(buffer, static_cast<size_t>(n));
    }
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
        result.exitStatus = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.terminatingSignal = WTERMSIG(status);
    }
    return result;
}

LauncherResult runLauncher(const std::vector<std::string>& args, const std::map<std::string, std::string>& environment,
                           const std::string& workDir)
{
    LauncherProcess launcher(args, environment, workDir);
    return launcher.finish();
}

TemporaryDirectory::TemporaryDirectory()
{
    std::string pattern = "/tmp/kyv-launcher-test-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr)
        path_ = pattern;
}

TemporaryDirectory::~TemporaryDirectory()
{
    std::error_code ignored;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ignored);
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
