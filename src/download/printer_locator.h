#pragma once
// Finding a network printer again after it restarted into its boot program or after a
// reset: first at the address it had, then by its MAC address among the printers of its
// subnet (protocol/lan/lan_subnet_search.h).

#include "core/catalogue.h"

#include <cstdint>
#include <string>

namespace kyv {

class CDCBComm;
class StepReporter;

// 1 when the printer still takes a raw-port connection at job.ipAddress (the connection
// then stays open on port); 0 otherwise, with job.ipAddress replaced when one of four
// subnet searches found the printer whose MAC text is mac. The caller goes on with
// job.ipAddress either way.
int LocatePrinter(CDCBComm& port, StepReporter& report, FlashJob& job, const std::string& mac, uint32_t mask);

} // namespace kyv
