#pragma once
// Everything an unattended run does before a worker starts: parse the arguments, select
// model, download type and interface as the dialog does, check the image and fill the job
// fields of the chosen catalogue row.

#include "core/catalogue.h"
#include "core/command_line.h"
#include "core/process_values.h"
#include "core/result_code.h"
#include "core/unattended_run.h"

#include <string>
#include <vector>

namespace kyv {

struct PreparedJob {
    ResultCode code = rc::Success; // parse error, image-check refusal, or 0
    bool parsed = false;           // the arguments were valid (the row and selection are set)
    ParsedArguments arguments;
    UnattendedSelection selection;
    ModelInfo* row = nullptr;
};

// args excludes the program name; workDir is the start-up directory. The job fields are
// written even when the image check refuses, so that a dry run shows the whole job; no
// worker ever starts from a refused job.
PreparedJob prepareJob(const std::vector<std::string>& args, ModelCatalogue& catalogue, const std::string& workDir,
                       ProcessValues& values);

} // namespace kyv
