#pragma once
// The simulated USB bus as its server keeps it: the devices present (paths never reused),
// the open handles with their own queues of input reports or printer bytes, and the answer
// to each request line. It does no I/O: the socket server feeds it lines and sends back
// what it answers; what a device does with a write or a feature request is the business
// of the UsbBusDevices behind it (the printer), which hands replies back with
// deliverInput() and deliverBytes().
//
// A read that finds nothing waits: answer() gives no line, and finishedReads() gives the
// answer once something arrived, the device left or the read's time is over.

#include "sim/lib/transcript.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kyv::sim {

enum class BusError { None, NoEntry, Gone, Busy, Invalid, Io };
const char* busErrorName(BusError error);

struct BusDeviceInfo {
    bool hid = true; // else the USB printer class
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string manufacturer, product, serial, port;
    Bytes descriptor; // HID only
};

class UsbBusDevices {
public:
    virtual ~UsbBusDevices() = default;
    // An output report (HID, report ID in byte 0) or raw bytes (printer class).
    virtual BusError write(int device, const Bytes& data) = 0;
    // The feature report of that ID, nullopt for an ID the device does not define.
    virtual std::optional<Bytes> feature(int device, uint8_t reportId) = 0;
    virtual bool setFeature(int device, const Bytes& report) = 0;
};

class UsbBus {
public:
    using Clock = std::chrono::steady_clock;

    explicit UsbBus(UsbBusDevices& devices) : devices_(devices) {}

    // A device arrives; returns its number (what the devices interface is called with).
    int add(BusDeviceInfo info);
    // The device leaves: its path is gone for good, its handles answer ENODEV.
    void remove(int device);
    bool present(int device) const;
    std::string path(int device) const;

    // Replies of a device: each open handle gets its own copy.
    void deliverInput(int device, const Bytes& report);
    void deliverBytes(int device, const Bytes& bytes);

    // The answer line (without its newline) to one request of a connection; nullopt when
    // it is a read that waits.
    std::optional<std::string> answer(int connection, std::string_view line, Clock::time_point now);
    // Connections whose waiting read is over, with their answers.
    std::vector<std::pair<int, std::string>> finishedReads(Clock::time_point now);
    // Milliseconds until the nearest waiting read times out; -1 when none waits.
    int pollTimeoutMs(Clock::time_point now) const;
    // The connection has closed: its handles close and its waiting read is dropped.
    void dropConnection(int connection);

private:
    struct Device {
        BusDeviceInfo info;
        std::string path;
        bool present = true;
    };
    struct Handle {
        int device = 0;
        int connection = 0;
        std::deque<Bytes> reports; // HID
        Bytes bytes;               // printer class
    };
    struct WaitingRead {
        long long handle = 0;
        size_t length = 0;
        Clock::time_point end;
    };

    std::string listAnswer() const;
    std::string openAnswer(int connection, const std::string& path);
    std::optional<std::string> handleAnswer(int connection, const std::string& op, long long id, Handle& handle,
                                            const class BusRequest& request, Clock::time_point now);
    std::optional<std::string> takeRead(Handle& handle, size_t length);

    UsbBusDevices& devices_;
    std::map<int, Device> table_;
    std::map<long long, Handle> handles_;
    std::map<int, WaitingRead> waiting_; // by connection
    int nextDevice_ = 1;
    long long nextHandle_ = 1;
};

} // namespace kyv::sim
