#pragma once
// Where the printers' bytes go in the reports of one report device, learned from its parsed
// descriptor, and the pure builders and readers of those reports.
//
// The vendor page (0xFF8B): output value array 0xA0 in link collection 0x10 (short reports)
// or 0x11 (long ones), input and feature arrays 0xA1, the count of meaningful bytes in 0xA2.
// The IBM page (0xFF45): output 0x3511 and 0x3501 and feature 0x3503 in collection 0x3500.

#include "transport/usb/hid_descriptor.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kyv {

inline constexpr uint16_t kPrinterVendorId = 0x0404;
inline constexpr uint16_t kVendorUsagePage = 0xFF8B;
inline constexpr uint16_t kIbmUsagePage = 0xFF45;

struct ReportEntry {
    bool present = false;
    uint8_t reportId = 0;
    uint16_t linkCollection = 0;
    uint16_t capacity = 0; // elements of the value array
};

struct ReportLayout {
    ReportEntry smallOut;
    ReportEntry largeOut;
    ReportEntry feature;
    ReportEntry input;
    size_t outputLength = 0;
    size_t featureLength = 0;
    size_t inputLength = 0; // 0 when the device has no input value
};

// The vendor-page layout of a top-level collection of the given usage (4 or 5). Valid when
// an output entry exists and (unless featureOptional) the feature entry.
bool learnVendorLayout(const HidCollectionView& view, uint16_t topUsage, bool featureOptional, ReportLayout& layout);

// The output report that carries data: the short report when it holds length bytes, else the
// long one. Fails when neither holds them. The array gets the data and zeros after it; 0xA2
// gets length.
bool buildVendorOutputReport(const HidCollectionView& view, const ReportLayout& layout,
                             std::span<const uint8_t> data, std::vector<uint8_t>& report);

// An empty feature report of the layout's feature ID, ready for the device to fill.
std::vector<uint8_t> vendorFeatureRequest(const ReportLayout& layout);

// The data of a feature report the device filled: the 0xA1 array (into data, which must hold
// it) and the 0xA2 count; without a readable count, count is the array's capacity. The count
// never exceeds the bytes the array holds.
bool readVendorFeatureReport(const HidCollectionView& view, const ReportLayout& layout,
                             std::span<const uint8_t> report, std::span<uint8_t> data, size_t& count);
// The same of an input report (the layout's input entry).
bool readVendorInputReport(const HidCollectionView& view, const ReportLayout& layout,
                           std::span<const uint8_t> report, std::span<uint8_t> data, size_t& count);

struct IbmUsbLayout {
    ReportEntry countOut; // 0x3511
    ReportEntry dataOut;  // 0x3501
    ReportEntry feature;  // 0x3503
    uint16_t linkCollection = 0;
    size_t outputLength = 0;
    size_t featureLength = 0;
};

bool learnIbmUsbLayout(const HidCollectionView& view, IbmUsbLayout& layout);

// The IBM frame: report ID 2, length + 4, 0x00, 0x01, 0x00, 0x00, 0x00, then the data, in a
// zeroed report of the output length. Fails when the data would not fit in the report.
bool buildIbmUsbOutputReport(const IbmUsbLayout& layout, std::span<const uint8_t> data, std::vector<uint8_t>& report);

// The 0x3503 array and its count from a filled feature report.
bool readIbmUsbFeatureReport(const HidCollectionView& view, const IbmUsbLayout& layout,
                             std::span<const uint8_t> report, std::span<uint8_t> data, size_t& count);

} // namespace kyv
