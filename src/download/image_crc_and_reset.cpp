#include "download/standard_download_steps.h"

#include "download/download_pause.h"
#include "download/model_family.h"
#include "download/printf_text.h"
#include "protocol/flash_cmd.h"

namespace kyv {

namespace {

// IBM USB: the printer recalculates on a framed command and its status report carries the
// CRC; each recalculation is logged with the CRC.
bool ibmUsbCrc(StandardDownload& job, ByteString frame, const char* logFormat)
{
    if (!job.cmd.sendFramedAndRead(frame, job.printerCrc))
        return false;
    job.report.log(printfText(logFormat, job.printerCrc));
    return true;
}

ResultCode recalculateOverIbmUsb(StandardDownload& job)
{
    const cmd::IbmUsbFrame mainCrc = cmd::ibmUsbFrame(cmd::kRecalculateMainCrc);
    const cmd::IbmUsbFrame iplCrc = cmd::ibmUsbFrame(cmd::kRecalculateIplCrc);
    if (job.bootFirmware) {
        job.report.step("Recalculate IPL CRC (Step 10)");
        return ibmUsbCrc(job, iplCrc, "1D 07 CRC - %04x") ? rc::Success : rc::CannotRecalculateCrc;
    }
    if (!job.mainFirmware)
        return rc::Success;
    job.report.step("Recalculate MFW CRC (Step 10)");
    if (!ibmUsbCrc(job, mainCrc, "CRC - %04x"))
        return rc::CannotRecalculateCrc;
    if (job.row.family != "R242-57X6/56X6/1456" || job.swapSupport != kSwapSupported)
        return rc::Success;
    const cmd::IbmUsbFrame afterSwap = cmd::ibmUsbFrame(cmd::kIbmUsbCrcAfterSwap, cmd::kIbmUsbSwapPage);
    if (!ibmUsbCrc(job, afterSwap, "10 07 CRC - %04x"))
        return rc::CannotRecalculateCrc;
    job.report.step("IBM USB Swap Firmware ...");
    if (!job.cmd.sendSwapCommand(cmd::kIbmUsbSwapFirmware, ProtocolMs{70000}))
        return stopRequested() ? kStoppedResult : rc::IbmUsbSwapFailed;
    job.report.log("Swap Firmware Command Sent Successfully.");
    return ibmUsbCrc(job, iplCrc, "1d 07 CRC - %04x") ? rc::Success : rc::CannotRecalculateCrc;
}

} // namespace

ResultCode recalculateImageCrc(StandardDownload& job)
{
    job.cmd.setReadTimeout(60000);
    if (job.cmd.kind() == kIbmUsb)
        return recalculateOverIbmUsb(job);
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
    if (job.row.altCrc && job.bootFirmware && !r453OrR243) {
        reset = job.cmd.restartPrinter(); // the new boot program restarts with 1D 80
    } else if (job.cmd.kind() == kIbmUsb) {
        reset = job.cmd.sendRaw(cmd::ibmUsbFrame(cmd::kReset));
        job.cmd.close(); // the printer leaves the bus as it restarts
    } else
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
