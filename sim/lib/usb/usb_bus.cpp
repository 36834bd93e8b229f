#include "sim/lib/usb/usb_bus.h"

#include "sim/lib/usb/bus_request.h"

#include <algorithm>

namespace kyv::sim {
namespace {

// A read may ask for at most this much and wait at most this long: far beyond what a host
// needs, and it keeps one request from holding the server's memory or a connection forever.
constexpr long long kLongestRead = 1 << 20;
constexpr long long kLongestWaitMs = 24LL * 3600 * 1000;

std::string ok(const std::string& members = {}) { return "{\"ok\":true" + members + "}"; }
std::string failed(BusError error) { return std::string("{\"ok\":false,\"error\":\"") + busErrorName(error) + "\"}"; }
std::string dataAnswer(const Bytes& data) { return ok(",\"data\":\"" + busHex(data) + "\""); }

} // namespace

const char* busErrorName(BusError error)
{
    switch (error) {
    case BusError::None: return "OK";
    case BusError::NoEntry: return "ENOENT";
    case BusError::Gone: return "ENODEV";
    case BusError::Busy: return "EBUSY";
    case BusError::Invalid: return "EINVAL";
    case BusError::Io: return "EIO";
    }
    return "EIO";
}

int UsbBus::add(BusDeviceInfo info)
{
    int number = nextDevice_++;
    std::string path = std::string(info.hid ? "sim:hid:" : "sim:printer:") + std::to_string(number);
    table_[number] = Device{std::move(info), std::move(path), true};
    return number;
}

void UsbBus::remove(int device)
{
    auto found = table_.find(device);
    if (found != table_.end())
        found->second.present = false;
}

bool UsbBus::present(int device) const
{
    auto found = table_.find(device);
    return found != table_.end() && found->second.present;
}

std::string UsbBus::path(int device) const
{
    auto found = table_.find(device);
    return found == table_.end() ? std::string() : found->second.path;
}

void UsbBus::deliverInput(int device, const Bytes& report)
{
    for (auto& [id, handle] : handles_)
        if (handle.device == device)
            handle.reports.push_back(report);
}

void UsbBus::deliverBytes(int device, const Bytes& bytes)
{
    for (auto& [id, handle] : handles_)
        if (handle.device == device)
            handle.bytes.insert(handle.bytes.end(), bytes.begin(), bytes.end());
}

std::string UsbBus::listAnswer() const
{
    std::string list;
    for (const auto& [number, device] : table_) {
        if (!device.present)
            continue;
        const BusDeviceInfo& i = device.info;
        if (!list.empty())
            list += ",";
        list += "{\"path\":" + jsonText(device.path) + ",\"class\":\"" + (i.hid ? "hid" : "printer") +
                "\",\"vid\":" + std::to_string(i.vendorId) + ",\"pid\":" + std::to_string(i.productId) +
                ",\"manufacturer\":" + jsonText(i.manufacturer) + ",\"product\":" + jsonText(i.product) +
                ",\"serial\":" + jsonText(i.serial) + ",\"port\":" + jsonText(i.port);
        if (i.hid)
            list += ",\"descriptor\":\"" + busHex(i.descriptor) + "\"";
        list += "}";
    }
    return ok(",\"devices\":[" + list + "]");
}

std::string UsbBus::openAnswer(int connection, const std::string& path)
{
    for (const auto& [number, device] : table_) {
        if (device.path != path)
            continue;
        if (!device.present)
            return failed(BusError::NoEntry);
        if (!device.info.hid)
            for (const auto& [id, handle] : handles_)
                if (handle.device == number)
                    return failed(BusError::Busy);
        long long id = nextHandle_++;
        handles_[id] = Handle{number, connection, {}, {}};
        return ok(",\"handle\":" + std::to_string(id));
    }
    return failed(BusError::NoEntry);
}

std::optional<std::string> UsbBus::answer(int connection, std::string_view line, Clock::time_point now)
{
    BusRequest request;
    if (!request.parse(line))
        return failed(BusError::Invalid);
    const std::string* op = request.text("op");
    if (op == nullptr)
        return failed(BusError::Invalid);
    if (*op == "list")
        return listAnswer();
    if (*op == "open") {
        const std::string* path = request.text("path");
        return path ? openAnswer(connection, *path) : failed(BusError::Invalid);
    }
    std::optional<long long> id = request.number("handle");
    auto found = id ? handles_.find(*id) : handles_.end();
    if (found == handles_.end())
        return failed(BusError::Invalid);
    return handleAnswer(connection, *op, *id, found->second, request, now);
}

std::optional<std::string> UsbBus::handleAnswer(int connection, const std::string& op, long long id, Handle& handle,
                                                const BusRequest& request, Clock::time_point now)
{
    const int device = handle.device;
    const bool gone = !present(device);
    if (op == "close") {
        handles_.erase(id);
        return ok();
    }
    if (gone)
        return failed(BusError::Gone);
    const bool hid = table_.at(device).info.hid;
    if (op == "info") {
        const BusDeviceInfo& info = table_.at(device).info;
        return ok(",\"vid\":" + std::to_string(info.vendorId) + ",\"pid\":" + std::to_string(info.productId));
    }
    if (op == "write") {
        std::optional<Bytes> data = request.bytes("data");
        if (!data || (hid && data->empty()))
            return failed(BusError::Invalid);
        BusError error = devices_.write(device, *data);
        // The write may have made the printer leave the bus; the bytes went in all the same.
        if (error != BusError::None)
            return failed(error);
        return ok(",\"count\":" + std::to_string(data->size()));
    }
    if (op == "get_feature" || op == "set_feature") {
        std::optional<Bytes> data = request.bytes("data");
        if (!hid || !data || data->empty())
            return failed(BusError::Invalid);
        if (op == "set_feature")
            return devices_.setFeature(device, *data) ? ok() : failed(BusError::Io);
        std::optional<Bytes> report = devices_.feature(device, (*data)[0]);
        if (!report)
            return failed(BusError::Io);
        report->resize(data->size(), 0);
        return dataAnswer(*report);
    }
    if (op == "read") {
        std::optional<long long> length = request.number("length");
        std::optional<long long> timeout = request.number("timeout_ms");
        if (!length || !timeout || *length < 0 || *length > kLongestRead || *timeout < 0 || *timeout > kLongestWaitMs)
            return failed(BusError::Invalid);
        if (std::optional<std::string> got = takeRead(handle, static_cast<size_t>(*length)))
            return got;
        if (*timeout == 0)
            return dataAnswer({});
        waiting_[connection] = WaitingRead{id, static_cast<size_t>(*length), now + std::chrono::milliseconds(*timeout)};
        return std::nullopt;
    }
    return failed(BusError::Invalid);
}

std::optional<std::string> UsbBus::takeRead(Handle& handle, size_t length)
{
    if (table_.at(handle.device).info.hid) {
        if (handle.reports.empty())
            return std::nullopt;
        Bytes report = std::move(handle.reports.front());
        handle.reports.pop_front();
        if (report.size() > length)
            report.resize(length);
        return dataAnswer(report);
    }
    if (handle.bytes.empty() || length == 0)
        return std::nullopt;
    size_t count = std::min(length, handle.bytes.size());
    Bytes taken(handle.bytes.begin(), handle.bytes.begin() + static_cast<std::ptrdiff_t>(count));
    handle.bytes.erase(handle.bytes.begin(), handle.bytes.begin() + static_cast<std::ptrdiff_t>(count));
    return dataAnswer(taken);
}

std::vector<std::pair<int, std::string>> UsbBus::finishedReads(Clock::time_point now)
{
    std::vector<std::pair<int, std::string>> done;
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        auto handle = handles_.find(it->second.handle);
        std::optional<std::string> answer;
        if (handle == handles_.end() || !present(handle->second.device))
            answer = failed(BusError::Gone);
        else if (std::optional<std::string> got = takeRead(handle->second, it->second.length))
            answer = std::move(got);
        else if (now >= it->second.end)
            answer = dataAnswer({});
        if (answer) {
            done.emplace_back(it->first, std::move(*answer));
            it = waiting_.erase(it);
        } else {
            ++it;
        }
    }
    return done;
}

int UsbBus::pollTimeoutMs(Clock::time_point now) const
{
    int nearest = -1;
    for (const auto& [connection, read] : waiting_) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(read.end - now).count();
        int ms = static_cast<int>(std::clamp<long long>(left, 0, 1000000));
        if (nearest < 0 || ms < nearest)
            nearest = ms;
    }
    return nearest;
}

void UsbBus::dropConnection(int connection)
{
    waiting_.erase(connection);
    for (auto it = handles_.begin(); it != handles_.end();)
        it = it->second.connection == connection ? handles_.erase(it) : std::next(it);
}

} // namespace kyv::sim
