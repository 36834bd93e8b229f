#pragma once
// CDCBComm: the byte-stream port through which the local downloads talk to a printer.
// One object stands for one connection and hides its kind (PortKind, the numbers of
// InterfaceKind): 0 an RS232 line, 1 the parallel port, 2 and 5 USB report devices (their
// report I/O is attached once the USB search found them), 4 a printer-class device whose
// port operations do nothing. open() builds the line the kind names (lines/line_factory);
// every port operation forwards to it, and this class keeps the time-outs and line
// settings of the connection.
//
// All operations return 1 for success and 0 for failure unless said otherwise, and leave
// the object usable. Nothing is thrown.

#include "transport/lines/line.h"
#include "transport/lines/line_factory.h"
#include "transport/port_timeouts.h"
#include "transport/report_link.h"
#include "transport/usb/cpmi_product_class.h"
#include "transport/usb_match.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kyv {

class LanLink;
class ProfileStore;
class UsbBackend;
struct FoundReportDevice;

class CDCBComm {
public:
    static constexpr int kInvalidHandle = -1;
    static constexpr uint32_t kCommandReadTimeout = 30000; // set by open and configure

    CDCBComm();
    virtual ~CDCBComm();
    CDCBComm(const CDCBComm&) = delete;
    CDCBComm& operator=(const CDCBComm&) = delete;

    // Slot 0: reserved; nothing sets it, so it is 0.
    virtual uint32_t statusWord() const;
    // Slot 1: descriptor of the COM or LPT line (or the kind-5 device); -1 when none.
    virtual int portHandle() const;
    // Slot 2: read interval and multiplier at maximum, read constant ms, write 250 ms per
    // byte plus 2000 ms. A read then returns at once with what has arrived, or waits up
    // to ms for the first byte.
    virtual int setReadTimeout(uint32_t ms);
    // Slot 3: read constant 1000 ms, write 1250 ms per byte plus ms.
    virtual int setWriteTimeout(uint32_t ms);
    // Slot 4: purges the input, then writes the whole buffer (kind 0 blocking under the
    // write time-out; kind 1 with the parallel pacing; kinds 2 and 5 as one output report).
    virtual int write(const uint8_t* buffer, size_t length);
    // Slot 5: purges the input; kind 0 up to 3 whole writes; kinds 1 and 2 as write;
    // every other kind (also 5) fails.
    virtual int writeRetry(const uint8_t* buffer, size_t length);
    // Slot 6: kind 0 reads up to length bytes under the read time-out and succeeds with at
    // least one; kind 1 reads exactly length bytes with the parallel pacing; kind 2 reads one
    // report (at least one byte); kind 5 tries up to 100 reports, 150 ms apart, for one of
    // length to 1020 bytes (length bytes are copied); kind 4 and unknown kinds succeed
    // without touching the buffer. bytesRead() tells the count.
    virtual int read(uint8_t* buffer, size_t length);
    // Slot 7: discards received bytes only.
    virtual int purgeInput();
    // Slot 8: closes the port handle (and the report handle); always succeeds.
    virtual int close();
    // Slot 9: applies line settings to the open line (portName is not used). Parity by
    // its first letter, case-insensitive: E, O, M, S, anything else none; stop bits 1 or 2,
    // others keep the current setting; raw 8-bit mode without flow control. Then the read
    // time-out is 30000 ms. Fails when no line is open or the line refuses the settings.
    virtual int configure(const std::string& portName, int baudRate, const std::string& parity,
                          int dataBits, int stopBits);
    // Slot 10: records the kind, then kind 0 opens the COM name (a line already open is
    // kept) and sets the read time-out to 30000 ms; kind 1 opens LPT1; kind 2 has nothing
    // to open; kind 5 succeeds even while no device is found. Other kinds fail. A line
    // held by another process is refused. A line of another kind than the one asked for
    // is closed first.
    virtual int open(PortKind kind, const std::string& name);
    // Slot 11: stores the option word.
    virtual int setOption(uint32_t value);

    // Lists the COM names of the Edgeport adapter ports into edgeportPorts ("COM5,COM7,")
    // and lastEdgeportPort ("COM7"). Returns 1 when any was found.
    int findEdgeportPorts();
    int findEdgeportPorts(const std::string& sysfsRoot);

    // Convenience forms for byte strings.
    int write(std::span<const uint8_t> bytes) { return write(bytes.data(), bytes.size()); }
    int writeRetry(std::span<const uint8_t> bytes) { return writeRetry(bytes.data(), bytes.size()); }

