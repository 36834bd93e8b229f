#pragma once
// The one channel of the process to a printer's USB printer-class device, or to its report
// device, through which the CPMI, NHPI and PRTR interfaces and the online-mode download of
// R453 and R243 talk. Only one download uses it at a time.
//
// Report mode (the channel is a report device): a write piece is one output report, a read
// gives the feature report's data after two header bytes (report id, data count).
// Otherwise the channel is a printer-class device that takes and gives plain bytes.

#include "core/clock.h"
#include "transport/usb/report_device_search.h"
#include "transport/usb/usb_backend.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace kyv {

class PrinterClassChannel {
public:
    static constexpr size_t kWritePiece = 1021; // largest piece one write carries
    static constexpr size_t kReadBytes = 1023;  // largest read of one attempt
    static constexpr int kReadAttempts = 11;
    static constexpr ProtocolMs kReadPause{100};
    static constexpr int kFindAttempts = 60;
    static constexpr ProtocolMs kFindPause{1000};

    explicit PrinterClassChannel(UsbBackend& backend) : backend_(backend) {}
    PrinterClassChannel(const PrinterClassChannel&) = delete;
    PrinterClassChannel& operator=(const PrinterClassChannel&) = delete;

    // Up to 60 searches for the report device, 1000 ms apart; the first found becomes the
    // channel (replacing what it held). 1 on success, 0 after the last failed search or a
    // stop request.
    int findReportDevice(const std::string& pidFilter, int usageSelector);
    // Report mode: the channel's report device must have the vendor layout with a feature
    // report; otherwise it is closed. Otherwise: the printer-class device whose product id
    // the filter names is opened and becomes the channel. 1 on success.
    int attach(bool reportMode, const std::string& pidFilter);
    void close();

    bool isOpen() const;
    // In pieces of at most 1021 bytes; stops at the first piece that fails. 1 when all went.
    int write(std::span<const uint8_t> data);
    // Up to 11 attempts 100 ms apart, each taking up to 1023 bytes into a zeroed reply; the
    // first that brings anything gives count bytes of that reply (at most 1023). 1 on
    // success; got is the count copied; delivered, when given, how many of them the device
    // filled (report mode: the two header bytes and the data).
    int read(uint8_t* buffer, size_t count, size_t& got, size_t* delivered = nullptr);
    // One reply that may take long (the printer writes a whole image first): waits up to
    // timeout for one input report (report mode, with the same two header bytes) or for
    // the first bytes (printer class). count bytes are copied.
    int readReply(uint8_t* buffer, size_t count, size_t& got, ProtocolMs timeout, size_t* delivered = nullptr);
    // Drops what the printer sent that nobody read (input reports queued behind the
    // feature reports a command was answered by), so the next long wait reads the answer
    // to what comes next.
    void discardInput();
    // The channel is a report device (else a printer-class device, or nothing).
    bool reportMode() const { return report_ != nullptr; }

    // The device the channel holds (empty path when none).
    const FoundReportDevice& device() const { return device_; }

private:
    int readOnce(uint8_t* buffer, size_t count, size_t& got, size_t* delivered);

    UsbBackend& backend_;
    std::unique_ptr<VendorReportLink> report_; // report mode
    std::unique_ptr<UsbHandle> printer_;       // printer-class device
    FoundReportDevice device_;
};

// The process-wide channel, on the backend the environment selects.
PrinterClassChannel& printerClassChannel();

} // namespace kyv
