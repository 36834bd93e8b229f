#pragma once
// The launcher's part of the job report (KYVFLASH_REPORT, which KyvFlash inherits and
// writes): when the launcher had to stop KyvFlash, the report gains a "launcher" member
// saying so. A report KyvFlash did not manage to write in this run (killed after the
// grace) is replaced by one of the launcher's own, so the path never holds a stale or
// missing report after a stop.

#include <chrono>
#include <string>

namespace kyv::launcher {

struct LauncherStop {
    std::string reason;     // "time limit of 120 s reached", ...
    std::string appWas;     // what KyvFlash was when stopped, in the launcher's words
    int timeLimitSeconds = 0;
    int exitStatus = 0;     // the launcher's own exit status
    std::chrono::system_clock::time_point start; // the launcher's start
    std::chrono::system_clock::time_point end;
};

// The report text after a stop: `existing` (KyvFlash's report, or empty when there is
// none from this run) with the launcher member added. Returns the text to write.
std::string reportAfterStop(const std::string& existing, const LauncherStop& stop);

// Which file the report path held before KyvFlash started: KyvFlash replaces the report
// by renaming a new file over it, so a report from this run is another file.
struct ReportIdentity {
    bool exists = false;
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long modifiedNs = 0;
    bool operator==(const ReportIdentity&) const = default;
};
ReportIdentity reportIdentity(const std::string& path);

// Reads the report at path when KyvFlash wrote it in this run (its identity is not
// `before`), adds the stop and replaces the file atomically. Returns false with the
// reason when it cannot write.
bool addStopToReport(const std::string& path, const ReportIdentity& before, const LauncherStop& stop,
                     std::string& why);

} // namespace kyv::launcher
