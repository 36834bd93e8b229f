#pragma once
// The worker procedures a job can run on its thread, looked up by kind. A worker reads
// the job fields of its catalogue row, reports through row.job.notifyWindow (JobEvents):
// progressStart before the first progress, progressClose when done with the progress
// dialog, exactly one of result or success, and jobEnd last.

#include "core/catalogue.h"

namespace kyv {

enum class WorkerKind {
    LanOnline, // LAN, model R453 or R243
    Lan,       // LAN, any other model
    Wifi,
    Hid,
    Local, // COMn, CPMI, NHPI, PRTR, IBM USB, USB
};

using WorkerProcedure = void (*)(ModelInfo& row);

// The procedure for a kind, or nullptr while this build has none for it (the caller then
// tells the user and starts nothing).
WorkerProcedure workerProcedure(WorkerKind kind);

} // namespace kyv
