#pragma once
// The HID reports of the printers' USB interfaces, from the printer's side: the report
// descriptor it presents, and how its printer bytes sit in the reports it takes and gives.
//
// Vendor page 0xFF8B, one top-level collection for usage 4 and one for usage 5, each with
//   collection 0x10: short output (count 0xA2, 8 bits; data 0xA0, 62 bytes),
//                    feature and input (count 0xA2, 8 bits; data 0xA1, 62 bytes)
//   collection 0x11: long output (count 0xA2, 16 bits; data 0xA0, 1022 bytes)
// IBM page 0xFF45, collection 0x3500:
//   output: count 0x3511 (8 bits, data length + 4), data 0x3501 (253 bytes: 00 01 00 00 00,
//           then the printer bytes); feature: 0x3503, 63 bytes, byte 0 the bytes it holds.

#include "sim/lib/transcript.h"

#include <cstdint>
#include <optional>
#include <span>

namespace kyv::sim {

inline constexpr size_t kVendorShortData = 62;
inline constexpr size_t kVendorLongData = 1022;
inline constexpr size_t kVendorReplyData = 62;
inline constexpr size_t kIbmOutputData = 253;
inline constexpr size_t kIbmStatusBytes = 63;

// The report IDs of one vendor-page collection.
struct VendorReportIds {
    uint8_t shortOut, longOut, feature, input;
};
inline constexpr VendorReportIds kUsage4Reports{1, 2, 3, 4};
inline constexpr VendorReportIds kUsage5Reports{5, 6, 7, 8};
inline constexpr uint8_t kIbmOutputId = 2;
inline constexpr uint8_t kIbmFeatureId = 3;

Bytes vendorDescriptor();
Bytes ibmUsbDescriptor();
// A three-button mouse without report IDs: the kind of device a technician's machine has.
Bytes mouseDescriptor();

// The printer bytes an output report carries (byte 0 the report ID, as written to the bus;
// missing bytes read as zero). nullopt when the ID is none of its output reports.
std::optional<Bytes> vendorOutputData(std::span<const uint8_t> report);
std::optional<Bytes> ibmOutputData(std::span<const uint8_t> report);

// True when the ID is one of the vendor feature reports; the input ID that goes with the
// collection an output report came from.
bool isVendorFeatureId(uint8_t id);
uint8_t vendorInputIdFor(uint8_t outputId);

// A feature or input report of the vendor page: ID, count, data (cut to 62 bytes).
Bytes vendorReplyReport(uint8_t reportId, std::span<const uint8_t> data);
// The IBM status block: byte 0 the bytes it holds (all of them), the reply from byte 11.
Bytes ibmStatusReport(std::span<const uint8_t> reply);

} // namespace kyv::sim
