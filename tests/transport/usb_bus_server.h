#pragma once
// A small server of the simulated USB bus for the host's tests: a few devices with fixed
// identities, the requests of the bus one JSON line at a time, a thread per connection.
// Tests script it: queue input reports, set feature answers, unplug a device, or make it
// misbehave (answer garbage, hang up, keep silent).

#include "transport/usb/bus_json.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kyv::test {

class BusServer {
public:
    enum class Fault { None, Garbage, HangUp, Silent };

    struct Device {
        std::string path;
        bool printer = false;
        int vid = 0x0404;
        int pid = 0x36B;
        std::string port = "1-2";
        std::vector<uint8_t> descriptor;
        std::map<uint8_t, std::vector<uint8_t>> features; // answers by report ID
        bool gone = false;
    };

    explicit BusServer(std::string socketPath) : path_(std::move(socketPath))
    {
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
        ::unlink(path_.c_str());
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 8);
        acceptor_ = std::thread([this] { acceptLoop(); });
    }
    ~BusServer()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        ::shutdown(listener_, SHUT_RDWR);
        acceptor_.join();
        for (int fd : clients_)
            ::shutdown(fd, SHUT_RDWR);
        for (std::thread& t : workers_)
            t.join();
        for (int fd : clients_)
            ::close(fd);
        ::close(listener_);
        ::unlink(path_.c_str());
    }

    void add(Device device)
    {
        std::lock_guard lock(mutex_);
        devices_.push_back(std::move(device));
    }
    void queueInput(const std::string& path, std::vector<uint8_t> report)
    {
        std::lock_guard lock(mutex_);
        for (auto& [handle, open] : handles_)
            if (open.path == path)
                open.input.push_back(report);
        changed_.notify_all();
    }
    void unplug(const std::string& path)
    {
        std::lock_guard lock(mutex_);
        for (Device& d : devices_)
            if (d.path == path)
                d.gone = true;
        changed_.notify_all();
    }
    void setFault(Fault fault)
    {
        std::lock_guard lock(mutex_);
        fault_ = fault;
    }
    // Extra raw entry for the next lists (to test entries the host cannot read).
    void addRawListEntry(std::string json)
    {
        std::lock_guard lock(mutex_);
        rawEntries_.push_back(std::move(json));
    }
    std::vector<std::string> requests()
    {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    int connections() const { return connections_; }

private:
    struct OpenHandle {
        std::string path;
        std::deque<std::vector<uint8_t>> input;
    };

    void acceptLoop()
    {
        for (;;) {
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                return;
            std::lock_guard lock(mutex_);
            if (stopping_) {
                ::close(fd);
                return;
            }
            ++connections_;
            clients_.push_back(fd);
            workers_.emplace_back([this, fd] { serve(fd); });
        }
    }

    void serve(int fd)
    {
        std::string buffer;
        char chunk[4096];
        for (;;) {
            const size_t end = buffer.find('\n');
            if (end == std::string::npos) {
                const ssize_t n = ::read(fd, chunk, sizeof chunk);
                if (n <= 0)
                    return;
                buffer.append(chunk, static_cast<size_t>(n));
                continue;
            }
            const std::string line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            Fault fault;
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(line);
                fault = fault_;
            }
            if (fault == Fault::HangUp) {
                ::shutdown(fd, SHUT_RDWR);
                return;
            }
            if (fault == Fault::Silent)
                continue;
            const std::string answer = fault == Fault::Garbage ? std::string("{\"ok\":tru") : handle(line);
            const std::string out = answer + "\n";
            if (::send(fd, out.data(), out.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(out.size()))
                return;
        }
    }

    static std::string error(const char* name) { return std::string("{\"ok\":false,\"error\":\"") + name + "\"}"; }

    Device* find(const std::string& path)
    {
        for (Device& d : devices_)
            if (d.path == path)
                return &d;
        return nullptr;
    }

    std::string handle(const std::string& line)
    {
        std::unique_lock lock(mutex_);
        const auto request = parseJson(line);
        if (!request)
            return error("EINVAL");
        const std::string op = request->textMember("op") ? *request->textMember("op") : "";
        if (op == "list") {
            std::string out = "{\"ok\":true,\"devices\":[";
            bool first = true;
            for (const Device& d : devices_) {
                if (d.gone)
                    continue;
                out += first ? "" : ",";
                first = false;
                out += "{\"path\":" + jsonQuote(d.path) + ",\"class\":\"" + (d.printer ? "printer" : "hid") +
                       "\",\"vid\":" + std::to_string(d.vid) + ",\"pid\":" + std::to_string(d.pid) +
                       ",\"manufacturer\":\"Kyv\",\"product\":\"Printer\",\"serial\":\"S1\",\"port\":" +
                       jsonQuote(d.port);
                if (!d.printer)
                    out += ",\"descriptor\":\"" + toHex(d.descriptor) + "\"";
                out += "}";
            }
            for (const std::string& raw : rawEntries_)
                out += (first ? "" : ",") + raw, first = false;
            return out + "]}";
        }
        if (op == "open") {
            const std::string* path = request->textMember("path");
            Device* d = path ? find(*path) : nullptr;
            if (!d || d->gone)
                return error("ENOENT");
            if (d->printer)
                for (const auto& [h, open] : handles_)
                    if (open.path == d->path)
                        return error("EBUSY");
            const int64_t id = nextHandle_++;
            handles_[id] = OpenHandle{d->path, {}};
            return "{\"ok\":true,\"handle\":" + std::to_string(id) + "}";
        }
        const auto id = request->integerMember("handle");
        auto it = id ? handles_.find(*id) : handles_.end();
        if (it == handles_.end())
            return error("EINVAL");
        Device* d = find(it->second.path);
        if (op == "close") {
            handles_.erase(it);
            return "{\"ok\":true}";
        }
        if (!d || d->gone)
            return error("ENODEV");
        std::vector<uint8_t> data;
        const std::string* hex = request->textMember("data");
        if (hex && !fromHex(*hex, data))
            return error("EINVAL");
        if (op == "info")
            return "{\"ok\":true,\"vid\":" + std::to_string(d->vid) + ",\"pid\":" + std::to_string(d->pid) + "}";
        if (op == "write")
            return "{\"ok\":true,\"count\":" + std::to_string(data.size()) + "}";
        if (op == "get_feature" || op == "set_feature") {
            if (d->printer)
                return error("EINVAL");
            if (data.empty() || !d->features.count(data[0]))
                return error("EIO");
            if (op == "set_feature")
                return "{\"ok\":true}";
            std::vector<uint8_t> answer = d->features[data[0]];
            answer.resize(data.size());
            return "{\"ok\":true,\"data\":\"" + toHex(answer) + "\"}";
        }
        if (op == "read") {
            const auto length = request->integerMember("length");
            const auto timeout = request->integerMember("timeout_ms");
            const int64_t handleId = *id;
            changed_.wait_for(lock, std::chrono::milliseconds(timeout ? *timeout : 0), [&] {
                Device* now = find(handles_[handleId].path);
                return stopping_ || !now || now->gone || !handles_[handleId].input.empty();
            });
            Device* now = find(handles_[handleId].path);
            if (!now || now->gone)
                return error("ENODEV");
            OpenHandle& open = handles_[handleId];
            std::vector<uint8_t> report;
            if (!open.input.empty()) {
                report = open.input.front();
                open.input.pop_front();
            }
            if (length && report.size() > static_cast<size_t>(*length))
                report.resize(static_cast<size_t>(*length));
            return "{\"ok\":true,\"data\":\"" + toHex(report) + "\"}";
        }
        return error("EINVAL");
    }

    std::string path_;
    int listener_ = -1;
    std::thread acceptor_;
    std::vector<std::thread> workers_;
    std::vector<int> clients_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Device> devices_;
    std::map<int64_t, OpenHandle> handles_;
    std::vector<std::string> rawEntries_;
    std::vector<std::string> requests_;
    Fault fault_ = Fault::None;
    int64_t nextHandle_ = 1;
    std::atomic<int> connections_{0};
    bool stopping_ = false;
};

} // namespace kyv::test
