#include "transport/dcb_comm.h"

#include "core/catalogue.h"
#include "core/profile_store.h"
#include "transport/edgeport_ports.h"
#include "transport/port_names.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace kyv {
namespace {
constexpr int kWriteAttempts = 3;
// An IBM USB device answers through feature reports that may not be ready at once.
constexpr int kIbmUsbReadAttempts = 100;
constexpr ProtocolMs kIbmUsbReadPause{150};
constexpr size_t kIbmUsbLongestReply = 1020;
} // namespace

CDCBComm::CDCBComm() = default;

CDCBComm::~CDCBComm() { close(); }

uint32_t CDCBComm::statusWord() const { return statusWord_; }

int CDCBComm::portHandle() const
{
    if (serial_.isOpen())
        return serial_.fd();
    if (parallel_.isOpen())
        return parallel_.fd();
    if (kind_ == kIbmUsb && reportLink_)
        return reportLink_->handle();
    return kInvalidHandle;
}

int CDCBComm::setReadTimeout(uint32_t ms)
{
    timeouts_.readInterval = PortTimeouts::kMaximum;
    timeouts_.readMultiplier = PortTimeouts::kMaximum;
    timeouts_.readConstant = ms;
    timeouts_.writeMultiplier = 250;
    timeouts_.writeConstant = 2000;
    return 1;
}

int CDCBComm::setWriteTimeout(uint32_t ms)
{
    timeouts_.readInterval = PortTimeouts::kMaximum;
    timeouts_.readMultiplier = PortTimeouts::kMaximum;
    timeouts_.readConstant = 1000;
    timeouts_.writeMultiplier = 1250;
    timeouts_.writeConstant = ms;
    return 1;
}

void CDCBComm::noteTransfer(const Transfer& transfer) { lineDropped_ = transfer.dropped; }

int CDCBComm::write(const uint8_t* buffer, size_t length)
{
    purgeInput();
    Transfer sent;
    switch (kind_) {
    case kSerialPort:
        if (!serial_.isOpen())
            return 0;
        sent = serial_.write(buffer, length, timeouts_.writeLimit(length));
        break;
    case kParallelPort:
        if (!parallel_.isOpen())
            return 0;
        sent = parallel_.write(buffer, length);
        break;
    case kUsbReportDevice:
    case kIbmUsb: return reportLink_ ? reportLink_->writeReport(buffer, length) : 0;
    default: return 0;
    }
    noteTransfer(sent);
    return sent.bytes == length && !sent.dropped ? 1 : 0;
}

int CDCBComm::writeRetry(const uint8_t* buffer, size_t length)
{
    purgeInput();
    switch (kind_) {
    case kSerialPort:
        if (!serial_.isOpen())
            return 0;
        for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
            Transfer sent = serial_.write(buffer, length, timeouts_.writeLimit(length));
            noteTransfer(sent);
            if (sent.bytes == length && !sent.dropped)
                return 1;
            if (sent.dropped)
                return 0; // a vanished line does not come back by writing again
        }
        return 0;
    case kParallelPort:
    case kUsbReportDevice: return write(buffer, length);
    default: return 0;
    }
}

int CDCBComm::read(uint8_t* buffer, size_t length)
{
    bytesRead_ = 0;
    Transfer got;
    switch (kind_) {
    case kSerialPort:
        got = serial_.read(buffer, length, timeouts_.firstByteWait());
        noteTransfer(got);
        bytesRead_ = got.bytes;
        return got.bytes >= 1 ? 1 : 0;
    case kParallelPort:
        got = parallel_.read(buffer, length);
        noteTransfer(got);
        bytesRead_ = got.bytes;
        return got.bytes == length && length > 0 ? 1 : 0;
    case kUsbReportDevice: return readReportDevice(buffer, length);
    case kIbmUsb: return readIbmUsb(buffer, length);
    default: return 1; // printer-class kind: the port reads nothing
    }
}

