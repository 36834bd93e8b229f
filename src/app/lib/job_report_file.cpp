#include "app/lib/job_report_file.h"

#include "core/catalogue.h"
#include "core/exit_status.h"
#include "core/ipv4_text.h"
#include "core/profile_store.h"
#include "protocol/crc.h"
#include "transport/net/net_settings.h"
#include "transport/port_names.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace kyv {
namespace {

// Size and CRC of the whole file, the CRC of the kind the model's printers compute.
void measureImage(JobReport& report, int altCrc)
{
    if (report.imagePath.empty())
        return;
    std::ifstream file(report.imagePath, std::ios::binary);
    if (!file)
        return;
    CrcAccumulator crc(altCrc);
    std::array<char, 64 * 1024> buffer;
    std::uintmax_t size = 0;
    while (file) {
        file.read(buffer.data(), buffer.size());
        const auto got = static_cast<size_t>(file.gcount());
        crc.feed(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(buffer.data()), got));
        size += got;
    }
    if (file.bad())
        return; // a read failed (a directory, an I/O error): neither figure is known
    report.imageSize = size;
    report.imageCrc = crc.reported();
    report.imageCrcKind = altCrc ? "direct CRC 0x1021" : "CRC-16/ARC";
}

} // namespace

JobReport reportForJob(const JobTrace& trace, ResultCode code, const std::string& resultWords,
                       std::chrono::system_clock::time_point start, std::chrono::system_clock::time_point end)
{
    JobReport report;
    report.model = trace.model;
    report.downloadType = trace.downloadType;
    report.interfaceName = trace.interfaceName;
    report.imagePath = trace.filePath;
    report.logPath = trace.logPath;
    report.printerCrcText = trace.completionText;
    report.lastStep = trace.lastStep;
    if (trace.started) {
        const ProfileStore settings = ProfileStore::forUser();
        if (trace.interfaceKind == kSerialPort)
            report.device = devicePathForPort(trace.interfaceName, settings);
        if (trace.interfaceKind == kLanOrWifi) {
            report.address = formatIpv4(trace.ipAddress);
            report.port = readNetSettings(settings).rawPort;
        }
        measureImage(report, trace.altCrc);
    }
    report.resultCode = code;
    report.resultText = resultWords;
    report.exitStatus = exitStatusFor(code);
    report.start = start;
    report.end = end;
    return report;
}

void writeRequestedReport(const JobReport& report)
{
    const char* path = std::getenv(kReportVariable);
    if (path == nullptr || *path == '\0')
        return;
    std::string why;
    if (!writeJobReport(path, report, why))
        std::fprintf(stderr, "KyvFlash: cannot write the job report to %s: %s\n", path, why.c_str());
}

} // namespace kyv
