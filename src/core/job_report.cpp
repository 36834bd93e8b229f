#include "core/job_report.h"

#include "core/atomic_file.h"
#include "core/iso_time.h"
#include "core/version.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstring>

namespace kyv {
namespace {

nlohmann::ordered_json textOrNull(const std::string& text)
{
    return text.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(text);
}

std::string hex4(uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
}

} // namespace

std::string jobReportJson(const JobReport& r)
{
    using json = nlohmann::ordered_json; // members in the order a person reads them
    const double seconds = std::chrono::duration<double>(r.end - r.start).count();
    json object = json::object();
    object["program"] = "KyvFlash";
    object["version"] = kVersionNumber;
    object["model"] = textOrNull(r.model);
    object["downloadType"] = textOrNull(r.downloadType);
    object["interface"] = textOrNull(r.interfaceName);
    object["device"] = textOrNull(r.device);
    object["address"] = textOrNull(r.address);
    object["port"] = r.port > 0 ? json(r.port) : json();
    object["imagePath"] = textOrNull(r.imagePath);
    object["imageSize"] = r.imageSize ? json(*r.imageSize) : json();
    object["imageCrc"] = r.imageCrc ? json(hex4(*r.imageCrc)) : json();
    object["imageCrcKind"] = r.imageCrc ? textOrNull(r.imageCrcKind) : json();
    object["printerCrc"] = textOrNull(r.printerCrcText);
    object["resultCode"] = r.resultCode;
    object["resultText"] = r.resultText;
    object["exitStatus"] = r.exitStatus;
    object["start"] = isoLocalTime(r.start);
    object["end"] = isoLocalTime(r.end);
    object["durationSeconds"] = seconds < 0 ? 0.0 : static_cast<double>(static_cast<long long>(seconds * 1000)) / 1000;
    object["logFile"] = textOrNull(r.logPath);
    object["lastStep"] = r.resultCode != rc::Success ? textOrNull(r.lastStep) : json();
    // Texts from files and printers may hold bytes that are not UTF-8: they are replaced,
    // never a reason to lose the report.
    return object.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool writeJobReport(const std::string& path, const JobReport& report, std::string& why)
{
    if (writeFileAtomically(path, jobReportJson(report)))
        return true;
    why = std::strerror(errno);
    return false;
}

} // namespace kyv
