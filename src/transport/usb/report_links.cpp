#include "transport/usb/report_links.h"

#include <algorithm>

namespace kyv {
namespace {

// The port handle a link stands for: valid while its device has not gone.
constexpr int kLinkHandle = 1;

int sendReport(UsbHandle& device, const std::vector<uint8_t>& report)
{
    size_t written = 0;
    return device.write(report, written) == UsbError::None && written == report.size() ? 1 : 0;
}

// A device that answers the identity request, or fails it for any reason but having left, is
// taken as still there.
bool answersAsPresent(UsbHandle* device)
{
    if (device == nullptr)
        return false;
    uint16_t vid = 0;
    uint16_t pid = 0;
    return device->info(vid, pid) != UsbError::Gone;
}

} // namespace

VendorReportLink::VendorReportLink(std::unique_ptr<UsbHandle> device, HidCollectionView view, ReportLayout layout)
    : device_(std::move(device)), view_(std::move(view)), layout_(layout)
{
}

bool VendorReportLink::stillPresent() { return answersAsPresent(device_.get()); }

size_t VendorReportLink::largestOutputData() const
{
    if (layout_.largeOut.present)
        return layout_.largeOut.capacity;
    return layout_.smallOut.present ? layout_.smallOut.capacity : 0;
}

int VendorReportLink::handle() const { return device_ && !device_->gone() ? kLinkHandle : -1; }

int VendorReportLink::writeReport(const uint8_t* buffer, size_t length)
{
    std::vector<uint8_t> report;
    if (!device_ || !buildVendorOutputReport(view_, layout_, {buffer, length}, report))
        return 0;
    return sendReport(*device_, report);
}

int VendorReportLink::readReport(uint8_t* buffer, size_t capacity, size_t& got)
{
    got = 0;
    std::vector<uint8_t> report = vendorFeatureRequest(layout_);
    uint8_t data[kFeatureData] = {};
    size_t count = 0;
    if (!device_ || report.empty() || device_->getFeature(report) != UsbError::None ||
        !readVendorFeatureReport(view_, layout_, report, data, count))
        return 0;
    got = std::min(count, kFeatureData);
    std::copy_n(data, std::min(got, capacity), buffer);
    return 1;
}

int VendorReportLink::readInputReport(uint8_t* buffer, size_t capacity, size_t& got, ProtocolMs timeout)
{
    got = 0;
    if (!device_ || !layout_.input.present || layout_.inputLength == 0)
        return 0;
    // Reports of the interface's other collections are passed over, a bounded number of them.
    constexpr int kReportsLookedAt = 32;
    for (int looked = 0; looked < kReportsLookedAt; ++looked) {
        std::vector<uint8_t> report(layout_.inputLength, 0);
        size_t held = 0;
        if (device_->read(report, timeout, held) != UsbError::None || held == 0)
            return 0;
        // Every collection of the interface reports here; only this one's report counts.
        const bool numbered = layout_.input.reportId != 0;
        if (!numbered || report[0] == layout_.input.reportId) {
            uint8_t data[kFeatureData] = {};
            size_t count = 0;
            if (!readVendorInputReport(view_, layout_, report, data, count))
                return 0;
            got = std::min(count, kFeatureData);
            std::copy_n(data, std::min(got, capacity), buffer);
            return 1;
        }
    }
    return 0;
}

IbmUsbReportLink::IbmUsbReportLink(std::unique_ptr<UsbHandle> device, HidCollectionView view, IbmUsbLayout layout)
    : device_(std::move(device)), view_(std::move(view)), layout_(layout)
{
}

bool IbmUsbReportLink::stillPresent() { return answersAsPresent(device_.get()); }

int IbmUsbReportLink::handle() const { return device_ && !device_->gone() ? kLinkHandle : -1; }

int IbmUsbReportLink::writeReport(const uint8_t* buffer, size_t length)
{
    std::vector<uint8_t> report;
    if (!device_ || !buildIbmUsbOutputReport(layout_, {buffer, length}, report))
        return 0;
    return sendReport(*device_, report);
}

int IbmUsbReportLink::readReport(uint8_t* buffer, size_t capacity, size_t& got)
{
    got = 0;
    std::vector<uint8_t> report(layout_.featureLength, 0);
    if (!device_ || report.empty())
        return 0;
    report[0] = layout_.feature.reportId;
    std::vector<uint8_t> data(layout_.featureLength, 0);
    size_t count = 0;
    if (device_->getFeature(report) != UsbError::None || !readIbmUsbFeatureReport(view_, layout_, report, data, count))
        return 0;
    got = std::min(count, data.size()); // never more than the report carried
    std::copy_n(data.begin(), std::min(got, capacity), buffer);
    return 1;
}

} // namespace kyv
