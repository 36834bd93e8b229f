#include "download/job_run.h"

#include "protocol/image_check.h"

#include <utility>

namespace kyv {

ResultCode JobRun::checkImage()
{
    const JobSettings& s = request_.settings;
    const ImageCheck check = validateImageForDownload(row_, s.downloadTypeText, request_.downloadTypeIndex, s.filePath);
    hidImage_ = check.hidImage;
    hidTypeLetter_ = check.hidTypeLetter;
    return check.code;
}

std::string JobRun::logHeader(std::string_view osName) const
{
    return kyv::logHeader(row_.family, request_.settings.interfaceText, request_.fileText, osName);
}

WorkerChoice JobRun::dispatch(const ProcessValues& values, JobEvents* notify)
{
    JobSettings settings = request_.settings;
    settings.commandLineMode = values.commandLineMode;
    settings.imageInfo = row_.job.imageInfo; // as the image check found them
    fillJobFields(row_.job, settings, notify);
    const WorkerChoice choice = chooseWorker(settings.interfaceText, row_.displayName, settings.interfaceKind);
    row_.job.interfaceKind = choice.interfaceKind;
    return choice;
}

WorkerJob JobRun::takeWorkerJob(const ProcessValues& values)
{
    WorkerJob job(row_, values.pidList);
    job.hidImage = hidImage_;
    job.hidTypeLetter = hidTypeLetter_;
    return job;
}

} // namespace kyv
