#pragma once
// The report I/O of a found report device, as the port object's "USB" (vendor page) and
// "IBM USB" kinds use it (ReportLink). Each owns its device handle and the collection view
// and layout it talks through.

#include "transport/report_link.h"
#include "transport/usb/report_layout.h"
#include "transport/usb/usb_backend.h"

#include <memory>

namespace kyv {

// Vendor page: a write is one output report (short or long, by the data's length); a read
// is one feature report whose 0xA1 array (at most 64 bytes) and 0xA2 count are handed back.
class VendorReportLink final : public ReportLink {
public:
    // The feature array a read hands back holds at most this many bytes.
    static constexpr size_t kFeatureData = 64;

    VendorReportLink(std::unique_ptr<UsbHandle> device, HidCollectionView view, ReportLayout layout);

    int handle() const override;
    int writeReport(const uint8_t* buffer, size_t length) override;
    int readReport(uint8_t* buffer, size_t capacity, size_t& got) override;
    bool stillPresent() override;
    size_t largestOutputData() const override;

    const ReportLayout& layout() const { return layout_; }
    // Waits up to timeout for one input report of this collection and hands back its 0xA1
    // array (at most capacity bytes) and 0xA2 count. 0 when none came or the device has
    // no input report.
    int readInputReport(uint8_t* buffer, size_t capacity, size_t& got, ProtocolMs timeout);

private:
    std::unique_ptr<UsbHandle> device_;
    HidCollectionView view_;
    ReportLayout layout_;
};

// IBM page: a write is one IBM frame as output report; a read is one feature report whose
// 0x3503 array and count are handed back.
class IbmUsbReportLink final : public ReportLink {
public:
    IbmUsbReportLink(std::unique_ptr<UsbHandle> device, HidCollectionView view, IbmUsbLayout layout);

    int handle() const override;
    int writeReport(const uint8_t* buffer, size_t length) override;
    int readReport(uint8_t* buffer, size_t capacity, size_t& got) override;
    bool stillPresent() override;

    const IbmUsbLayout& layout() const { return layout_; }

private:
    std::unique_ptr<UsbHandle> device_;
    HidCollectionView view_;
    IbmUsbLayout layout_;
};

} // namespace kyv
