#include "download/workers.h"

#include "download/hid_download.h"
#include "download/lan_download.h"
#include "download/lan_online_download.h"
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
    case WorkerKind::Lan:
        return &RunLanDownload;
    case WorkerKind::LanOnline:
        return &RunLanOnlineDownload;
    case WorkerKind::Wifi:
        return &RunWifiDownload;
    }
    return nullptr;
}

} // namespace kyv
