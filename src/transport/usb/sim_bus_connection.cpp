#include "transport/usb/sim_bus_connection.h"

#include "transport/fd_io.h"
#include "transport/usb/sim_bus_backend.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cerrno>
#include <cstring>

namespace kyv {
namespace {

UsbError errorNamed(const std::string& name)
{
    if (name == "ENOENT")
        return UsbError::NoEntry;
    if (name == "ENODEV")
        return UsbError::Gone;
    if (name == "EBUSY")
        return UsbError::Busy;
    if (name == "EINVAL")
        return UsbError::Invalid;
    return UsbError::Io; // EIO, and any name the contract does not know
}

} // namespace

SimBusConnection::SimBusConnection(const std::string& socketPath)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path) {
        broken_ = true;
        return;
    }
    std::memcpy(address.sun_path, socketPath.data(), socketPath.size());
    fd_.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    int rc;
    do {
        rc = fd_.valid() ? ::connect(fd_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) : -1;
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
        fd_.reset();
        broken_ = true;
    }
}

bool SimBusConnection::broken() const
{
    std::lock_guard lock(mutex_);
    return broken_;
}

UsbError SimBusConnection::breakOff()
{
    broken_ = true;
    fd_.reset();
    received_.clear();
    return UsbError::Io;
}

bool SimBusConnection::sendAll(const std::string& line, const Deadline& deadline)
{
    size_t sent = 0;
    while (sent < line.size()) {
        const ssize_t n = ::send(fd_.get(), line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        if (waitForFd(fd_.get(), POLLOUT, deadline) != FdReady::Ready)
            return false;
    }
    return true;
}

bool SimBusConnection::receiveLine(std::string& line, const Deadline& deadline)
{
    for (;;) {
        const size_t end = received_.find('\n');
        if (end != std::string::npos) {
            line = received_.substr(0, end);
            received_.erase(0, end + 1);
            return true;
        }
        if (received_.size() > SimBusBackend::kMaxAnswerBytes)
            return false;
        uint8_t chunk[65536];
        const Transfer t = readWithin(fd_.get(), chunk, sizeof chunk, deadline);
        if (t.bytes == 0)
            return false; // time-out, stop request, or the server went away
        received_.append(reinterpret_cast<const char*>(chunk), t.bytes);
    }
}

UsbError SimBusConnection::request(const std::string& json, ProtocolMs extraWait, JsonValue& answer)
{
    std::lock_guard lock(mutex_);
    if (broken_)
        return UsbError::Io;
    const Deadline sendBy(SimBusBackend::kAnswerTimeout);
    if (!sendAll(json + "\n", sendBy))
        return breakOff();
    std::string line;
    if (!receiveLine(line, Deadline(SimBusBackend::kAnswerTimeout + extraWait)))
        return breakOff();
    std::optional<JsonValue> parsed = parseJson(line);
    if (!parsed || parsed->type != JsonValue::Type::Object)
        return breakOff();
    const JsonValue* ok = parsed->member("ok");
    if (!ok || ok->type != JsonValue::Type::Bool)
        return breakOff();
    if (!ok->boolean) {
        const std::string* error = parsed->textMember("error");
        return errorNamed(error ? *error : std::string());
    }
    answer = std::move(*parsed);
    return UsbError::None;
}

} // namespace kyv
