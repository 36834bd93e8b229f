#include "transport/usb/sim_bus_backend.h"

#include "transport/usb/sim_bus_connection.h"

#include <algorithm>
#include <map>
#include <memory>

namespace kyv {
namespace {

std::atomic<uint64_t> nextBackendId{1};

// Each thread's connection to each bus backend.
std::shared_ptr<SimBusConnection> threadConnection(uint64_t backendId, const std::string& socketPath)
{
    thread_local std::map<uint64_t, std::shared_ptr<SimBusConnection>> connections;
    std::shared_ptr<SimBusConnection>& c = connections[backendId];
    if (!c || c->broken())
        c = std::make_shared<SimBusConnection>(socketPath);
    return c;
}

class SimBusHandle final : public UsbHandle {
public:
    SimBusHandle(std::shared_ptr<SimBusConnection> connection, int64_t id)
        : connection_(std::move(connection)), id_(id)
    {
    }
    ~SimBusHandle() override
    {
        if (!connection_->broken()) {
            JsonValue answer;
            connection_->request(start("close") + "}", ProtocolMs{0}, answer);
        }
    }

    bool gone() const override { return gone_; }

    UsbError info(uint16_t& vendorId, uint16_t& productId) override
    {
        JsonValue answer;
        const UsbError e = ask(start("info") + "}", ProtocolMs{0}, answer);
        if (e != UsbError::None)
            return e;
        const auto vid = answer.integerMember("vid");
        const auto pid = answer.integerMember("pid");
        if (!vid || !pid || *vid < 0 || *vid > 0xFFFF || *pid < 0 || *pid > 0xFFFF)
            return UsbError::Io;
        vendorId = static_cast<uint16_t>(*vid);
        productId = static_cast<uint16_t>(*pid);
        return UsbError::None;
    }

    UsbError write(std::span<const uint8_t> data, size_t& written) override
    {
        written = 0;
        if (data.empty())
            return gone_ ? UsbError::Gone : UsbError::Invalid;
        JsonValue answer;
        const UsbError e = ask(start("write") + ",\"data\":\"" + toHex(data) + "\"}", ProtocolMs{0}, answer);
        if (e != UsbError::None)
            return e;
        const auto count = answer.integerMember("count");
        if (!count || *count < 0)
            return UsbError::Io;
        written = std::min(static_cast<size_t>(*count), data.size());
        return written == data.size() ? UsbError::None : UsbError::Io;
    }

    UsbError getFeature(std::span<uint8_t> report) override
    {
        if (report.empty())
            return gone_ ? UsbError::Gone : UsbError::Invalid;
        JsonValue answer;
        const UsbError e = ask(start("get_feature") + ",\"data\":\"" + toHex(report) + "\"}", ProtocolMs{0}, answer);
        if (e != UsbError::None)
            return e;
        std::vector<uint8_t> data;
        const std::string* hex = answer.textMember("data");
        if (!hex || !fromHex(*hex, data))
            return UsbError::Io;
        // The answer has the request's length; a server that sends more or less is cut or
        // padded so nothing beyond the caller's buffer is touched.
        std::fill(report.begin(), report.end(), 0);
        std::copy_n(data.begin(), std::min(data.size(), report.size()), report.begin());
        return UsbError::None;
    }

    UsbError setFeature(std::span<const uint8_t> report) override
    {
        if (report.empty())
            return gone_ ? UsbError::Gone : UsbError::Invalid;
        JsonValue answer;
        return ask(start("set_feature") + ",\"data\":\"" + toHex(report) + "\"}", ProtocolMs{0}, answer);
    }