int CDCBComm::readReportDevice(uint8_t* buffer, size_t length)
{
    size_t got = 0;
    if (!reportLink_ || !reportLink_->readReport(buffer, length, got) || got == 0)
        return 0;
    bytesRead_ = std::min(got, length);
    return 1;
}

int CDCBComm::readIbmUsb(uint8_t* buffer, size_t length)
{
    if (!reportLink_)
        return 0;
    for (int attempt = 0; attempt < kIbmUsbReadAttempts; ++attempt) {
        if (!sleepFor(kIbmUsbReadPause))
            return 0;
        size_t got = 0;
        if (reportLink_->readReport(buffer, length, got) && got >= length && got <= kIbmUsbLongestReply) {
            bytesRead_ = length;
            return 1;
        }
    }
    return 0;
}

int CDCBComm::purgeInput()
{
    serial_.purgeInput();
    parallel_.purgeInput();
    return 1;
}

int CDCBComm::close()
{
    serial_.close();
    parallel_.close();
    reportLink_.reset();
    return 1;
}

int CDCBComm::configure(const std::string& /*portName*/, int baudRate, const std::string& parity,
                        int dataBits, int stopBits)
{
    if (!serial_.isOpen())
        return 0;
    serial_.currentSettings(settings_);
    settings_.baudRate = baudRate;
    settings_.dataBits = dataBits;
    char letter = parity.empty() ? 'N' : static_cast<char>(std::toupper(static_cast<unsigned char>(parity[0])));
    settings_.parity = (letter == 'E' || letter == 'O' || letter == 'M' || letter == 'S') ? letter : 'N';
    if (stopBits == 1 || stopBits == 2)
        settings_.stopBits = stopBits;
    setReadTimeout(kCommandReadTimeout);
    return serial_.configure(settings_) ? 1 : 0;
}

std::string CDCBComm::resolve(const std::string& name) const
{
    if (store_ != nullptr)
        return devicePathForPort(name, *store_);
    return devicePathForPort(name, ProfileStore::forUser());
}

int CDCBComm::openSerial(const std::string& name)
{
    if (serial_.isOpen())
        return 1;
    devicePath_ = resolve(name);
    if (devicePath_.empty()) {
        lastOpenError_ = ENOENT;
        return 0;
    }
    lastOpenError_ = serial_.open(devicePath_);
    if (lastOpenError_ != 0)
        return 0;
    lineDropped_ = false;
    setReadTimeout(kCommandReadTimeout);
    return 1;
}

int CDCBComm::openParallel()
{
    devicePath_ = resolve("LPT1");
    lastOpenError_ = parallel_.open(devicePath_);
    lineDropped_ = false;
    return lastOpenError_ == 0 ? 1 : 0;
}

int CDCBComm::open(PortKind kind, const std::string& name)
{
    kind_ = kind;
    switch (kind) {
    case kSerialPort: return openSerial(name);
    case kParallelPort: return openParallel();
    case kUsbReportDevice: return 1; // selected, not opened
    case kIbmUsb: return 1;          // found by the USB search; none found is no failure
    default: return 0;
    }
}

int CDCBComm::setOption(uint32_t value)
{
    option_ = value;
    return 1;
}

int CDCBComm::findEdgeportPorts() { return findEdgeportPorts(kSysfsRoot); }

int CDCBComm::findEdgeportPorts(const std::string& sysfsRoot)
{
    edgeportPorts.clear();
    std::vector<EdgeportPort> ports = store_ != nullptr
                                          ? findEdgeportAdapterPorts(sysfsRoot, *store_)
                                          : findEdgeportAdapterPorts(sysfsRoot, ProfileStore::forUser());
    for (const auto& port : ports) {
        edgeportPorts += port.comName + ",";
        lastEdgeportPort = port.comName;
    }
    return edgeportPorts.empty() ? 0 : 1;
}

int CDCBComm::parallelBusy() const { return kind_ == kParallelPort ? parallel_.busy() : -1; }

} // namespace kyv
