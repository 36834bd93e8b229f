#pragma once
// The download of an Ethernet printer (LAN): the image goes to the printer's FTP server,
// in one or two parts, each written to flash at the sector the raw port names; then the
// printer's CRC of the image, the reset, finding the printer again and clearing its
// download area.

#include "core/job_end.h"
#include "download/worker_job.h"

namespace kyv {

JobEnd RunLanDownload(WorkerJob job);

} // namespace kyv
