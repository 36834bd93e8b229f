#pragma once
// The worker procedures a job can run on its thread, looked up by kind. A worker reads
// the job fields of its catalogue row, reports through row.job.notifyWindow (JobEvents):
// progressStart before the first progress, progressClose when done with the progress
// dialog, exactly one of result or success, and jobEnd last.

#include "core/catalogue.h"
#include "core/dispatch.h"

namespace kyv {

// The worker a job runs on, as the dispatch in core chooses it.
using WorkerKind = WorkerRoute;

using WorkerProcedure = void (*)(ModelInfo& row);

// The procedure for a kind, or nullptr while this build has none for it (the caller then
// tells the user and starts nothing).
WorkerProcedure workerProcedure(WorkerKind kind);

} // namespace kyv
