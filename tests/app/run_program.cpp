#include "run_program.h"

#include "transport/unique_fd.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string_view>

namespace kyv::test {
namespace {

struct Pipe {
    UniqueFd read, write;
    Pipe()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) == 0) {
            read.reset(fds[0]);
            write.reset(fds[1]);
        }
    }
};

// Reads all three pipes together until every writer has closed, so none can fill up.
bool drain(std::array<int, 3> fds, std::array<std::string*, 3> into)
{
    std::array<pollfd, 3> polls{};
    for (size_t i = 0; i < 3; ++i)
        polls[i] = {fds[i], POLLIN, 0};
    int open = 3;
    while (open > 0) {
        if (::poll(polls.data(), polls.size(), 20000) <= 0)
            return false;
        for (size_t i = 0; i < 3; ++i) {
            if (polls[i].fd < 0 || polls[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(polls[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                into[i]->append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                polls[i].fd = -1;
                --open;
            }
        }
    }
    return true;
}

} // namespace

ProgramRun runProgram(const std::string& path, const std::vector<std::string>& args, const std::string& dir)
{
    ProgramRun run;
    Pipe out, err, result;
    // Everything the child needs is made before fork: it only calls async-signal-safe functions.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::string resultVariable = "KYVFLASH_RESULT_FD=3";
    std::vector<char*> envp;
    for (char** e = environ; *e != nullptr; ++e)
        if (std::string_view(*e).substr(0, 19) != "KYVFLASH_RESULT_FD=")
            envp.push_back(*e);
    envp.push_back(resultVariable.data());
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out.write.get(), 1);
        ::dup2(err.write.get(), 2);
        ::dup2(result.write.get(), 3); // dup2 clears close-on-exec on the copy
        if (::chdir(dir.c_str()) != 0)
            ::_exit(126);
        ::execve(path.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    out.write.reset();
    err.write.reset();
    result.write.reset();
    if (pid < 0)
        return run;
    if (!drain({out.read.get(), err.read.get(), result.read.get()}, {&run.out, &run.err, &run.resultFd}))
        ::kill(pid, SIGKILL); // hung: end it, and the test fails on its status
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace kyv::test
