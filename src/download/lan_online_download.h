#pragma once
// The download of an R453 or R243 on the network: the printer stays in online mode and
// takes the whole image in one framed block on its raw port, writes its flash itself and
// answers with its CRC; then it is reset and waited for.

#include "core/job_end.h"
#include "download/worker_job.h"

namespace kyv {

JobEnd RunLanOnlineDownload(WorkerJob job);

} // namespace kyv
