#pragma once
// The far end of a pseudo-terminal for tests of a single command or line operation: it
// records every byte the host writes and answers scripted replies. The host opens
// slavePath() as its serial line.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kyv::test {

using Bytes = std::vector<uint8_t>;

class PtyPeer {
public:
    PtyPeer()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            return;
        char name[128] = {};
        if (::ptsname_r(master_, name, sizeof name) == 0)
            slavePath_ = name;
        // Raw from the start, so nothing the peer sends is echoed or translated before
        // the host has opened the line.
        termios tio{};
        ::tcgetattr(master_, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(master_, TCSANOW, &tio);
    }
    ~PtyPeer()
    {
        stop();
        if (master_ >= 0)
            ::close(master_);
    }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    bool valid() const { return master_ >= 0 && !slavePath_.empty(); }
    const std::string& slavePath() const { return slavePath_; }
    int masterFd() const { return master_; }

    // When the bytes received since the last answer end with trigger, send answer.
    void answer(Bytes trigger, Bytes reply)
    {
        std::lock_guard lock(mutex_);
        rules_.push_back({std::move(trigger), std::move(reply)});
    }

    void start()
    {
        running_ = true;
        thread_ = std::thread([this] { serve(); });
    }
    void stop()
    {
        running_ = false;
        if (thread_.joinable())
            thread_.join();
    }
    // Closes the master: the host sees its line drop.
    void hangUp()
    {
        stop();
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

    void send(const Bytes& bytes) { (void)!::write(master_, bytes.data(), bytes.size()); }

    Bytes received() const
    {
        std::lock_guard lock(mutex_);
        return received_;
    }

private:
    struct Rule {
        Bytes trigger;
        Bytes reply;
    };

    void serve()
    {
        Bytes pending;
        while (running_) {
            pollfd entry{master_, POLLIN, 0};
            int rc = ::poll(&entry, 1, 10);
            if (rc <= 0 || !(entry.revents & POLLIN)) {
                if (rc > 0) // no slave open yet (POLLHUP): look again shortly
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            uint8_t buffer[4096];
            ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0)
                continue;
            std::lock_guard lock(mutex_);
            for (ssize_t i = 0; i < n; ++i) {
                received_.push_back(buffer[i]);
                pending.push_back(buffer[i]);
                for (const Rule& rule : rules_) {
                    if (pending.size() >= rule.trigger.size() &&
                        std::equal(rule.trigger.begin(), rule.trigger.end(),
                                   pending.end() - static_cast<std::ptrdiff_t>(rule.trigger.size()))) {
                        send(rule.reply);
                        pending.clear();
                        break;
                    }
                }
            }
        }
    }

    int master_ = -1;
    std::string slavePath_;
    std::atomic<bool> running_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<Rule> rules_;
    Bytes received_;
};

} // namespace kyv::test