    PortKind kind() const { return kind_; }
    // Bytes delivered by the last read (0 after a failed one).
    size_t bytesRead() const { return bytesRead_; }
    // The last read or write found the line gone (unplugged adapter, closed peer).
    bool lineDropped() const { return line_ && line_->dropped(); }
    // errno of the last failed open; 0 after a successful one.
    int lastOpenError() const { return lastOpenError_; }
    // The device path the last open used.
    const std::string& devicePath() const;
    // The parallel port's busy line: 1 busy, 0 not, -1 unknown (not kind 1, or no status).
    int parallelBusy() const;
    const PortTimeouts& timeouts() const { return timeouts_; }
    const LineSettings& settings() const { return settings_; }
    uint32_t option() const { return option_; }

    // The report I/O of the USB report device the kinds 2 and 5 talk through (attached by
    // the USB backend once it found the device). A line of another kind refuses it (0).
    // close() drops it.
    int attachReportLink(std::unique_ptr<ReportLink> link);
    bool hasReportLink() const { return line_ && line_->hasReport(); }

    // Records the kind and usage selector and drops the report device held so far. Kind 5
    // then searches for the IBM USB device (as open does) and succeeds whether or not one
    // was found. Kind 2 searches for a vendor-page report device whose product id passes
    // the filter; 1 and reportOpened = 1 when one was found, else 0.
    int selectReportDevice(PortKind kind, int usageSelector);
    // The printer-class kind (CPMI, NHPI, PRTR): the port operations go through the
    // process's printer-class channel, to the device of the filter's product ids (report
    // mode: its NHPI report device; otherwise its USB printer-class device). 0 attached,
    // 1 no device found, 2 found but not opened.
    int attachPrinterClass(bool reportMode);
    // The first printer of the filter's product ids on the bus with a CPMI class; its ids
    // become the ones found. Opens nothing.
    std::optional<CpmiDevice> findCpmiPrinter();
    // A USB printer restarts (the switch to download mode, a reset) and comes back under a
    // new path, perhaps another product id, on the same physical port. Waits until the
    // device found last has left (its handle answers that it has gone, or, once closed, its
    // path is no longer listed), at most 30000 ms; then makes up to `searches` searches,
    // 1000 ms apart, for a device of the filter's product ids on that port and attaches it.
    // Kinds 2 and 5. 1 when found; 0 when it never came back, or a stop came. A device that
    // never left fails with `ifItStays` Fail; with TakeItAgain it is searched for where it
    // is (a printer that refused to restart is still there to be asked).
    enum class IfItStays { Fail, TakeItAgain };
    int refindReportDevice(PortKind kind, int searches, IfItStays ifItStays = IfItStays::Fail);
    // The most data bytes one output report of the attached report device carries (its
    // larger report's); 0 without one.
    size_t reportOutputCapacity() const;

    // Where the USB searches look; the backend the environment selects unless a test or
    // caller names another.
    void setUsbBackend(UsbBackend* backend) { usbBackend_ = backend; }

    // Where COM and LPT names are looked up; the user's settings file unless a test or
    // caller names another.
    void setProfileStore(const ProfileStore* store);

    // Network printers (transport/net/lan_link.h): one socket at a time, with the time-outs
    // and ports of the settings store read at every open.
    int OpenLan(uint32_t address);
    int OpenLanEx(uint32_t address, uint16_t port, int socketKind, uint32_t readTimeoutDefault,
                  int expectsReply);
    int WriteLan(const uint8_t* buffer, size_t length);
    int ReadLan(size_t expected, int extraRounds, std::vector<uint8_t>& reply);
    int TransactLan(int kind, const uint8_t* payload, size_t length, std::vector<uint8_t>& reply);
    int TransactLanKeep(int kind, const uint8_t* payload, size_t length, std::vector<uint8_t>& reply);
    int CloseLan();
    int FindPrinterByMac(uint32_t address, uint8_t* mac, int broadcast);
    LanLink& lan() { return *lan_; }

    // The USB device this port looks for and the one it found last.
    UsbMatch& usb() { return usb_; }
    const UsbMatch& usb() const { return usb_; }

    std::string lastEdgeportPort;
    std::string edgeportPorts;

private:
    std::string resolve(const std::string& name) const;
    void replaceLine(PortKind kind);
    UsbBackend& usbBus() const;
    // Attaches the IBM USB device found, if any; the port handle is invalid otherwise.
    void attachIbmUsbDevice();
    void noteFound(const FoundReportDevice& found);
    bool usbDeviceLeft();
    bool attachReportDeviceOnPort(PortKind kind, const std::string& port);

    PortKind kind_ = -1;
    UsbMatch usb_;
    std::unique_ptr<Line> line_; // the line of kind_, built by open()
    PortTimeouts timeouts_;
    LineSettings settings_;
    uint32_t option_ = 0;
    uint32_t statusWord_ = 0;
    size_t bytesRead_ = 0;
    int lastOpenError_ = 0;
    const ProfileStore* store_ = nullptr;
    UsbBackend* usbBackend_ = nullptr;
    std::unique_ptr<LanLink> lan_;
};

} // namespace kyv
