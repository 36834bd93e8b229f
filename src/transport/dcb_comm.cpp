#include "transport/dcb_comm.h"

#include "core/catalogue.h"
#include "core/profile_store.h"
#include "transport/edgeport_ports.h"
#include "transport/net/lan_link.h"
#include "transport/port_names.h"

#include <cctype>

namespace kyv {

CDCBComm::CDCBComm() : lan_(std::make_unique<LanLink>()) {}

void CDCBComm::setProfileStore(const ProfileStore* store)
{
    store_ = store;
    lan_->setProfileStore(store);
}

int CDCBComm::OpenLan(uint32_t address) { return lan_->openLan(address); }

int CDCBComm::OpenLanEx(uint32_t address, uint16_t port, int socketKind,
                        uint32_t readTimeoutDefault, int expectsReply)
{
    return lan_->openLanEx(address, port, socketKind, readTimeoutDefault, expectsReply);
}

int CDCBComm::WriteLan(const uint8_t* buffer, size_t length) { return lan_->writeLan(buffer, length); }

int CDCBComm::ReadLan(size_t expected, int extraRounds, std::vector<uint8_t>& reply)
{
    return lan_->readLan(expected, extraRounds, reply);
}

int CDCBComm::TransactLan(int kind, const uint8_t* payload, size_t length, std::vector<uint8_t>& reply)
{
    return lan_->transactLan(kind, payload, length, reply);
}

int CDCBComm::TransactLanKeep(int kind, const uint8_t* payload, size_t length,
                              std::vector<uint8_t>& reply)
{
    return lan_->transactLanKeep(kind, payload, length, reply);
}

int CDCBComm::CloseLan() { return lan_->closeLan(); }

int CDCBComm::FindPrinterByMac(uint32_t address, uint8_t* mac, int broadcast)
{
    return lan_->findPrinterByMac(address, mac, broadcast);
}

CDCBComm::~CDCBComm() { close(); }

uint32_t CDCBComm::statusWord() const { return statusWord_; }

int CDCBComm::portHandle() const { return line_ ? line_->handle() : kInvalidHandle; }

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

int CDCBComm::write(const uint8_t* buffer, size_t length)
{
    purgeInput();
    return line_ ? line_->write(buffer, length, timeouts_) : 0;
}

int CDCBComm::writeRetry(const uint8_t* buffer, size_t length)
{
    purgeInput();
    return line_ ? line_->writeRetry(buffer, length, timeouts_) : 0;
}

int CDCBComm::read(uint8_t* buffer, size_t length)
{
    bytesRead_ = 0;
    if (!line_)
        return 1; // no line of the port's own: the port reads nothing
    return line_->read(buffer, length, timeouts_, bytesRead_);
}

int CDCBComm::purgeInput()
{
    if (line_)
        line_->purgeInput();
    return 1;
}

int CDCBComm::close()
{
    if (line_)
        line_->close();
    return 1;
}

int CDCBComm::attachReportLink(std::unique_ptr<ReportLink> link)
{
    return line_ && line_->attachReport(std::move(link)) ? 1 : 0;
}

int CDCBComm::configure(const std::string& /*portName*/, int baudRate, const std::string& parity,
                        int dataBits, int stopBits)
{
    // Only a line with settings of its own (RS232) takes them.
    if (!line_ || !line_->currentSettings(settings_))
        return 0;
    settings_.baudRate = baudRate;
    settings_.dataBits = dataBits;
    char letter = parity.empty() ? 'N' : static_cast<char>(std::toupper(static_cast<unsigned char>(parity[0])));
    settings_.parity = (letter == 'E' || letter == 'O' || letter == 'M' || letter == 'S') ? letter : 'N';
    if (stopBits == 1 || stopBits == 2)
        settings_.stopBits = stopBits;
    setReadTimeout(kCommandReadTimeout);
    return line_->configure(settings_) ? 1 : 0;
}

std::string CDCBComm::resolve(const std::string& name) const
{
    if (store_ != nullptr)
        return devicePathForPort(name, *store_);
    return devicePathForPort(name, ProfileStore::forUser());
}

const std::string& CDCBComm::devicePath() const
{
    static const std::string none;
    return line_ ? line_->devicePath() : none;
}

void CDCBComm::replaceLine(PortKind kind)
{
    if (kind != kind_ || !line_) {
        close();
        line_ = makeLine(kind);
    }
    kind_ = kind;
}

int CDCBComm::open(PortKind kind, const std::string& name)
{
    replaceLine(kind);
    if (kind == kIbmUsb) {
        attachIbmUsbDevice();
        return 1;
    }
    const bool wasOpen = line_->handle() != kInvalidHandle;
    lastOpenError_ = line_->open(name, [this](const std::string& portName) { return resolve(portName); });
    if (lastOpenError_ != 0)
        return 0;
    if (!wasOpen && line_->timedReads())
        setReadTimeout(kCommandReadTimeout);
    return 1;
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

int CDCBComm::parallelBusy() const { return line_ ? line_->busy() : -1; }

} // namespace kyv
