#include "download/standard_download_steps.h"

#include "download/download_pause.h"
#include "download/model_family.h"
#include "protocol/flash_cmd.h"

namespace kyv {

ResultCode recalculateImageCrc(StandardDownload& job)
{
    job.cmd.setReadTimeout(60000);
    if (job.mainFirmware) {
        job.report.step("Recalculate MFW CRC (Step 10)");
        if (!job.cmd.recalculateCrc(cmd::kRecalculateMainCrc, job.printerCrc))
            return rc::CannotRecalculateCrc;
    } else if (job.bootFirmware) {
        job.report.step("Recalculate IPL CRC (Step 10)");
        if (!job.cmd.recalculateCrc(cmd::kRecalculateIplCrc, job.printerCrc))
            return rc::CannotRecalculateCrc;
    }
    return rc::Success;
}

ResultCode resetPrinter(StandardDownload& job)
{
    const bool r453OrR243 = isR453OrR243(job.row.family);
    job.report.tick();
    job.report.step("Reseting printer..(Step 11).");
    bool reset = false;
    if (job.row.altCrc && job.bootFirmware && !r453OrR243)
        reset = job.cmd.restartPrinter(); // the new boot program restarts with 1D 80
    else
        reset = job.cmd.sendAndWaitRestart(cmd::kReset);
    if (stopRequested())
        return kStoppedResult;
    if (!reset)
        return rc::CannotReset;
    const bool r243OverIbmUsb = job.row.family == "R243" && job.row.job.interfaceKind == kIbmUsb;
    if ((job.row.family == "R241-9354-7004" || r243OverIbmUsb) && !pause(40000))
        return kStoppedResult;
    job.report.step("Download completed!");
    // An R453 (on any interface), and an R243 over IBM USB, is back from its reset sooner.
    const bool quickRestart = job.row.family == "R453" || r243OverIbmUsb;
    if (!pause(quickRestart ? 1000 : 4000))
        return kStoppedResult;
    return rc::Success;
}

} // namespace kyv
