#include "sim/lib/usb/printer_reports.h"

#include "sim/lib/usb/hid_items.h"

#include <algorithm>

namespace kyv::sim {
namespace {

constexpr uint16_t kVendorPage = 0xFF8B;
constexpr uint16_t kIbmPage = 0xFF45;
// Where the IBM printer puts its answer in the status block.
constexpr size_t kIbmReplyOffset = 11;
// The four fixed bytes after the count of an IBM frame, and the count's excess over the
// printer bytes.
constexpr size_t kIbmFrameHeader = 5;
constexpr size_t kIbmCountExcess = 4;

void vendorCollection(HidItems& d, uint16_t topUsage, const VendorReportIds& ids)
{
    d.usagePage(kVendorPage).usage(topUsage).application();
    d.usage(0x10).logical();
    d.reportId(ids.shortOut).field(0xA2, 8, 1).output().field(0xA0, 8, kVendorShortData).output();
    d.reportId(ids.feature).field(0xA2, 8, 1).feature().field(0xA1, 8, kVendorReplyData).feature();
    d.reportId(ids.input).field(0xA2, 8, 1).input().field(0xA1, 8, kVendorReplyData).input();
    d.endCollection();
    d.usage(0x11).logical();
    d.reportId(ids.longOut).field(0xA2, 16, 1).output().field(0xA0, 8, kVendorLongData).output();
    d.endCollection();
    d.endCollection();
}

uint8_t at(std::span<const uint8_t> report, size_t i) { return i < report.size() ? report[i] : 0; }

Bytes slice(std::span<const uint8_t> report, size_t from, size_t count)
{
    Bytes out(count, 0);
    for (size_t i = 0; i < count; ++i)
        out[i] = at(report, from + i);
    return out;
}

} // namespace

Bytes vendorDescriptor()
{
    HidItems d;
    vendorCollection(d, 4, kUsage4Reports);
    vendorCollection(d, 5, kUsage5Reports);
    return d.bytes();
}

Bytes ibmUsbDescriptor()
{
    HidItems d;
    d.usagePage(kIbmPage).usage(0x3500).application();
    d.usage(0x3500).logical();
    d.reportId(kIbmOutputId).field(0x3511, 8, 1).output().field(0x3501, 8, kIbmOutputData).output();
    d.reportId(kIbmFeatureId).field(0x3503, 8, kIbmStatusBytes).feature();
    d.endCollection();
    d.endCollection();
    return d.bytes();
}

Bytes mouseDescriptor()
{
    return {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01, 0x29, 0x03,
            0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05, 0x81, 0x01,
            0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06,
            0xC0, 0xC0};
}

std::optional<Bytes> vendorOutputData(std::span<const uint8_t> report)
{
    uint8_t id = at(report, 0);
    for (const VendorReportIds& ids : {kUsage4Reports, kUsage5Reports}) {
        if (id == ids.shortOut)
            return slice(report, 2, std::min<size_t>(at(report, 1), kVendorShortData));
        if (id == ids.longOut) {
            size_t count = at(report, 1) | static_cast<size_t>(at(report, 2)) << 8;
            return slice(report, 3, std::min(count, kVendorLongData));
        }
    }
    return std::nullopt;
}

std::optional<Bytes> ibmOutputData(std::span<const uint8_t> report)
{
    if (at(report, 0) != kIbmOutputId)
        return std::nullopt;
    size_t count = at(report, 1);
    size_t length = count > kIbmCountExcess ? count - kIbmCountExcess : 0;
    return slice(report, 2 + kIbmFrameHeader, std::min(length, kIbmOutputData - kIbmFrameHeader));
}

bool isVendorFeatureId(uint8_t id) { return id == kUsage4Reports.feature || id == kUsage5Reports.feature; }

uint8_t vendorInputIdFor(uint8_t outputId)
{
    return outputId == kUsage5Reports.shortOut || outputId == kUsage5Reports.longOut ? kUsage5Reports.input
                                                                                     : kUsage4Reports.input;
}

Bytes vendorReplyReport(uint8_t reportId, std::span<const uint8_t> data)
{
    size_t count = std::min(data.size(), kVendorReplyData);
    Bytes report(2 + kVendorReplyData, 0);
    report[0] = reportId;
    report[1] = static_cast<uint8_t>(count);
    std::copy_n(data.begin(), count, report.begin() + 2);
    return report;
}

Bytes ibmStatusReport(std::span<const uint8_t> reply)
{
    Bytes report(1 + kIbmStatusBytes, 0);
    report[0] = kIbmFeatureId;
    report[1] = static_cast<uint8_t>(kIbmStatusBytes);
    size_t count = std::min(reply.size(), kIbmStatusBytes - kIbmReplyOffset);
    std::copy_n(reply.begin(), count, report.begin() + 1 + kIbmReplyOffset);
    return report;
}

} // namespace kyv::sim
