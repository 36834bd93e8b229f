#include "transport/usb/report_device_search.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace kyv {
namespace {

constexpr std::array<uint16_t, 4> kIbmUsbProductIds = {0x30D, 0x30F, 0x31F, 0x364};

struct ClassRow {
    int deviceClass;
    const char* shownAs;
    std::vector<uint16_t> productIds;
};

const ClassRow kClasses[] = {
    {1, "CPMI(NHPI)", {0x315, 0x318, 0x31B, 0x31E, 0x34F, 0x352, 0x355, 0x358, 0x35B, 0x35E, 0x363, 0x371, 0x374, 0x389}},
    {2, "CPMI(NHPI)", {0x313, 0x316, 0x319, 0x31C, 0x34D, 0x350, 0x353, 0x356, 0x359, 0x35C, 0x361, 0x36F, 0x372, 0x387}},
    {3, "CPMI(PRTR)", {0x314, 0x317, 0x31A, 0x31D, 0x34E, 0x351, 0x354, 0x357, 0x35A, 0x35D, 0x362, 0x370, 0x373, 0x388}},
    {5, "IBM USB", {0x30D, 0x30F, 0x31F, 0x364}},
    {6, "CPMI(HID)", {0x40E, 0x40F}},
    {7, "NHPI", {0x36D, 0x386}},
    {8, "CPMI", {0x36B, 0x384}},
    {9, "PRTR", {0x36C, 0x385}},
};

// Opens a candidate and asks it who it is: a device that cannot be opened or does not answer
// is skipped, as is one of another vendor or one the filter does not pass.
std::unique_ptr<UsbHandle> probe(UsbBackend& backend, const UsbDeviceInfo& info, const std::string& pidFilter,
                                 FoundReportDevice& found)
{
    if (info.deviceClass != UsbDeviceClass::Hid)
        return nullptr;
    std::unique_ptr<UsbHandle> handle;
    uint16_t vid = 0;
    uint16_t pid = 0;
    if (backend.open(info.path, handle) != UsbError::None || handle->info(vid, pid) != UsbError::None ||
        vid != kPrinterVendorId || !pidPasses(pidFilter, pid))
        return nullptr;
    found = FoundReportDevice{info.path, info.port, vid, pid, pidText(pid)};
    return handle;
}

} // namespace

std::string pidText(uint16_t productId)
{
    char text[8];
    std::snprintf(text, sizeof text, "%x", productId);
    return text;
}

bool pidPasses(const std::string& pidFilter, uint16_t productId)
{
    return pidFilter.empty() || pidFilter.find(pidText(productId)) != std::string::npos;
}

std::unique_ptr<VendorReportLink> findReportDevice(UsbBackend& backend, const std::string& pidFilter,
                                                   int usageSelector, FoundReportDevice& found,
                                                   const std::string& port)
{
    found = FoundReportDevice{};
    std::vector<UsbDeviceInfo> devices;
    backend.enumerate(devices);
    const uint16_t topUsage = usageSelector != 0 ? 5 : 4;
    for (const UsbDeviceInfo& info : devices) {
        if (!port.empty() && info.port != port)
            continue;
        FoundReportDevice candidate;
        std::unique_ptr<UsbHandle> handle = probe(backend, info, pidFilter, candidate);
        HidDescriptor descriptor;
        std::string error;
        if (!handle || !parseHidDescriptor(info.descriptor, descriptor, error))
            continue;
        for (HidCollectionView& view : descriptor.collections) {
            ReportLayout layout;
            if (learnVendorLayout(view, topUsage, true, layout)) {
                found = candidate;
                return std::make_unique<VendorReportLink>(std::move(handle), std::move(view), layout);
            }
        }
    }
    return nullptr;
}

std::unique_ptr<IbmUsbReportLink> findIbmUsbDevice(UsbBackend& backend, const std::string& pidFilter,
                                                   FoundReportDevice& found, const std::string& port)
{
    found = FoundReportDevice{};
    std::vector<UsbDeviceInfo> devices;
    backend.enumerate(devices);
    for (const UsbDeviceInfo& info : devices) {
        if (!port.empty() && info.port != port)
            continue;
        if (std::find(kIbmUsbProductIds.begin(), kIbmUsbProductIds.end(), info.productId) == kIbmUsbProductIds.end())
            continue;
        FoundReportDevice candidate;
        std::unique_ptr<UsbHandle> handle = probe(backend, info, pidFilter, candidate);
        HidDescriptor descriptor;
        std::string error;
        if (!handle ||
            std::find(kIbmUsbProductIds.begin(), kIbmUsbProductIds.end(), candidate.productId) == kIbmUsbProductIds.end() ||
            !parseHidDescriptor(info.descriptor, descriptor, error))
            continue;
        for (HidCollectionView& view : descriptor.collections) {
            IbmUsbLayout layout;
            if (learnIbmUsbLayout(view, layout)) {
                found = candidate;
                return std::make_unique<IbmUsbReportLink>(std::move(handle), std::move(view), layout);
            }
        }
    }
    return nullptr;
}

int usbDeviceClass(uint16_t vendorId, uint16_t productId)
{
    if (vendorId != kPrinterVendorId)
        return 0;
    for (const ClassRow& row : kClasses)
        if (std::find(row.productIds.begin(), row.productIds.end(), productId) != row.productIds.end())
            return row.deviceClass;
    return 0;
}

std::string usbDeviceText(int deviceClass, uint16_t vendorId, uint16_t productId)
{
    for (const ClassRow& row : kClasses) {
        if (row.deviceClass != deviceClass)
            continue;
        char text[64];
        // "%.4x" prints what the dialog's "%0.4x" does: four digits, zero-padded.
        std::snprintf(text, sizeof text, "VID : %.4x\nPID : %.4x\n%s", vendorId, productId, row.shownAs);
        return text;
    }
    return {};
}

int classifyUsbDevice(UsbBackend& backend, const std::string& pidFilter, int usageSelector, FoundReportDevice& found)
{
    return findReportDevice(backend, pidFilter, usageSelector, found) ? usbDeviceClass(found.vendorId, found.productId)
                                                                       : 0;
}

} // namespace kyv
