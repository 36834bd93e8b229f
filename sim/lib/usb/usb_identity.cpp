#include "sim/lib/usb/usb_identity.h"

#include <array>

namespace kyv::sim {
namespace {

struct FamilyRow {
    std::initializer_list<std::string_view> models;
    FamilyProductIds ids;
};

// Per family: online, download, printer class, IBM USB.
const std::array<FamilyRow, 17>& families()
{
    static const std::array<FamilyRow, 17> rows{{
        {{"KSX4-1ST/2ST"}, {0x371, 0x36F, 0x370, 0}},
        {{"Q913-E615"}, {0x389, 0x387, 0x388, 0}},
        {{"R451", "R451-2XX8/3XX8/4XX8/6XX8"}, {0x31B, 0x319, 0x31A, 0x30D}},
        {{"R242", "R242-2XX6/3XX6"}, {0x352, 0x350, 0x351, 0x30F}},
        {{"R241", "R241-Y480", "R241-2XX8/3XX8/4XX8"}, {0x318, 0x316, 0x317, 0x31F}},
        // The J5 printers present one HID interface, under 0x40F while online.
        {{"J5", "J5_REFRESH"}, {0x40F, 0x40E, 0, 0}},
        {{"Q621-J738", "Q622-J738", "J736"}, {0x358, 0x356, 0x357, 0}},
        {{"Q58X-E617/Q306"}, {0x315, 0x313, 0x314, 0}},
        {{"Q58X-E619"}, {0x35B, 0x359, 0x35A, 0}},
        {{"Q581-E616", "Q585-E616"}, {0x355, 0x353, 0x354, 0}},
        {{"Q874-E611"}, {0x34F, 0x34D, 0x34E, 0}},
        {{"R241-Y270"}, {0x31E, 0x31C, 0x31D, 0}},
        {{"R452"}, {0x35E, 0x35C, 0x35D, 0x364}},
        {{"R453"}, {0x36D, 0x36B, 0x36C, 0}},
        {{"R243"}, {0x386, 0x384, 0x385, 0x31F}},
        {{"R241-9354-7004"}, {0, 0, 0, 0x31F}},
        {{"R242-57X6/56X6/1456"}, {0, 0, 0, 0x30F}},
    }};
    return rows;
}

bool isJ5(std::string_view model) { return model == "J5" || model == "J5_REFRESH"; }

} // namespace

std::optional<UsbInterface> usbInterfaceFromName(std::string_view name)
{
    for (UsbInterface i : {UsbInterface::Usb, UsbInterface::IbmUsb, UsbInterface::Cpmi, UsbInterface::Nhpi,
                           UsbInterface::Prtr, UsbInterface::Hid})
        if (usbInterfaceName(i) == name)
            return i;
    return std::nullopt;
}

std::string_view usbInterfaceName(UsbInterface interface)
{
    switch (interface) {
    case UsbInterface::Usb: return "USB";
    case UsbInterface::IbmUsb: return "IBMUSB";
    case UsbInterface::Cpmi: return "CPMI";
    case UsbInterface::Nhpi: return "NHPI";
    case UsbInterface::Prtr: return "PRTR";
    case UsbInterface::Hid: return "HID";
    }
    return "";
}

FamilyProductIds familyProductIds(std::string_view model)
{
    for (const FamilyRow& row : families())
        for (std::string_view name : row.models)
            if (name == model)
                return row.ids;
    return {};
}

std::vector<UsbDeviceForm> usbDevicesFor(std::string_view model, UsbInterface interface, PrinterMode mode,
                                         std::string* why)
{
    const FamilyProductIds ids = familyProductIds(model);
    auto none = [&](const char* what) {
        if (why != nullptr)
            *why = "the " + std::string(model) + " has no " + what + " interface";
        return std::vector<UsbDeviceForm>{};
    };
    const bool download = mode == PrinterMode::Download;
    const UsbDeviceForm ipl{UsbDeviceKind::VendorReports, ids.download, "POS Printer (IPL)"};
    const UsbDeviceForm nhpi{UsbDeviceKind::VendorReports, ids.online, "POS Printer (NHPI)"};
    const UsbDeviceForm prtr{UsbDeviceKind::PrinterClass, ids.printerClass, "POS Printer (PRTR)"};
    if (isJ5(model) && interface != UsbInterface::Hid) {
        if (why != nullptr)
            *why = "the " + std::string(model) + " has only the HID interface (--interface HID)";
        return {};
    }
    switch (interface) {
    case UsbInterface::Hid:
        if (!isJ5(model))
            return none("HID");
        return {{UsbDeviceKind::VendorReports, download ? ids.download : ids.online, "POS Printer (HID)"}};
    case UsbInterface::IbmUsb:
        if (ids.ibm == 0)
            return none("IBM USB");
        return {{UsbDeviceKind::IbmReports, ids.ibm, "POS Printer (IBM USB)"}};
    case UsbInterface::Usb:
    case UsbInterface::Nhpi:
        if (ids.online == 0)
            return none(interface == UsbInterface::Usb ? "USB report" : "NHPI");
        return {download ? ipl : nhpi};
    case UsbInterface::Prtr:
        if (ids.printerClass == 0)
            return none("PRTR");
        if (download)
            return {ipl};
        return {prtr};
    case UsbInterface::Cpmi:
        if (ids.printerClass == 0)
            return none("CPMI");
        if (download)
            return {ipl};
        return {nhpi, prtr};
    }
    return none("such");
}

} // namespace kyv::sim
