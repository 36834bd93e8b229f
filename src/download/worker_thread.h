#pragma once
// The one thread a job runs on. Never detached: it is joined once the procedure has
// returned, and the destructor joins whatever still runs, so no worker outlives whoever
// started it. What the procedure hands back with its end is kept until it is taken after
// the join.

#include "core/job_end.h"

#include <atomic>
#include <functional>
#include <optional>
#include <thread>
#include <utility>

namespace kyv {

class WorkerThread {
public:
    WorkerThread() = default;
    ~WorkerThread() { join(); }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts the procedure; false (nothing started) while a previous one has not been joined.
    bool start(std::function<JobEnd()> procedure)
    {
        if (thread_.joinable())
            return false;
        finished_ = false;
        end_.reset();
        thread_ = std::thread([this, procedure = std::move(procedure)] {
            end_ = procedure();
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
    // What the last procedure handed back, once its thread has been joined; taken once.
    std::optional<JobEnd> takeEnd()
    {
        if (thread_.joinable())
            return std::nullopt;
        return std::exchange(end_, std::nullopt);
    }

private:
    std::thread thread_;
    std::atomic<bool> finished_{false};
    std::optional<JobEnd> end_; // written by the worker before finished_, read after the join
};

} // namespace kyv
