#include "download/workers.h"

#include "download/hid_download.h"
#include "download/local_download.h"
#include "download/wifi_download.h"

namespace kyv {

WorkerProcedure workerProcedure(WorkerKind kind)
{
    switch (kind) {
    case WorkerKind::Local:
        return &RunLocalDownload;
    case WorkerKind::Hid:
        return static_cast<JobEnd (*)(WorkerJob)>(&RunHidDownload);
    case WorkerKind::Wifi:
        return &RunWifiDownload;
    default:
        // The network downloads are not part of this build yet: the LAN download
        // (download/lan_download) is written but has not flashed a simulated printer, so
        // no LAN job runs it.
        return nullptr;
    }
}

} // namespace kyv
