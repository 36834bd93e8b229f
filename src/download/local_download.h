#pragma once
// The worker that flashes a printer attached to this computer (COMn, USB report device,
// CPMI/NHPI/PRTR, IBM USB). It reports through row.job.notifyWindow: progressStart first,
// step texts and log lines, exactly one of result or success, progressClose, and jobEnd
// last. A stop request ends the job promptly through its fail path.

#include "core/catalogue.h"

namespace kyv {

void RunLocalDownload(ModelInfo& row);

} // namespace kyv
