#include "core/model_selection.h"

#include "core/download_type.h"

#include <array>
#include <initializer_list>

namespace kyv {
namespace {

using namespace dt;

bool familyIs(const ModelInfo& row, std::initializer_list<std::string_view> families)
{
    for (std::string_view family : families)
        if (row.family == family)
            return true;
    return false;
}

// Which interfaces a family is reached over.
struct OfferedInterfaces {
    bool lan = false;
    bool usbClass = false;
    bool ibmUsb = false;
    bool hid = false;
    bool wifi = false;
    bool com = false;
};

OfferedInterfaces offeredInterfaces(const ModelInfo& row)
{
    if (familyIs(row, {"R451-2XX8/3XX8/4XX8/6XX8"}))
        return {.lan = true, .usbClass = true, .ibmUsb = true, .wifi = true, .com = true};
    if (familyIs(row, {"R241", "R241-Y270"}))
        return {.usbClass = true, .com = true};
    if (familyIs(row, {"R241-2XX8/3XX8/4XX8", "R242", "R242-2XX6/3XX6", "R452"}))
        return {.usbClass = true, .ibmUsb = true, .com = true};
    if (familyIs(row, {"R241-3044-7004"}))
        return {.com = true};
    if (familyIs(row, {"R241-9354-7004"}))
        return {.ibmUsb = true};
    if (familyIs(row, {"R242-57X6/56X6/1456"}))
        return {.ibmUsb = true, .com = true};
    if (isJ5Family(row))
        return {.hid = true};
    if (familyIs(row, {"Q62X-J73X", "Q874-E611", "R451", "Q58X-E616", "Q58X-E617/Q306", "Q58X-E619"}))
        return {.usbClass = true, .com = true};
    if (familyIs(row, {"KSX4-1ST/2ST", "Q913-E615"}))
        return {.usbClass = true};
    if (isR453OrR243(row))
        return {.lan = true, .usbClass = true, .com = true};
    return {};
}

struct FamilyPids {
    std::string_view family;
    std::string_view pids;
};

constexpr std::array<FamilyPids, 20> kPids{{
    {"KSX4-1ST/2ST", "36f370371372373374"},
    {"Q913-E615", "387388389"},
    {"R451", "31931b31a30d"},
    {"R451-2XX8/3XX8/4XX8/6XX8", "31931b31a30d"},
    {"R242", "35035235130f"},
    {"R242-2XX6/3XX6", "35035235130f"},
    {"R241", "31631831731f"},
    {"R241-2XX8/3XX8/4XX8", "31631831731f"},
    {"J5", "40e40f"},
    {"Q62X-J73X", "356358357"},
    {"Q58X-E617/Q306", "313315314"},
    {"Q58X-E619", "35935b35a"},
    {"Q58X-E616", "353355354"},
    {"Q874-E611", "34d34f34e"},
    {"R241-Y270", "31c31e31d"},
    {"R452", "35c35e35d364"},
    {"R453", "36b36c36d"},
    {"R243", "38438538631f"},
    {"R241-9354-7004", "31f"},
    {"R242-57X6/56X6/1456", "30f"},
}};

} // namespace

bool isJ5Family(const ModelInfo& row) { return row.family == "J5"; }

bool isR453OrR243(const ModelInfo& row) { return familyIs(row, {"R453", "R243"}); }

std::vector<std::string> downloadTypeList(const ModelInfo& row, int detectedUsbType)
{
    std::vector<std::string> list;
    auto addIf = [&list](int sector, std::string_view text) {
        if (sector != 0)
            list.emplace_back(text);
    };
    addIf(row.iplSector, kIplFirmware);
    addIf(row.mainSector, kMainFirmware);
    // The J5 rows have no IPL sector of their own but still take a boot image (over HID).
    if (isJ5Family(row))
        list.emplace_back(kIplFirmware);
    addIf(row.iplLanSector, kIplLanFirmware);
    addIf(row.ankSector, kAnkFont);
    addIf(row.bootInitialSector, kBootInitial);
    addIf(row.slip2ByteSector, kSlip2Byte);
    addIf(row.receipt2ByteSector, kReceipt2Byte);
    addIf(row.asianFontSector, kAsianFontSector);
    addIf(row.slipAsianSector, kSlipAsianFont);
    addIf(row.receiptAsianSector, kReceiptAsianFont);
    addIf(row.sbcsSector, kSbcsFont);
    addIf(row.dbcsSector, kDbcsFont);
    // These two families take only combined (IMF) files.
    if (familyIs(row, {"R242-57X6/56X6/1456", "R241-9354-7004"}))
        list.assign(1, std::string(kImfFile));
    addIf(row.cp932Sector, kCp932Font);
    if (row.family == "R243")
        list.emplace_back(kSdbcsFont);
    addIf(row.tableSector, kTable);
    if (row.family == "R243")
        list.emplace_back(kImfFile);
    if (row.configTableOffered != 0 && detectedUsbType != kUsbTypeCpmiForm)
        list.emplace_back(kConfigurationTable);
    return list;
}

SerialDefaults serialDefaults(const ModelInfo& row)
{
    if (isR453OrR243(row))
        return {"19200", "NONE", "1"};
    return {"115200", "NONE", "1"};
}

InterfaceList interfaceList(const ModelInfo& row, int detectedUsbType)
{
    const OfferedInterfaces offered = offeredInterfaces(row);
    InterfaceList result;
    auto add = [&result](std::string text, bool select) {
        result.entries.push_back(std::move(text));
        if (select)
            result.selected = static_cast<int>(result.entries.size()) - 1;
    };
    if (offered.lan)
        add("LAN", false);
    if (offered.usbClass) {
        if (isR453OrR243(row) && detectedUsbType != kUsbTypeCpmiForm) {
            add("NHPI", true);
            add("PRTR", true);
        } else {
            add("CPMI", true);
        }
    }
    if (offered.ibmUsb)
        add("IBM USB", true);
    if (offered.hid)
        add("HID", true);
    if (offered.wifi)
        add("WIFI", false);
    if (offered.com) {
        const int com1 = static_cast<int>(result.entries.size());
        for (int n = 1; n <= 50; ++n)
            add("COM" + std::to_string(n), false);
        result.selected = com1;
    }
    return result;
}

int interfaceKindOf(std::string_view interfaceText)
{
    if (interfaceText == "USB")
        return kUsbReportDevice;
    if (interfaceText == "LAN" || interfaceText == "WIFI")
        return kLanOrWifi;
    if (interfaceText == "CPMI" || interfaceText == "NHPI" || interfaceText == "PRTR")
        return kUsbDeviceClass;
    if (interfaceText == "IBM USB")
        return kIbmUsb;
    if (interfaceText == "HID")
        return kHid;
    return kSerialPort;
}

std::string pidListFor(std::string_view family)
{
    for (const FamilyPids& entry : kPids)
        if (entry.family == family)
            return std::string(entry.pids);
    return {};
}

bool makeFwFolderEnabled(const ModelInfo& row) { return isR453OrR243(row); }

ModelSelection selectModel(const ModelInfo& row, ProcessValues& values)
{
    ModelSelection selection;
    selection.downloadTypes = downloadTypeList(row, values.detectedUsbType);
    selection.serial = serialDefaults(row);
    selection.interfaces = interfaceList(row, values.detectedUsbType);
    if (selection.interfaces.selected >= 0)
        selection.interfaceKind =
            interfaceKindOf(selection.interfaces.entries[static_cast<size_t>(selection.interfaces.selected)]);
    selection.j5Family = isJ5Family(row);
    selection.makeFwFolder = makeFwFolderEnabled(row);
    values.pidList = pidListFor(row.family);
    return selection;
}

bool applyDownloadTypeToInterfaces(const ModelInfo& row, std::string_view typeText, InterfaceList& interfaces)
{
    if (row.displayName != "R243" || !typeText.starts_with(kImfFile))
        return false;
    interfaces.entries.assign(1, "IBM USB");
    interfaces.selected = 0;
    return true;
}

bool chooseDownloadType(ModelInfo& row, std::string_view typeText)
{
    const DownloadType* type = findDownloadType(typeText);
    if (type == nullptr)
        return false;
    row.job.startSector = startSectorOf(row, *type);
    return true;
}

void recordDownloadTypeCode(FlashJob& job, std::string_view typeText)
{
    job.downloadTypeCode = downloadTypeCode(typeText);
}

} // namespace kyv
