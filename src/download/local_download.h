#pragma once
// The worker that flashes a printer attached to this computer (COMn, USB report device,
// CPMI/NHPI/PRTR, IBM USB). It reports through job.row.job.notifyWindow: progressStart
// first, step texts and log lines, exactly one of result or success, progressClose, and
// jobEnd last, and returns the line it ended on. A stop request ends the job promptly
// through its fail path.

#include "core/job_end.h"
#include "download/worker_job.h"

namespace kyv {

JobEnd RunLocalDownload(WorkerJob job);

} // namespace kyv
