#pragma once
// Stops a simulated printer at a chosen moment of a flash. Hooked into the printer's serving
// thread (called after each piece the host wrote), it asks its probe whether the moment has
// come; from then on it holds the printer, which takes nothing more until release(), or lets
// it crawl, taking one piece per step, for a host that gives up on a printer that is silent
// for long.

#include "core/clock.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace kyv::test {

class CutGate {
public:
    enum class Mode { Hold, Crawl };
    // One piece per this much time once crawling: well within any wait of the host.
    static constexpr ProtocolMs kCrawlStep{5000};

    // Watches for the moment from the next piece on. The probe runs on the printer's thread.
    void arm(std::function<bool()> probe, Mode mode)
    {
        std::lock_guard lock(mutex_);
        probe_ = std::move(probe);
        mode_ = mode;
        reached_ = false;
        released_ = false;
    }

    // The printer's hook.
    void afterHostWrite()
    {
        std::unique_lock lock(mutex_);
        if (!probe_ || released_)
            return;
        if (!reached_) {
            if (!probe_())
                return;
            reached_ = true;
            changed_.notify_all();
        }
        if (mode_ == Mode::Hold) {
            changed_.wait(lock, [&] { return released_; });
            return;
        }
        lock.unlock();
        sleepFor(kCrawlStep);
    }

    // True once the printer has reached the moment (within `limit`, real time).
    bool waitReached(std::chrono::milliseconds limit)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return reached_; });
    }

    // Lets the printer go on as usual; the gate watches no more until armed again.
    void release()
    {
        std::lock_guard lock(mutex_);
        released_ = true;
        probe_ = nullptr;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<bool()> probe_;
    Mode mode_ = Mode::Hold;
    bool reached_ = false;
    bool released_ = false;
};

} // namespace kyv::test
