#pragma once
// One started KyvFlash process: started with an argument vector (never through a shell),
// given a pipe through KYVFLASH_RESULT_FD for its exact result code, waited for with a
// time limit, stopped with SIGTERM and then SIGKILL, and always reaped.

#include "core/result_code.h"
#include "core/unique_fd.h"

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kyv::launcher {

class ChildProcess {
public:
    enum class WaitState { Ended, Running, Failed };
    enum class StopResult { Terminated, TerminateFailed };

    // Starts `path` with argv[0] = path and the given arguments. On failure returns
    // nullopt and sets `error` to the errno of what failed (the exec itself included).
    static std::optional<ChildProcess> start(const std::string& path, const std::vector<std::string>& args,
                                             int& error);

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // A child still running here is killed and reaped: no zombie, no orphan.
    ~ChildProcess();

    pid_t pid() const { return pid_; }

    // Waits at most `limit` (real time) for the child to end and reaps it when it has.
    // A signal to the launcher ends the wait early with Running. Failed sets errno.
    WaitState waitFor(std::chrono::nanoseconds limit);
    bool ended() const { return reaped_; }
    // Wait status of the ended child (for WIFEXITED / WIFSIGNALED).
    int waitStatus() const { return waitStatus_; }
    // The code the ended child wrote to its result pipe, if it wrote a valid one.
    std::optional<ResultCode> reportedCode() const { return reportedCode_; }
    // What ended the child, in words, for when it reported no code.
    std::string endDescription() const;

    // SIGTERM, up to `grace` for the child to end, then SIGKILL and up to `killWait`.
    // Terminated when the child has ended and been reaped; on TerminateFailed, `error`
    // holds the errno.
    StopResult stop(std::chrono::nanoseconds grace, std::chrono::nanoseconds killWait, int& error);

private:
    ChildProcess(pid_t pid, UniqueFd pidFd, UniqueFd resultRead);
    enum class Reap { Ended, Running, Error };
    Reap reapIfEnded();
    void readReportedCode();

    pid_t pid_ = -1;
    UniqueFd pidFd_;      // readable once the child has ended (empty where unsupported)
    UniqueFd resultRead_; // read end of the KYVFLASH_RESULT_FD pipe
    bool reaped_ = false;
    int waitStatus_ = 0;
    std::optional<ResultCode> reportedCode_;
};

} // namespace kyv::launcher
