#include "transport/usb/report_layout.h"

#include <algorithm>

namespace kyv {
namespace {

constexpr uint16_t kShortCollection = 0x10;
constexpr uint16_t kLongCollection = 0x11;
constexpr uint16_t kOutputData = 0xA0;
constexpr uint16_t kInputData = 0xA1;
constexpr uint16_t kDataLength = 0xA2;
constexpr uint16_t kIbmCollection = 0x3500;
constexpr uint16_t kIbmCount = 0x3511;
constexpr uint16_t kIbmData = 0x3501;
constexpr uint16_t kIbmReply = 0x3503;
// The IBM frame: report ID, length + 4, four fixed bytes, then the data.
constexpr size_t kIbmHeader = 7;

ReportEntry entryOf(const HidField& field)
{
    return ReportEntry{true, field.reportId, field.linkCollection, field.reportCount};
}

// The value array (more than one element) of this usage in the report and link collection.
const HidField* arrayField(const HidCollectionView& view, HidReportKind kind, const ReportEntry& entry,
                           uint16_t page, uint16_t usage)
{
    for (const HidField& f : view.fields)
        if (f.kind == kind && f.isValue() && f.reportId == entry.reportId && f.linkCollection == entry.linkCollection &&
            f.usagePage == page && !f.isRange && f.usage == usage && f.reportCount > 1)
            return &f;
    return nullptr;
}

} // namespace

bool learnVendorLayout(const HidCollectionView& view, uint16_t topUsage, bool featureOptional, ReportLayout& layout)
{
    layout = ReportLayout{};
    if (view.usagePage != kVendorUsagePage || view.usage != topUsage)
        return false;
    const auto outputs = view.values(HidReportKind::Output);
    const auto features = view.values(HidReportKind::Feature);
    if (outputs.empty() || (features.empty() && !featureOptional))
        return false;
    for (const HidField* f : outputs) {
        if (f->linkUsagePage != kVendorUsagePage || f->isRange || f->usage != kOutputData)
            continue;
        if (f->linkUsage == kShortCollection)
            layout.smallOut = entryOf(*f);
        else if (f->linkUsage == kLongCollection)
            layout.largeOut = entryOf(*f);
    }
    for (const HidField* f : features) {
        if (f->usagePage == kVendorUsagePage && !f->isRange && f->usage == kInputData &&
            (f->linkUsage == kShortCollection || f->linkUsage == kLongCollection)) {
            layout.feature = entryOf(*f);
            break;
        }
    }
    const auto inputs = view.values(HidReportKind::Input);
    for (const HidField* f : inputs) {
        if (f->linkUsage == kShortCollection && !f->isRange && f->usage == kInputData) {
            layout.input = entryOf(*f);
            break;
        }
    }
    if ((!layout.feature.present && !featureOptional) || !(layout.smallOut.present || layout.largeOut.present)) {
        layout = ReportLayout{};
        return false;
    }
    layout.outputLength = view.reportLength(HidReportKind::Output);
    layout.featureLength = view.reportLength(HidReportKind::Feature);
    layout.inputLength = inputs.empty() ? 0 : view.reportLength(HidReportKind::Input);
    return true;
}

bool buildVendorOutputReport(const HidCollectionView& view, const ReportLayout& layout,
                             std::span<const uint8_t> data, std::vector<uint8_t>& report)
{
    report.clear();
    const ReportEntry* chosen = nullptr;
    if (layout.smallOut.present && layout.smallOut.capacity >= data.size())
        chosen = &layout.smallOut;
    else if (layout.largeOut.present && layout.largeOut.capacity >= data.size())
        chosen = &layout.largeOut;
    if (!chosen)
        return false;
    const HidField* array = arrayField(view, HidReportKind::Output, *chosen, kVendorUsagePage, kOutputData);
    const HidField* length =
        view.findValue(HidReportKind::Output, chosen->reportId, kVendorUsagePage, chosen->linkCollection, kDataLength);
    if (!array || !length)
        return false;
    // The whole array is written: the data, then zeros up to its capacity.
    std::vector<uint8_t> padded((uint64_t{array->bitSize} * array->reportCount + 7) / 8, 0);
    std::copy(data.begin(), data.end(), padded.begin());
    report.assign(layout.outputLength, 0);
    if (!initializeReport(report, chosen->reportId) || !setUsageValueArray(*array, report, padded) ||
        !setUsageValue(*length, report, static_cast<uint32_t>(data.size()))) {
        report.clear();
        return false;
    }
    return true;
}

std::vector<uint8_t> vendorFeatureRequest(const ReportLayout& layout)
{
    std::vector<uint8_t> report(layout.featureLength, 0);
    if (!report.empty())
        report[0] = layout.feature.reportId;
    return report;
}

namespace {

// The 0xA1 array and 0xA2 count of a feature or input report the device filled.
bool readVendorDataReport(const HidCollectionView& view, HidReportKind kind, const ReportEntry& entry,
                          std::span<const uint8_t> report, std::span<uint8_t> data, size_t& count)
{
    count = 0;
    if (!entry.present)
        return false;
    const HidField* array = arrayField(view, kind, entry, kVendorUsagePage, kInputData);
    if (!array || !getUsageValueArray(*array, report, data))
        return false;
    const size_t held = (uint64_t{array->bitSize} * array->reportCount) / 8;
    uint32_t value = 0;
    const HidField* length = view.findValue(kind, entry.reportId, kVendorUsagePage, entry.linkCollection, kDataLength);
    count = length && getUsageValue(*length, report, value) ? value : entry.capacity;
    count = std::min(count, held); // a device claiming more than the report carries
    return true;
}

} // namespace

bool readVendorFeatureReport(const HidCollectionView& view, const ReportLayout& layout,
                             std::span<const uint8_t> report, std::span<uint8_t> data, size_t& count)
{
    return readVendorDataReport(view, HidReportKind::Feature, layout.feature, report, data, count);
}

bool readVendorInputReport(const HidCollectionView& view, const ReportLayout& layout,
                           std::span<const uint8_t> report, std::span<uint8_t> data, size_t& count)
{
    return readVendorDataReport(view, HidReportKind::Input, layout.input, report, data, count);
}

bool learnIbmUsbLayout(const HidCollectionView& view, IbmUsbLayout& layout)
{
    layout = IbmUsbLayout{};
    if (view.usage != kIbmCollection)
        return false;
    for (const HidField* f : view.values(HidReportKind::Output)) {
        if (f->usagePage != kIbmUsagePage || f->linkUsage != kIbmCollection || f->isRange)
            continue;
        if (f->usage == kIbmCount && !layout.countOut.present)
            layout.countOut = entryOf(*f);
        else if (f->usage == kIbmData && !layout.dataOut.present)
            layout.dataOut = entryOf(*f);
        layout.linkCollection = f->linkCollection;
    }
    for (const HidField* f : view.values(HidReportKind::Feature)) {
        if (f->usagePage == kIbmUsagePage && !f->isRange && f->usage == kIbmReply) {
            layout.feature = entryOf(*f);
            break;
        }
    }
    if (!layout.countOut.present || !layout.dataOut.present || !layout.feature.present) {
        layout = IbmUsbLayout{};
        return false;
    }
    layout.outputLength = view.reportLength(HidReportKind::Output);
    layout.featureLength = view.reportLength(HidReportKind::Feature);
    return true;
}

bool buildIbmUsbOutputReport(const IbmUsbLayout& layout, std::span<const uint8_t> data, std::vector<uint8_t>& report)
{
    report.clear();
    // The count byte holds length + 4; the data must fit behind the header of the report.
    if (layout.outputLength < kIbmHeader || data.size() > layout.outputLength - kIbmHeader || data.size() + 4 > 0xFF)
        return false;
    std::vector<uint8_t> frame(layout.outputLength, 0);
    const uint8_t header[kIbmHeader] = {0x02, static_cast<uint8_t>(data.size() + 4), 0x00, 0x01, 0x00, 0x00, 0x00};
    std::copy(std::begin(header), std::end(header), frame.begin());
    std::copy(data.begin(), data.end(), frame.begin() + kIbmHeader);
    report = std::move(frame);
    return true;
}

bool readIbmUsbFeatureReport(const HidCollectionView& view, const IbmUsbLayout& layout,
                             std::span<const uint8_t> report, std::span<uint8_t> data, size_t& count)
{
    count = 0;
    const HidField* array = arrayField(view, HidReportKind::Feature, layout.feature, kIbmUsagePage, kIbmReply);
    if (!array || !getUsageValueArray(*array, report, data))
        return false;
    // The count: a scalar 0x3503 of the same report when the device has one, else the
    // array's first element (what reading a value array as one value gives).
    const HidField* scalar = nullptr;
    for (const HidField& f : view.fields)
        if (f.kind == HidReportKind::Feature && f.isValue() && f.reportId == layout.feature.reportId &&
            f.usagePage == kIbmUsagePage && f.usage == kIbmReply && f.reportCount == 1) {
            scalar = &f;
            break;
        }
    uint32_t value = 0;
    if (!getUsageValue(scalar ? *scalar : *array, report, value))
        return false;
    count = value;
    return true;
}

} // namespace kyv