    UsbError read(std::span<uint8_t> buffer, ProtocolMs timeout, size_t& got) override
    {
        got = 0;
        // The server waits the real time; the host's scale is applied here.
        const int realMs = timeout.count() <= 0 ? 0 : Deadline(timeout).remainingPollMs();
        JsonValue answer;
        const UsbError e = ask(start("read") + ",\"length\":" + std::to_string(buffer.size()) +
                                   ",\"timeout_ms\":" + std::to_string(realMs) + "}",
                               timeout, answer);
        if (e != UsbError::None)
            return e;
        std::vector<uint8_t> data;
        const std::string* hex = answer.textMember("data");
        if (!hex || !fromHex(*hex, data))
            return UsbError::Io;
        got = std::min(data.size(), buffer.size());
        std::copy_n(data.begin(), got, buffer.begin());
        return UsbError::None;
    }

private:
    std::string start(const char* op) const
    {
        return std::string("{\"op\":\"") + op + "\",\"handle\":" + std::to_string(id_);
    }

    // One request on the handle's connection. A device that left, or a bus that failed
    // under the handle, leaves the handle dead: later requests fail at once.
    UsbError ask(const std::string& json, ProtocolMs extraWait, JsonValue& answer)
    {
        if (gone_)
            return UsbError::Gone;
        const UsbError e = connection_->request(json, extraWait, answer);
        if (e == UsbError::Gone || connection_->broken())
            gone_ = true;
        return e;
    }

    std::shared_ptr<SimBusConnection> connection_;
    int64_t id_;
    bool gone_ = false;
};

bool readDevice(const JsonValue& entry, UsbDeviceInfo& info)
{
    const std::string* path = entry.textMember("path");
    const std::string* cls = entry.textMember("class");
    const auto vid = entry.integerMember("vid");
    const auto pid = entry.integerMember("pid");
    if (!path || path->empty() || !cls || !vid || !pid || *vid < 0 || *vid > 0xFFFF || *pid < 0 || *pid > 0xFFFF)
        return false;
    if (*cls == "hid")
        info.deviceClass = UsbDeviceClass::Hid;
    else if (*cls == "printer")
        info.deviceClass = UsbDeviceClass::Printer;
    else
        return false;
    info.path = *path;
    info.vendorId = static_cast<uint16_t>(*vid);
    info.productId = static_cast<uint16_t>(*pid);
    for (auto [key, field] : {std::pair{"manufacturer", &info.manufacturer}, std::pair{"product", &info.product},
                              std::pair{"serial", &info.serial}, std::pair{"port", &info.port}})
        if (const std::string* text = entry.textMember(key))
            *field = *text;
    if (info.deviceClass == UsbDeviceClass::Hid) {
        const std::string* hex = entry.textMember("descriptor");
        if (!hex || !fromHex(*hex, info.descriptor))
            return false;
    }
    return true;
}

} // namespace

SimBusBackend::SimBusBackend(std::string socketPath) : socketPath_(std::move(socketPath)), id_(nextBackendId++) {}

SimBusBackend::~SimBusBackend() = default;

UsbError SimBusBackend::enumerate(std::vector<UsbDeviceInfo>& devices)
{
    devices.clear();
    JsonValue answer;
    const UsbError e = threadConnection(id_, socketPath_)->request("{\"op\":\"list\"}", ProtocolMs{0}, answer);
    if (e != UsbError::None)
        return e;
    const JsonValue* list = answer.member("devices");
    if (!list || list->type != JsonValue::Type::Array)
        return UsbError::Io;
    for (const JsonValue& entry : list->items) {
        UsbDeviceInfo info;
        if (entry.type == JsonValue::Type::Object && readDevice(entry, info))
            devices.push_back(std::move(info)); // an entry the host cannot read is no device
    }
    return UsbError::None;
}

UsbError SimBusBackend::open(const std::string& path, std::unique_ptr<UsbHandle>& handle)
{
    handle.reset();
    std::shared_ptr<SimBusConnection> connection = threadConnection(id_, socketPath_);
    JsonValue answer;
    const UsbError e = connection->request("{\"op\":\"open\",\"path\":" + jsonQuote(path) + "}", ProtocolMs{0}, answer);
    if (e != UsbError::None)
        return e;
    const auto id = answer.integerMember("handle");
    if (!id)
        return UsbError::Io;
    handle = std::make_unique<SimBusHandle>(std::move(connection), *id);
    return UsbError::None;
}

} // namespace kyv
