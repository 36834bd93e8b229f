#include "download/printer_locator.h"

#include "core/clock.h"
#include "download/printf_text.h"
#include "download/step_reporter.h"
#include "protocol/lan/lan_subnet_search.h"
#include "transport/dcb_comm.h"

namespace kyv {
namespace {

constexpr int kSearches = 4;

} // namespace

int LocatePrinter(CDCBComm& port, StepReporter& report, FlashJob& job, const std::string& mac, uint32_t mask)
{
    report.step("Getting IP Address...");
    if (port.OpenLan(job.ipAddress))
        return 1;
    report.log("TCP Same IP Failed. Going to BroadCast.");
    for (int attempt = 1; attempt <= kSearches && !stopRequested(); ++attempt) {
        if (FindPrinterIpByMac(port, &report.events(), mac, job.ipAddress, mask))
            return 0;
        report.log(printfText("Getting IP Address :: Retry %d", attempt + 1));
        if (attempt == kSearches)
            report.log("Using Previous IP Address");
    }
    return 0;
}

} // namespace kyv
