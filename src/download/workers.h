#pragma once
// The worker procedures a job can run on its thread, looked up by kind. A worker gets
// the job by value, reports through job.row.job.notifyWindow (JobEvents): progressStart
// before the first progress, progressClose when done with the progress dialog, exactly
// one of result or success, and jobEnd last; it returns what the run changed.

#include "core/catalogue.h"
#include "core/dispatch.h"
#include "core/job_end.h"
#include "download/worker_job.h"

#include <functional>

namespace kyv {

// The worker a job runs on, as the dispatch in core chooses it.
using WorkerKind = WorkerRoute;

using WorkerProcedure = JobEnd (*)(WorkerJob job);
// A procedure or a stand-in for one (the dialog's tests).
using WorkerFunction = std::function<JobEnd(WorkerJob job)>;

// The procedure for a kind, or nullptr while this build has none for it (the caller then
// tells the user and starts nothing).
WorkerProcedure workerProcedure(WorkerKind kind);

} // namespace kyv
