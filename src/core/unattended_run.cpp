#include "core/unattended_run.h"

#include "core/ipv4_text.h"

namespace kyv {
namespace {

std::string entryAt(const std::vector<std::string>& entries, int index)
{
    return index >= 0 && static_cast<size_t>(index) < entries.size() ? entries[static_cast<size_t>(index)] : "";
}

// Selects text in a list whose current entry is the default text.
std::string selectIn(const std::vector<std::string>& entries, const std::string& current, const std::string& text)
{
    int index = -1;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i] == current)
            index = static_cast<int>(i);
    return entryAt(entries, selectByPrefix(entries, text, index));
}

} // namespace

const std::vector<std::string>& baudEntries()
{
    static const std::vector<std::string> entries = {"115200", "57600", "38400", "19200", "9600"};
    return entries;
}

const std::vector<std::string>& parityEntries()
{
    static const std::vector<std::string> entries = {"EVEN", "NONE", "ODD"};
    return entries;
}

const std::vector<std::string>& stopBitEntries()
{
    static const std::vector<std::string> entries = {"1", "2"};
    return entries;
}

std::string pathInWorkDir(const std::string& workDir, const std::string& fileText)
{
    if (!fileText.empty() && fileText[0] == '/')
        return fileText;
    return workDir + "/" + fileText;
}

UnattendedSelection selectForUnattendedRun(const ParsedArguments& parsed, const ModelInfo& row,
                                           const std::string& workDir, ProcessValues& values)
{
    UnattendedSelection s;
    s.model = selectModel(row, values);

    s.downloadTypeIndex = selectByPrefix(s.model.downloadTypes, parsed.downloadTypeText, -1);
    s.downloadTypeText = entryAt(s.model.downloadTypes, s.downloadTypeIndex);
    applyDownloadTypeToInterfaces(row, s.downloadTypeText, s.model.interfaces);

    InterfaceList& interfaces = s.model.interfaces;
    switch (parsed.interfaceKind) {
    case kSerialPort:
    case kLanOrWifi:
        interfaces.selected = selectByPrefix(interfaces.entries, parsed.interfaceText, interfaces.selected);
        break;
    case kUsbDeviceClass:
        if (parsed.usbClassWord == "NHPI" || parsed.usbClassWord == "PRTR") {
            interfaces.selected = selectByPrefix(interfaces.entries, parsed.usbClassWord, interfaces.selected);
        } else {
            interfaces.entries.emplace_back("CPMI");
            interfaces.selected = static_cast<int>(interfaces.entries.size()) - 1;
        }
        break;
    case kIbmUsb:
        interfaces.selected = selectByPrefix(interfaces.entries, "IBM USB", interfaces.selected);
        break;
    case kHid:
        interfaces.selected = selectByPrefix(interfaces.entries, "HID", interfaces.selected);
        break;
    case kUsbReportDevice:
        // No model offers "USB" in its list; a job that names it runs over the USB report
        // device, never over whatever entry model selection left (a COM port, CPMI).
        interfaces.entries.emplace_back("USB");
        interfaces.selected = static_cast<int>(interfaces.entries.size()) - 1;
        break;
    default:
        break;
    }
    s.interfaceText = entryAt(interfaces.entries, interfaces.selected);
    // An interface the model does not offer selected nothing: the job runs over the entry
    // model selection left, with its kind, as the dialog's interface handling sets it.
    s.interfaceKind = interfaceKindOf(s.interfaceText);

    s.baudText = s.model.serial.baud;
    s.parityText = s.model.serial.parity;
    s.stopBitsText = s.model.serial.stopBits;
    if (parsed.interfaceKind == kSerialPort) {
        s.baudText = selectIn(baudEntries(), s.baudText, parsed.baudText);
        s.parityText = selectIn(parityEntries(), s.parityText, parsed.parityText);
        s.stopBitsText = selectIn(stopBitEntries(), s.stopBitsText, parsed.stopBitsText);
    }
    s.ipAddress = kDefaultIpAddress;
    if (parsed.interfaceKind == kLanOrWifi)
        s.ipAddress = parseIpv4(parsed.ipText).value_or(kDefaultIpAddress);

    s.fileText = parsed.fileText;
    s.filePath = pathInWorkDir(workDir, parsed.fileText);
    return s;
}

} // namespace kyv
