#include "transport/usb/cpmi_product_class.h"

#include "transport/usb/report_device_search.h"

#include <algorithm>
#include <array>
#include <vector>

namespace kyv {
namespace {

constexpr uint16_t kPrinterVendor = 0x0404;
constexpr size_t kDevicesWalked = 51;

constexpr std::array<uint16_t, 16> kNormal{0x0352, 0x035e, 0x0315, 0x035b, 0x0318, 0x031b, 0x0355, 0x031e,
                                           0x034f, 0x0363, 0x0358, 0x0371, 0x0374, 0x036d, 0x0386, 0x0389};
constexpr std::array<uint16_t, 16> kIpl{0x0313, 0x0359, 0x0350, 0x035c, 0x0316, 0x0319, 0x0353, 0x031c,
                                        0x034d, 0x0361, 0x0356, 0x036f, 0x0372, 0x036b, 0x0384, 0x0387};
constexpr std::array<uint16_t, 16> kPrinterClass{0x0314, 0x035a, 0x0351, 0x035d, 0x0317, 0x031a, 0x0354, 0x031d,
                                                 0x034e, 0x0362, 0x0357, 0x0370, 0x0373, 0x036c, 0x0385, 0x0388};
constexpr std::array<uint16_t, 4> kIbmUsb{0x030f, 0x0364, 0x030d, 0x031f};

template <size_t N>
bool listed(const std::array<uint16_t, N>& ids, uint16_t id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

} // namespace

CpmiClass cpmiProductClass(uint16_t productId)
{
    if (listed(kNormal, productId))
        return CpmiClass::Normal;
    if (listed(kIpl, productId))
        return CpmiClass::Ipl;
    if (listed(kPrinterClass, productId))
        return CpmiClass::PrinterClass;
    if (listed(kIbmUsb, productId))
        return CpmiClass::IbmUsb;
    return CpmiClass::None;
}

std::optional<CpmiDevice> findCpmiDevice(UsbBackend& backend, const std::string& pidFilter)
{
    std::vector<UsbDeviceInfo> devices;
    if (backend.enumerate(devices) != UsbError::None)
        return std::nullopt;
    const size_t walked = std::min(devices.size(), kDevicesWalked);
    for (size_t i = 0; i < walked; ++i) {
        const UsbDeviceInfo& info = devices[i];
        if (info.vendorId != kPrinterVendor || !pidPasses(pidFilter, info.productId))
            continue;
        const CpmiClass productClass = cpmiProductClass(info.productId);
        if (productClass != CpmiClass::None)
            return CpmiDevice{info, productClass};
    }
    return std::nullopt;
}

} // namespace kyv
