#pragma once
// One report device of the printers' vendor page, opened by path: its identity, its report
// layout, and the output and feature reports that carry the printer's bytes. Used for the
// CPMI family and to find a printer again after a reset.
//
// The usage selector picks the top-level collection: 0 the one of usage 5, any other value
// the one of usage 4. A failed write closes the device; so does close() and destruction.

#include "transport/usb/report_layout.h"
#include "transport/usb/usb_backend.h"

#include <memory>
#include <span>
#include <string>

namespace kyv {

class HidReportDevice {
public:
    static constexpr int kFeatureAttempts = 3;
    static constexpr ProtocolMs kFeaturePause{800};
    // A read hands back at most this many data bytes.
    static constexpr size_t kReadData = 64;

    HidReportDevice(UsbBackend& backend, const std::string& path, int usageSelector);
    ~HidReportDevice() { close(); }
    HidReportDevice(const HidReportDevice&) = delete;
    HidReportDevice& operator=(const HidReportDevice&) = delete;

    // Opens the path: vendor 0x0404, a top-level collection of the selected usage with the
    // vendor layout (feature report required). 1 on success; on failure the device is closed.
    int open(const std::string& path);
    // Sends data as one output report (short or long by its length). 0 on failure, which
    // closes the device.
    int write(std::span<const uint8_t> data);
    // Reads one feature report (3 attempts, 800 ms after each failure) into buffer (64
    // bytes): the 0xA1 data and, in count, the 0xA2 value (the capacity when the device has
    // none). 0 when no attempt succeeded.
    int read(std::span<uint8_t, kReadData> buffer, size_t& count);
    // 1 if the device was open.
    int close();
    // The device still answers who it is.
    bool answers();

    bool isOpen() const { return device_ != nullptr; }
    const std::string& path() const { return path_; }
    const std::string& port() const { return port_; }
    uint16_t vendorId() const { return vendorId_; }
    uint16_t productId() const { return productId_; }
    const std::string& manufacturer() const { return manufacturer_; }
    const std::string& product() const { return product_; }
    const std::string& serial() const { return serial_; }
    const ReportLayout& layout() const { return layout_; }

private:
    UsbBackend& backend_;
    int usageSelector_;
    std::unique_ptr<UsbHandle> device_;
    HidCollectionView view_;
    ReportLayout layout_;
    std::string path_;
    std::string port_;
    std::string manufacturer_;
    std::string product_;
    std::string serial_;
    uint16_t vendorId_ = 0;
    uint16_t productId_ = 0;
};

} // namespace kyv
