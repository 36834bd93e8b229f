#include "core/command_line.h"

#include "core/download_type.h"
#include "core/ipv4_text.h"
#include "core/model_selection.h"

#include <initializer_list>
#include <sys/stat.h>

namespace kyv {
namespace {

using namespace dt;

bool beginsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool isAnyOf(std::string_view text, std::initializer_list<std::string_view> words)
{
    for (std::string_view word : words)
        if (text == word)
            return true;
    return false;
}

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool pathExists(const std::string& path)
{
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

// The type a letter stands for on this row, with its start sector copied into the job.
ResultCode chooseTypeByLetter(ModelInfo& row, std::string_view letter, std::string& typeText)
{
    // "M", "I" and "F" are taken even where the model has no sector for them.
    auto take = [&](std::string_view text, bool acceptZero = false) -> ResultCode {
        const DownloadType* type = findDownloadType(text);
        if (!acceptZero && startSectorOf(row, *type) == 0)
            return rc::BadDownloadTypeArgument;
        row.job.startSector = startSectorOf(row, *type);
        typeText = text;
        return rc::Success;
    };
    if (letter == "M")
        return take(kMainFirmware, true);
    if (letter == "I")
        return take(kIplFirmware, true);
    if (letter == "A")
        return take(kAnkFont);
    if (letter == "L")
        return take(kIplLanFirmware);
    if (letter == "B")
        return take(kBootInitial);
    if (letter == "S")
        return take(kAsianFontSector);
    if (letter == "SS")
        return take(row.slipAsianSector != 0 ? kSlipAsianFont : kSlip2Byte);
    if (letter == "RS")
        return take(row.receiptAsianSector != 0 ? kReceiptAsianFont : kReceipt2Byte);
    if (letter == "SB")
        return take(kSbcsFont);
    if (letter == "DB")
        return take(kDbcsFont);
    if (letter == "F") {
        // Combined (IMF) files exist only for these models.
        if (!isAnyOf(row.displayName, {"R242-57X6/56X6/1456", "R241-9354-7004", "R243"}))
            return rc::BadDownloadTypeArgument;
        return take(kImfFile, true);
    }
    if (letter == "T")
        return take(kTable);
    if (letter == "C") {
        if (row.configTableOffered == 0)
            return rc::BadDownloadTypeArgument;
        typeText = kConfigurationTable; // the job keeps the start sector it had
        return rc::Success;
    }
    if (letter == "SDB")
        return take(kSdbcsFont);
    return rc::BadDownloadTypeArgument;
}

// Interface by what the argument begins with, in this order; -1 when none fits.
int interfaceKindOfArgument(std::string_view arg, std::string& usbClassWord)
{
    if (beginsWith(arg, "COM"))
        return kSerialPort;
    if (beginsWith(arg, "USB"))
        return kUsbReportDevice;
    if (beginsWith(arg, "LAN") || beginsWith(arg, "WIFI"))
        return kLanOrWifi;
    for (std::string_view word : {"CPMI", "NHPI", "PRTR"})
        if (beginsWith(arg, word)) {
            usbClassWord = word;
            return kUsbDeviceClass;
        }
    if (beginsWith(arg, "IBMUSB"))
        return kIbmUsb;
    if (beginsWith(arg, "HID"))
        return kHid;
    return -1;
}

// The file argument as a path. A Windows-style leading "/" is dropped only when the
// argument does not name an existing path as given (on Linux "/" starts an absolute path).
std::string fileArgument(const std::string& given)
{
    if (!given.empty() && given[0] == '/' && !pathExists(given) && pathExists(given.substr(1)))
        return given.substr(1);
    return given;
}

} // namespace

std::string normalizedArgument(std::string_view arg)
{
    if (!arg.empty() && arg[0] == '/')
        arg.remove_prefix(1);
    std::string text(arg);
    for (char& c : text)
        c = upper(c);
    return text;
}

ResultCode parseCommandLine(const std::vector<std::string>& args, ModelCatalogue& catalogue,
                            ParsedArguments& parsed, ProcessValues& values)
{
    parsed = ParsedArguments{};
    values.commandLineMode = 0;
    if (args.empty())
        return rc::Success;
    values.commandLineMode = 1;
    if (args.size() < 4)
        return rc::TooFewArguments;

    std::vector<std::string> upper;
    upper.reserve(args.size());
    for (const std::string& arg : args)
        upper.push_back(normalizedArgument(arg));

    const int model = catalogue.indexOf(upper[0]);
    if (model < 0)
        return rc::BadModelArgument;
    parsed.modelIndex = model;
    parsed.modelText = upper[0];
    ModelInfo& row = catalogue.row(model);

    if (ResultCode code = chooseTypeByLetter(row, upper[1], parsed.downloadTypeText); code != rc::Success)
        return code;

    const int kind = interfaceKindOfArgument(upper[2], parsed.usbClassWord);
    if (kind < 0)
        return rc::BadInterfaceArgument;
    parsed.interfaceKind = kind;
    parsed.interfaceText = upper[2];

    size_t next = 3; // index of the file argument
    if (beginsWith(upper[2], "LAN") || beginsWith(upper[2], "WIFI")) {
        if (!parseIpv4(upper[3]))
            return rc::BadIpArgument;
        parsed.ipText = upper[3];
        next = 4;
    } else if (beginsWith(upper[2], "COM")) {
        if (args.size() < 6)
            return rc::TooFewArguments;
        if (!isAnyOf(upper[3], {"9600", "19200", "38400", "57600", "115200"}))
            return rc::BadBaudArgument;
        if (!isAnyOf(upper[4], {"ODD", "EVEN", "NONE"}))
            return rc::BadParityArgument;
        if (!isAnyOf(upper[5], {"2", "1"}))
            return rc::BadStopBitsArgument;
        parsed.baudText = upper[3];
        parsed.parityText = upper[4];
        parsed.stopBitsText = upper[5];
        next = 6;
    }

    for (size_t i = next; i < args.size(); ++i) {
        const std::string& arg = upper[i];
        if (beginsWith(arg, "ERRORTIMEOUT"))
            return rc::Success; // the launcher's time limit: the rest is not ours
        const size_t position = i - next;
        if (position == 0) {
            const std::string file = fileArgument(args[i]);
            if (!pathExists(file))
                return rc::BadFileArgument;
            parsed.fileText = file;
        } else if (position == 1) {
            // "SKIP" is accepted like "NOSKIP"; neither turns the printer model check off.
            if (arg == "SKIP" || arg == "NOSKIP")
                row.job.checkModel = 1;
            else if (arg == "PRINT")
                row.job.printAfter = 1;
            else if (arg == "NOPRINT")
                row.job.printAfter = 0;
            else if (arg != "RETSTAT" && arg != "NORETSTAT")
                return rc::BadOptionArgument;
        } else if (position == 2) {
            if (arg == "PRINT")
                row.job.printAfter = 1;
            else if (arg == "NOPRINT")
                row.job.printAfter = 0;
            else if (arg != "RETSTAT" && arg != "NORETSTAT")
                return rc::BadOptionArgument;
        } else {
            return rc::BadOptionArgument;
        }
    }
    return rc::Success;
}

int selectByPrefix(const std::vector<std::string>& entries, std::string_view text, int current)
{
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string& entry = entries[i];
        if (entry.size() < text.size())
            continue;
        bool match = true;
        for (size_t k = 0; k < text.size() && match; ++k)
            match = upper(entry[k]) == upper(text[k]);
        if (match)
            return static_cast<int>(i);
    }
    return current;
}

} // namespace kyv
