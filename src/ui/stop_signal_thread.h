#pragma once
// SIGTERM and SIGINT (the launcher's fail-safe stop, Ctrl+C) end a run cleanly: a thread
// waits for them with sigwait, asks every wait of the worker to end (requestStop) and
// tells the program through a callback. Construct it before any other thread starts, so
// that every thread inherits the blocked signals and only this one receives them.

#include <atomic>
#include <csignal>
#include <functional>
#include <pthread.h>
#include <thread>

namespace kyv {

class StopSignalThread {
public:
    // onStop runs on the signal thread after requestStop(), once per signal.
    explicit StopSignalThread(std::function<void(int signal)> onStop);
    ~StopSignalThread(); // ends the thread and restores the signal mask
    StopSignalThread(const StopSignalThread&) = delete;
    StopSignalThread& operator=(const StopSignalThread&) = delete;

private:
    void run();

    std::function<void(int)> onStop_;
    sigset_t previousMask_{};
    std::atomic<bool> quitting_{false};
    std::thread thread_;
};

} // namespace kyv
