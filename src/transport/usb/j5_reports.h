#pragma once
// The report functions of the J5 HID download: the vendor-page protocol on a device handle
// the download holds. Short reports (a capacity of at most 64 bytes) go out as a 64-byte
// frame that carries only the report ID, the count and the data, zeros after them.

#include "transport/usb/report_layout.h"
#include "transport/usb/usb_backend.h"

#include <span>

namespace kyv {

struct J5Reports {
    HidCollectionView view;
    ReportLayout layout;
};

// The first vendor-page collection (usage 4 or 5) with an output value; the feature value
// is optional.
bool learnJ5Reports(std::span<const uint8_t> descriptor, J5Reports& reports);

// One output report of the output report length. 1 on success.
int j5Write(UsbHandle& device, const J5Reports& reports, std::span<const uint8_t> data);
// One feature request: the 0xA1 data (64 bytes) and the 0xA2 count.
int j5Read(UsbHandle& device, const J5Reports& reports, std::span<uint8_t, 64> buffer, size_t& count);
// A feature report holding only the feature report ID, sent with a set-feature request.
int j5SendEmptyFeature(UsbHandle& device, const J5Reports& reports);

} // namespace kyv
