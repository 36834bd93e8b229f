#pragma once
// The download of a printer on WiFi: the image goes sector by sector over the printer's
// raw TCP port (erase, select, data, sector CRC, each sector retried up to ten times),
// around it the printer is identified by its MAC address, switched into its boot program
// and found again on its subnet after each restart; then the image CRC, the reset and
// clearing its download area.

#include "core/job_end.h"
#include "download/worker_job.h"

namespace kyv {

JobEnd RunWifiDownload(WorkerJob job);

} // namespace kyv
