#include "launcher/lib/launcher_report.h"

#include "core/atomic_file.h"
#include "core/exit_status.h"
#include "core/iso_time.h"
#include "core/version.h"

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace kyv::launcher {
namespace {

using json = nlohmann::ordered_json; // KyvFlash's members keep their order

double secondsBetween(std::chrono::system_clock::time_point a, std::chrono::system_clock::time_point b)
{
    const double seconds = std::chrono::duration<double>(b - a).count();
    return seconds < 0 ? 0.0 : static_cast<double>(static_cast<long long>(seconds * 1000)) / 1000;
}

} // namespace

std::string reportAfterStop(const std::string& existing, const LauncherStop& stop)
{
    json report = json::parse(existing, nullptr, false);
    if (!report.is_object()) {
        // KyvFlash left nothing usable: the launcher says what it knows.
        report = json::object();
        report["program"] = "KyvFlashCom";
        report["version"] = kVersionNumber;
        report["resultCode"] = rc::StoppedAtTimeLimit;
        report["resultText"] = stop.appWas;
        report["exitStatus"] = stop.exitStatus;
        report["start"] = isoLocalTime(stop.start);
        report["end"] = isoLocalTime(stop.end);
        report["durationSeconds"] = secondsBetween(stop.start, stop.end);
    }
    json launcher = json::object();
    launcher["program"] = "KyvFlashCom";
    launcher["version"] = kVersionNumber;
    launcher["outcome"] = "stopped KyvFlash";
    launcher["reason"] = stop.reason;
    launcher["appWas"] = stop.appWas;
    launcher["timeLimitSeconds"] = stop.timeLimitSeconds;
    launcher["exitStatus"] = stop.exitStatus;
    launcher["end"] = isoLocalTime(stop.end);
    report["launcher"] = launcher;
    return report.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

ReportIdentity reportIdentity(const std::string& path)
{
    ReportIdentity identity;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return identity;
    identity.exists = true;
    identity.device = info.st_dev;
    identity.inode = info.st_ino;
    identity.modifiedNs = static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
    return identity;
}

bool addStopToReport(const std::string& path, const ReportIdentity& before, const LauncherStop& stop,
                     std::string& why)
{
    std::string existing;
    const ReportIdentity now = reportIdentity(path);
    if (now.exists && !(now == before)) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        existing = text.str();
    }
    if (writeFileAtomically(path, reportAfterStop(existing, stop)))
        return true;
    why = std::strerror(errno);
    return false;
}

} // namespace kyv::launcher
