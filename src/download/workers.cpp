#include "download/workers.h"

#include "download/local_download.h"

namespace kyv {

WorkerProcedure workerProcedure(WorkerKind kind)
{
    switch (kind) {
    case WorkerKind::Local:
        return &RunLocalDownload;
    default:
        return nullptr; // the network and HID downloads are not part of this build yet
    }
}

} // namespace kyv
