#include "app/lib/job_summary.h"

#include "core/ipv4_text.h"

namespace kyv {

std::string jobSummary(const ModelInfo& row, std::string_view downloadType)
{
    const FlashJob& job = row.job;
    std::string text;
    auto line = [&text](std::string_view name, std::string_view value) {
        text.append(name).append(": ").append(value).append("\n");
    };
    auto number = [&line](std::string_view name, long long value) { line(name, std::to_string(value)); };
    line("displayName", row.displayName);
    line("family", row.family);
    line("downloadType", downloadType);
    number("startSector", job.startSector);
    number("downloadTypeCode", job.downloadTypeCode);
    line("interfaceName", job.interfaceName);
    number("interfaceKind", job.interfaceKind);
    number("baudRate", job.baudRate);
    line("parity", job.parity);
    number("stopBits", job.stopBits);
    line("ipAddress", formatIpv4(job.ipAddress));
    line("filePath", job.filePath);
    number("progressRange", job.progressRange);
    number("checkModel", job.checkModel);
    number("printAfter", job.printAfter);
    return text;
}

} // namespace kyv
