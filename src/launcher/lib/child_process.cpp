#include "launcher/lib/child_process.h"

#include "core/exit_status.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <string_view>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace kyv::launcher {
namespace {

using std::chrono::steady_clock;

int pollMilliseconds(std::chrono::nanoseconds limit)
{
    if (limit.count() <= 0)
        return 0;
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(limit).count();
    return ms > 0x7fffffff ? 0x7fffffff : static_cast<int>(ms);
}

// Sleeps up to `limit`; false when a signal cut the sleep short.
bool sleepReal(std::chrono::nanoseconds limit)
{
    timespec request{static_cast<time_t>(limit.count() / 1'000'000'000),
                     static_cast<long>(limit.count() % 1'000'000'000)};
    return ::nanosleep(&request, nullptr) == 0;
}

int openPidFd(pid_t pid)
{
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

struct ArgumentVector {
    std::vector<std::string> strings;
    std::vector<char*> pointers;

    void finish()
    {
        for (std::string& s : strings)
            pointers.push_back(s.data());
        pointers.push_back(nullptr);
    }
};

} // namespace

std::optional<ChildProcess> ChildProcess::start(const std::string& path, const std::vector<std::string>& args,
                                                int& error)
{
    int resultFds[2];
    int execFds[2];
    if (::pipe2(resultFds, O_CLOEXEC) != 0) {
        error = errno;
        return std::nullopt;
    }
    UniqueFd resultRead(resultFds[0]);
    UniqueFd resultWrite(resultFds[1]);
    if (::pipe2(execFds, O_CLOEXEC) != 0) {
        error = errno;
        return std::nullopt;
    }
    UniqueFd execErrorRead(execFds[0]);
    UniqueFd execErrorWrite(execFds[1]);

    // Everything the child needs is built before the fork: after it, only calls that are
    // safe in a forked child are made.
    ArgumentVector argv;
    argv.strings.push_back(path);
    argv.strings.insert(argv.strings.end(), args.begin(), args.end());
    argv.finish();

    const std::string resultVariablePrefix = std::string(kResultFdVariable) + "=";
    ArgumentVector envp;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        if (!std::string_view(*entry).starts_with(resultVariablePrefix))
            envp.strings.emplace_back(*entry);
    }
    envp.strings.push_back(resultVariablePrefix + std::to_string(resultWrite.get()));
    envp.finish();

    const pid_t launcher = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        error = errno;
        return std::nullopt;
    }
    if (pid == 0) {
        // If the launcher dies, KyvFlash is told to stop rather than left running alone.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != launcher)
            ::_exit(127);
        // The result pipe's write end is the one descriptor KyvFlash inherits on purpose.
        ::fcntl(resultWrite.get(), F_SETFD, 0);
        ::execve(path.c_str(), argv.pointers.data(), envp.pointers.data());
        int execError = errno;
        ssize_t ignored = ::write(execErrorWrite.get(), &execError, sizeof execError);
        (void)ignored;
        ::_exit(127);
    }

    resultWrite.reset();
    execErrorWrite.reset();
    int execError = 0;
    ssize_t n;
    do {
        n = ::read(execErrorRead.get(), &execError, sizeof execError);
    } while (n < 0 && errno == EINTR);
    if (n != 0) {
        // The exec failed (or its report could not be read): the child has already exited.
        error = n == static_cast<ssize_t>(sizeof execError) ? execError : EIO;
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        return std::nullopt;
    }
    ::fcntl(resultRead.get(), F_SETFL, O_NONBLOCK);
    return ChildProcess(pid, UniqueFd(openPidFd(pid)), std::move(resultRead));
}

ChildProcess::ChildProcess(pid_t pid, UniqueFd pidFd, UniqueFd resultRead)
    : pid_(pid), pidFd_(std::move(pidFd)), resultRead_(std::move(resultRead))
{
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      pidFd_(std::move(other.pidFd_)),
      resultRead_(std::move(other.resultRead_)),
      reaped_(std::exchange(other.reaped_, true)),
      waitStatus_(other.waitStatus_),
      reportedCode_(other.reportedCode_)
{
}

ChildProcess::~ChildProcess()
{
    if (pid_ <= 0 || reaped_)
        return;
    int error = 0;
    stop(std::chrono::nanoseconds{0}, std::chrono::seconds{5}, error);
}

ChildProcess::Reap ChildProcess::reapIfEnded()
{
    if (reaped_)
        return Reap::Ended;
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(pid_, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result < 0)
        return Reap::Error;
    if (result == 0)
        return Reap::Running;
    reaped_ = true;
    waitStatus_ = status;
    pidFd_.reset();
    readReportedCode();
    return Reap::Ended;
}

void ChildProcess::readReportedCode()
{
    // KyvFlash writes its code just before it exits, so it is in the pipe by now. A process
    // KyvFlash left behind may still hold the write end: read what is there, never wait.
    std::string text;
    char buffer[64];
    while (text.size() < 64) {
        ssize_t n = ::read(resultRead_.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
    }
    resultRead_.reset();
    reportedCode_ = parseReportedResult(text);
}

ChildProcess::WaitState ChildProcess::waitFor(std::chrono::nanoseconds limit)
{
    auto asWaitState = [](Reap reap) {
        return reap == Reap::Ended ? WaitState::Ended : reap == Reap::Running ? WaitState::Running : WaitState::Failed;
    };
    Reap reap = reapIfEnded();
    if (reap != Reap::Running)
        return asWaitState(reap);

    if (pidFd_.valid()) {
        pollfd wait{pidFd_.get(), POLLIN, 0};
        int ready = ::poll(&wait, 1, pollMilliseconds(limit));
        if (ready < 0)
            return errno == EINTR ? WaitState::Running : WaitState::Failed;
        return asWaitState(reapIfEnded());
    }
    // Kernels without pidfd: look again every 20 ms until the limit.
    const auto end = steady_clock::now() + limit;
    for (;;) {
        auto left = end - steady_clock::now();
        if (left <= std::chrono::nanoseconds{0})
            return WaitState::Running;
        if (!sleepReal(std::min<std::chrono::nanoseconds>(left, std::chrono::milliseconds{20})))
            return WaitState::Running;
        reap = reapIfEnded();
        if (reap != Reap::Running)
            return asWaitState(reap);
    }
}

ChildProcess::StopResult ChildProcess::stop(std::chrono::nanoseconds grace, std::chrono::nanoseconds killWait,
                                            int& error)
{
    auto waitUntilEnded = [this](std::chrono::nanoseconds limit) {
        const auto end = steady_clock::now() + limit;
        for (;;) {
            WaitState state = waitFor(std::max<std::chrono::nanoseconds>(end - steady_clock::now(), {}));
            if (state != WaitState::Running)
                return state == WaitState::Ended;
            if (steady_clock::now() >= end)
                return false;
        }
    };
    if (reaped_)
        return StopResult::Terminated;
    if (grace.count() > 0) {
        ::kill(pid_, SIGTERM);
        if (waitUntilEnded(grace))
            return StopResult::Terminated;
    }
    if (::kill(pid_, SIGKILL) != 0)
        error = errno;
    if (waitUntilEnded(killWait))
        return StopResult::Terminated;
    if (error == 0)
        error = ETIMEDOUT;
    return StopResult::TerminateFailed;
}

std::string ChildProcess::endDescription() const
{
    if (WIFSIGNALED(waitStatus_)) {
        int signal = WTERMSIG(waitStatus_);
        const char* name = ::strsignal(signal);
        return "was killed by signal " + std::to_string(signal) + (name != nullptr ? std::string(" (") + name + ")" : "");
    }
    if (WIFEXITED(waitStatus_))
        return "ended with exit status " + std::to_string(WEXITSTATUS(waitStatus_));
    return "ended";
}

} // namespace kyv::launcher
