#pragma once
// Parsed HID report descriptor: what a report device says about its reports, learned from the
// descriptor alone. One view per top-level (application) collection, as the printers' original
// platform listed one device per collection: its usage, its link collections, its value
// capabilities and the byte length of its reports of each kind.
//
// Report buffers always start with the report ID byte (0 for a device without IDs); field bit
// offsets count from the byte after it.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kyv {

enum class HidReportKind : uint8_t { Input = 0, Output = 1, Feature = 2 };

// Limits that keep a lying or hostile descriptor from costing unbounded memory or time.
struct HidLimits {
    // Report descriptors of real devices are a few hundred bytes; 64 KiB is far beyond any.
    static constexpr size_t kMaxDescriptorBytes = 64 * 1024;
    // Entries per table (fields, collections, local usages of one main item).
    static constexpr size_t kMaxTableEntries = 1024;
    // Nesting of Push items and of collections.
    static constexpr size_t kMaxDepth = 32;
    // The kernel's largest HID report buffer; a report beyond it cannot be moved anyway.
    static constexpr size_t kMaxReportBytes = 16384;
};

struct HidLinkCollection {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t parent = 0; // index of the enclosing link collection (0 for the top-level one)
    uint8_t type = 0;    // 0 physical, 1 application, 2 logical, ...
};

// One data field of a report (a main item, or one usage of it).
struct HidField {
    HidReportKind kind = HidReportKind::Input;
    uint8_t reportId = 0;
    uint16_t usagePage = 0;
    bool isRange = false;
    uint16_t usage = 0; // the usage, or the first of the range
    uint16_t usageMax = 0;
    uint16_t linkCollection = 0; // index into the view's link collections
    uint16_t linkUsagePage = 0;
    uint16_t linkUsage = 0;
    uint32_t bitOffset = 0; // from the first bit after the report ID byte
    uint16_t bitSize = 0;
    uint16_t reportCount = 0;
    uint32_t flags = 0; // the main item's data (bit 1 variable, bit 2 relative, ...)
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
    // A value field: variable and more than one bit wide (single bits and arrays are buttons).
    bool isValue() const { return (flags & 0x02) != 0 && bitSize > 1; }
};

struct HidCollectionView {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    std::vector<HidLinkCollection> links; // index 0 is the top-level collection itself
    std::vector<HidField> fields;
    struct IdLength {
        uint8_t reportId;
        size_t bytes; // incl. the ID byte
    };
    std::vector<IdLength> reports[3];  // the reports of each kind this collection owns, in order
    size_t reportBytes[3] = {0, 0, 0}; // longest report of each kind incl. the ID byte; 0 when none

    size_t reportLength(HidReportKind kind) const { return reportBytes[static_cast<int>(kind)]; }
    // Byte length (incl. the ID byte) of the report of this kind and ID; 0 when it has none.
    size_t reportLength(HidReportKind kind, uint8_t reportId) const;
    // The value fields of one kind, in descriptor order.
    std::vector<const HidField*> values(HidReportKind kind) const;
    // The value field of kind with this usage in the given report (report ID in report[0]);
    // linkCollection 0 searches the whole collection. nullptr when none.
    const HidField* findValue(HidReportKind kind, uint8_t reportId, uint16_t usagePage,
                              uint16_t linkCollection, uint16_t usage) const;
};

struct HidDescriptor {
    std::vector<HidCollectionView> collections;
    bool numbered = false; // the device uses report IDs
};

// Parses the descriptor. On failure returns false with a short reason in error; out is
// left empty.
bool parseHidDescriptor(std::span<const uint8_t> bytes, HidDescriptor& out, std::string& error);

// Zeroes a report buffer and puts the report ID in byte 0.
bool initializeReport(std::span<uint8_t> report, uint8_t reportId);

// Scalar value of a field (the first element when it has several). Fails when the report
// is too short or carries another report ID.
bool getUsageValue(const HidField& field, std::span<const uint8_t> report, uint32_t& value);
bool setUsageValue(const HidField& field, std::span<uint8_t> report, uint32_t value);
// All elements of a value array, packed bit after bit into data (which must hold
// reportCount * bitSize bits). Fails on a scalar field, a short report or short data.
bool getUsageValueArray(const HidField& field, std::span<const uint8_t> report, std::span<uint8_t> data);
bool setUsageValueArray(const HidField& field, std::span<uint8_t> report, std::span<const uint8_t> data);

} // namespace kyv
