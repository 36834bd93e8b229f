#include "app/lib/job_preparation.h"

#include "download/job_run.h"

namespace kyv {

PreparedJob prepareJob(const std::vector<std::string>& args, ModelCatalogue& catalogue, const std::string& workDir,
                       ProcessValues& values)
{
    PreparedJob job;
    job.code = parseCommandLine(args, catalogue, job.arguments, values);
    if (job.code != rc::Success || values.commandLineMode == 0)
        return job;
    job.parsed = true;
    job.row = &catalogue.row(job.arguments.modelIndex);
    job.selection = selectForUnattendedRun(job.arguments, *job.row, workDir, values);
    const UnattendedSelection& s = job.selection;

    // The controls an unattended run fills from the same selection, read as Flash Device reads them.
    JobRequest request;
    request.settings.interfaceKind = s.interfaceKind;
    request.settings.interfaceText = s.interfaceText;
    request.settings.baudText = s.baudText;
    request.settings.parityText = s.parityText;
    request.settings.stopBitsText = s.stopBitsText;
    request.settings.ipAddress = s.ipAddress;
    request.settings.filePath = s.filePath;
    request.settings.workDir = workDir;
    request.settings.downloadTypeText = s.downloadTypeText;
    request.fileText = s.fileText;
    request.downloadTypeIndex = s.downloadTypeIndex;

    // Every refusal is the job's result here, the J5 ones included: an unattended run that
    // ended on a refused image must not report success.
    JobRun run(*job.row, std::move(request));
    job.code = run.checkImage();
    run.dispatch(values, nullptr);
    return job;
}

} // namespace kyv
