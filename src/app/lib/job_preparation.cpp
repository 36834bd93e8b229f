#include "app/lib/job_preparation.h"

#include "core/dispatch.h"
#include "protocol/image_check.h"

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

    // Every refusal is the job's result here, the J5 ones included: an unattended run that
    // ended on a refused image must not report success.
    job.code = validateImageForDownload(*job.row, s.downloadTypeText, s.downloadTypeIndex, s.filePath).code;

    JobSettings settings;
    settings.interfaceKind = s.interfaceKind;
    settings.interfaceText = s.interfaceText;
    settings.baudText = s.baudText;
    settings.parityText = s.parityText;
    settings.stopBitsText = s.stopBitsText;
    settings.ipAddress = s.ipAddress;
    settings.filePath = s.filePath;
    settings.workDir = workDir;
    settings.downloadTypeText = s.downloadTypeText;
    settings.commandLineMode = values.commandLineMode;
    settings.imageInfo = job.row->job.imageInfo;
    fillJobFields(job.row->job, settings, nullptr);
    job.row->job.interfaceKind = chooseWorker(s.interfaceText, job.row->displayName, s.interfaceKind).interfaceKind;
    return job;
}

} // namespace kyv
