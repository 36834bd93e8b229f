#pragma once
// One job from "Flash Device" on, without any window: the image check, the log header,
// the job fields written into the selected catalogue row, the worker chosen for them and
// the copy of the job that worker gets. The dialog runs it from its controls, a dry run
// from the command line, the tests from plain values; the worker itself runs on a
// WorkerThread, and what it hands back is written into the row after the thread has
// been joined (applyJobEnd).

#include "core/catalogue.h"
#include "core/dispatch.h"
#include "core/job_events.h"
#include "core/process_values.h"
#include "core/result_code.h"
#include "download/worker_job.h"

#include <string>
#include <string_view>
#include <utility>

namespace kyv {

// What the controls (or the command line) say when the job starts.
struct JobRequest {
    JobSettings settings;       // interface, line settings, file path, download type, ...
    std::string fileText;       // the file box's text, for the log header
    int downloadTypeIndex = -1; // position of the type in the model's type list (J5 check)
};

class JobRun {
public:
    JobRun(ModelInfo& row, JobRequest request) : row_(row), request_(std::move(request)) {}

    // Checks the image for the row and stores its progress total and image bytes there;
    // a J5-family image is marked for this job's worker to load. Returns 0 or the
    // refusal's code.
    ResultCode checkImage();
    // The header the session log gets before the job starts.
    std::string logHeader(std::string_view osName) const;
    // Writes the job fields of the row from the request, chooses the worker and stores the
    // kind the job runs with.
    WorkerChoice dispatch(const ProcessValues& values, JobEvents* notify);
    // The job as its worker gets it: a copy of the row and of the family's product ids;
    // a J5-family job says which image its worker loads.
    WorkerJob takeWorkerJob(const ProcessValues& values);

    const ModelInfo& row() const { return row_; }

private:
    ModelInfo& row_;
    JobRequest request_;
    bool hidImage_ = false; // the image check found a J5-family image
    char hidTypeLetter_ = 0;
};

} // namespace kyv
