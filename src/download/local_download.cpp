#include "download/local_download.h"

#include "download/download_pause.h"
#include "download/local_download_run.h"
#include "download/model_family.h"
#include "download/no_receiver.h"

#include <exception>
#include <new>
#include <optional>

namespace kyv {

LocalDownloadRun::LocalDownloadRun(WorkerJob& job, JobEvents& events)
    : row_(job.row), job_(job.row.job), pidList_(job.pidList), events_(events), report_(events), cmd_(&events)
{
}

JobEnd LocalDownloadRun::end() const
{
    JobEnd end = jobEndOf(job_);
    end.userAreaErased = userAreaErased_;
    end.detectedUsbType = detectedUsbType_;
    return end;
}

bool LocalDownloadRun::r453OrR243() const
{
    return isR453OrR243(row_.family);
}

void LocalDownloadRun::run()
{
    try {
        if (ResultCode code = runSteps())
            fail(code);
    } catch (const std::bad_alloc&) {
        fail(rc::NoMemory);
    } catch (const std::exception&) {
        fail(rc::DownloadFailed);
    }
}

ResultCode LocalDownloadRun::runSteps()
{
    start();
    if (ResultCode code = readImage())
        return code;
    cmd_.usb().pidFilter = pidList_;
    for (auto step : {&LocalDownloadRun::openInterface, &LocalDownloadRun::checkVersionAndModel,
                      &LocalDownloadRun::switchUsuOff, &LocalDownloadRun::raiseLineSpeed,
                      &LocalDownloadRun::checkDfnCapacity,
                      &LocalDownloadRun::transfer, &LocalDownloadRun::redetectPrinter,
                      &LocalDownloadRun::reconnect, &LocalDownloadRun::restoreLineSpeed,
                      &LocalDownloadRun::applyMvraSetting, &LocalDownloadRun::switchUsuOn,
                      &LocalDownloadRun::printConfiguration, &LocalDownloadRun::changeEepromSettings}) {
        if (ResultCode code = (this->*step)())
            return code;
        if (stopRequested())
            return kStoppedResult;
    }
    finish();
    return rc::Success;
}

void LocalDownloadRun::start()
{
    cmd_.bindJob(row_);
    const bool ibmUsb = job_.interfaceKind == kIbmUsb;
    // R453 and R243 report devices keep their parsed descriptor for later report writes.
    cmd_.usb().keepPreparsed = r453OrR243() && !ibmUsb ? 1 : 0;
    if (row_.family == "R243" && ibmUsb)
        cmd_.setAltCrc(0);
    events_.progressStart(job_.progressRange);
    report_.step("Checking communication line status..(Step 1)");
}

void LocalDownloadRun::finish()
{
    report_.step(userAreaErased_ ? "Download Completed! User-area erased due to compatibility."
                                                : "Download Completed !!!",
                 job_.progressRange);
    pause(1000); // the printer is flashed: a stop now changes nothing of the outcome
    events_.progressClose();
    cmd_.close();
    resultSent_ = true;
    events_.success(crcText_);
    events_.jobEnd();
}

void LocalDownloadRun::fail(ResultCode code)
{
    if (!resultSent_) {
        resultSent_ = true;
        events_.result(stopRequested() ? kStoppedResult : code);
    }
    report_.log("Enter Fail condition....");
    if (!stopRequested()) {
        restoreSpeedAfterFailure();
        switchUsuOnAfterFailure();
    }
    endJob();
}

void LocalDownloadRun::endJob()
{
    events_.progressClose();
    cmd_.close(); // the line is free before the job is over
    events_.jobEnd();
}

JobEnd RunLocalDownload(WorkerJob job)
{
    NoReceiver nobody;
    JobEvents& events = job.row.job.notifyWindow ? *job.row.job.notifyWindow : nobody;
    std::optional<LocalDownloadRun> run;
    try {
        run.emplace(job, events);
    } catch (...) {
        // No memory for the run itself.
        events.result(rc::NoMemory);
        events.jobEnd();
        return jobEndOf(job.row.job);
    }
    run->run();
    return run->end();
}

} // namespace kyv
