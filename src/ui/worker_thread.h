#pragma once
// The one thread a job runs on. Never detached: it is joined once the procedure has
// returned, and the destructor joins whatever still runs, so no worker outlives the
// dialog that started it.

#include <atomic>
#include <functional>
#include <thread>

namespace kyv {

class WorkerThread {
public:
    WorkerThread() = default;
    ~WorkerThread() { join(); }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts the procedure; false (nothing started) while a previous one has not been joined.
    bool start(std::function<void()> procedure)
    {
        if (thread_.joinable())
            return false;
        finished_ = false;
        thread_ = std::thread([this, procedure = std::move(procedure)] {
            procedure();
            finished_ = true;
        });
        return true;
    }
    // A thread was started and has not been joined yet.
    bool active() const { return thread_.joinable(); }
    // The procedure has returned (the thread may still be on its way out).
    bool finished() const { return finished_; }
    // Joins the thread when the procedure has returned; true when no thread is left.
    bool joinIfFinished()
    {
        if (thread_.joinable() && finished_)
            thread_.join();
        return !thread_.joinable();
    }
    void join()
    {
        if (thread_.joinable())
            thread_.join();
    }

private:
    std::thread thread_;
    std::atomic<bool> finished_{false};
};

} // namespace kyv
