#pragma once
// The job report of an unattended run, written where KYVFLASH_REPORT points.

#include "core/job_report.h"
#include "core/job_trace.h"

#include <chrono>
#include <string>

namespace kyv {

// The report of a job: what the trace says, the image measured, the COM name's device
// and the network printer's port read from the settings, the result with its words.
JobReport reportForJob(const JobTrace& trace, ResultCode code, const std::string& resultWords,
                       std::chrono::system_clock::time_point start, std::chrono::system_clock::time_point end);

// Writes the report when KYVFLASH_REPORT names a path; a report that cannot be written is
// said on standard error and changes nothing else.
void writeRequestedReport(const JobReport& report);

} // namespace kyv
