#include "core/dispatch.h"

#include "core/model_selection.h"

#include <charconv>
#include <fstream>

namespace kyv {
namespace {

int integerOf(std::string_view text)
{
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// os-release values may be quoted with " or ' and may carry backslash escapes.
std::string unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        char quote = value.front();
        value = value.substr(1, value.size() - 2);
        if (quote == '\'')
            return std::string(value);
        std::string out;
        for (size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size())
                ++i;
            out.push_back(value[i]);
        }
        return out;
    }
    return std::string(value);
}

} // namespace

WorkerChoice chooseWorker(std::string_view interfaceText, std::string_view modelText, int dialogKind)
{
    if (interfaceText == "LAN") {
        bool online = modelText == "R453" || modelText == "R243";
        return {online ? WorkerRoute::LanOnline : WorkerRoute::Lan, kLanJob};
    }
    if (interfaceText == "WIFI")
        return {WorkerRoute::Wifi, kWifiJob};
    if (interfaceText == "HID")
        return {WorkerRoute::Hid, dialogKind};
    return {WorkerRoute::Local, dialogKind};
}

std::string operatingSystemName(const std::string& osReleasePath)
{
    std::ifstream file(osReleasePath);
    std::string line;
    while (std::getline(file, line)) {
        constexpr std::string_view key = "PRETTY_NAME=";
        if (line.starts_with(key))
            return unquote(std::string_view(line).substr(key.size()));
    }
    return {};
}

std::string logHeader(std::string_view family, std::string_view interfaceText, std::string_view fileText,
                      std::string_view osName)
{
    std::string header = "\r\nBrevant  \r\n*************  \r\nVersion : ";
    header += kVersionText;
    header += " \r\n";
    header.append("Printer Model \t : ").append(family).append(" \r\n");
    header.append("Interface  \t : ").append(interfaceText).append(" \r\n");
    header.append("Firmware File Name \t : ").append(fileText).append(" \r\n");
    header.append("Operating System \t : ").append(osName).append(" \r\n");
    return header;
}

void fillJobFields(FlashJob& job, const JobSettings& settings, JobEvents* notify)
{
    job.interfaceKind = settings.interfaceKind;
    job.interfaceName = settings.interfaceText;
    job.baudRate = integerOf(settings.baudText);
    job.stopBits = integerOf(settings.stopBitsText);
    job.parity = settings.parityText;
    job.ipAddress = settings.ipAddress;
    job.notifyWindow = notify;
    job.filePath = settings.filePath;
    job.workDir = settings.workDir;
    job.commandLineMode = settings.commandLineMode;
    job.imageInfo = settings.imageInfo;
    if (settings.commandLineMode != 0) {
        if (settings.interfaceText == "NHPI")
            job.usbClassPrtr = 0;
        else if (settings.interfaceText == "PRTR")
            job.usbClassPrtr = 1;
    }
    job.portDetection = settings.portDetection ? 1 : 0;
    recordDownloadTypeCode(job, settings.downloadTypeText);
}

} // namespace kyv
