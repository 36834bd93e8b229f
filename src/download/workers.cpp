#include "download/workers.h"

namespace kyv {

WorkerProcedure workerProcedure(WorkerKind)
{
    return nullptr; // no download procedure is built yet
}

} // namespace kyv
