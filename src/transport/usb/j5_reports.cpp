#include "transport/usb/j5_reports.h"

#include <algorithm>

namespace kyv {
namespace {

constexpr size_t kShortFrame = 64;
// Report ID and count byte ahead of the data in a short frame.
constexpr size_t kFrameHead = 2;

} // namespace

bool learnJ5Reports(std::span<const uint8_t> descriptor, J5Reports& reports)
{
    reports = J5Reports{};
    HidDescriptor parsed;
    std::string error;
    if (!parseHidDescriptor(descriptor, parsed, error))
        return false;
    for (HidCollectionView& view : parsed.collections) {
        for (uint16_t usage : {uint16_t{4}, uint16_t{5}}) {
            if (learnVendorLayout(view, usage, true, reports.layout)) {
                reports.view = std::move(view);
                return true;
            }
        }
    }
    return false;
}

int j5Write(UsbHandle& device, const J5Reports& reports, std::span<const uint8_t> data)
{
    std::vector<uint8_t> report;
    if (!buildVendorOutputReport(reports.view, reports.layout, data, report))
        return 0;
    const ReportEntry& chosen = reports.layout.smallOut.present && reports.layout.smallOut.capacity >= data.size()
                                    ? reports.layout.smallOut
                                    : reports.layout.largeOut;
    if (chosen.capacity <= kShortFrame) {
        // Only the head and the data travel; the rest of the frame is zero. The frame is sent
        // at the device's output report length (zero-padded should that exceed 64 bytes).
        std::vector<uint8_t> frame(std::max(kShortFrame, report.size()), 0);
        std::copy_n(report.begin(), std::min(data.size() + kFrameHead, report.size()), frame.begin());
        frame.resize(report.size());
        report = std::move(frame);
    }
    size_t written = 0;
    return device.write(report, written) == UsbError::None && written == report.size() ? 1 : 0;
}

int j5Read(UsbHandle& device, const J5Reports& reports, std::span<uint8_t, 64> buffer, size_t& count)
{
    count = 0;
    std::vector<uint8_t> report = vendorFeatureRequest(reports.layout);
    if (report.empty() || device.getFeature(report) != UsbError::None)
        return 0;
    return readVendorFeatureReport(reports.view, reports.layout, report, buffer, count) ? 1 : 0;
}

int j5SendEmptyFeature(UsbHandle& device, const J5Reports& reports)
{
    const std::vector<uint8_t> report = vendorFeatureRequest(reports.layout);
    if (report.empty() || device.setFeature(report) != UsbError::None)
        return 0;
    // The same zeroed report read back as data: no bytes, count zero. It fails only when
    // the layout has no feature array to read.
    std::vector<uint8_t> data(report.size(), 0);
    size_t count = 0;
    return readVendorFeatureReport(reports.view, reports.layout, report, data, count) ? 1 : 0;
}

} // namespace kyv
