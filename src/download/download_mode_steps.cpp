#include "download/standard_download_steps.h"

#include "core/catalogue.h"
#include "download/download_pause.h"
#include "download/model_family.h"
#include "download/printf_text.h"
#include "download/serial_reopen.h"
#include "protocol/flash_cmd.h"

#include <array>

namespace kyv {

namespace {

constexpr int kDownloadModePolls = 30;

// The Fenn II download mode of the altCrc printers.
constexpr std::array<uint8_t, 2> kFennIplCommand{0x1D, 0x16};
constexpr std::array<uint8_t, 16> kFennUnlock{0x1D, 0x30, 0x10, 0x00, 0x00, 0x01, 0x02, 0x03,
                                              0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x10, 0x11};

// The printer re-enumerates on USB when it changes mode; without a USB report device in
// reach it may come back behind an Edgeport adapter, which then becomes the job's port.
void lookForPrinterAfterSwitch(StandardDownload& job)
{
    FlashJob& settings = job.row.job;
    job.cmd.close();
    job.cmd.usb().pidFilter = job.pidList;
    job.cmd.usb().forgetDevice();
    // USB report devices are not reached by this build, so the printer is looked for on
    // the serial lines.
    job.report.log("Open HID 0....");
    if (!job.cmd.findEdgeportPorts()) {
        // Found nowhere else: the printer keeps its identification, and step 7 opens its
        // line again.
        job.report.log(printfText("(Open HID 00)COM Port detected is %s", settings.interfaceName.c_str()));
        return;
    }
    settings.interfaceName = job.cmd.lastEdgeportPort;
    settings.interfaceKind = kSerialPort;
    job.report.log(printfText("(Open HID 0)COM Port detected is %s", settings.interfaceName.c_str()));
    job.report.log("Close comm....");
    // A line that does not open now is reported when step 7 opens it again.
    openSerialLine(job.cmd, settings);
}

} // namespace

ResultCode switchToDownloadMode(StandardDownload& job)
{
    job.cmd.setReadTimeout(5000);
    job.report.step("Switching printer to download mode (Step 6) ...");
    if (job.printerMode != PrinterMode::Online)
        return rc::Success; // already in download mode

    if (!job.cmd.switchToDownloadMode(cmd::kEnterDownloadMode))
        return stopRequested() ? kStoppedResult : rc::CannotSwitchToDownload;
    if (!pause(8000))
        return kStoppedResult;

    if (!job.portDetection) {
        job.report.log("Auto Detect 0....");
        return rc::Success;
    }
    job.report.log("Auto Detect TRUE....");
    if (job.row.family == "R243" && !pause(12000))
        return kStoppedResult;
    if (!pause(2000))
        return kStoppedResult;
    lookForPrinterAfterSwitch(job);
    return rc::Success;
}

ResultCode pollDownloadMode(StandardDownload& job, bool afterSwitch)
{
    for (int attempt = 1; attempt <= kDownloadModePolls; ++attempt) {
        if (afterSwitch)
            job.report.log("Sent IPL command");
        if (job.cmd.sendWithAck(cmd::kIplCommand))
            return rc::Success;
        if (afterSwitch)
            job.report.log("Sent IPL command timeout");
        if (stopRequested() || job.cmd.lineDropped())
            return stopRequested() ? kStoppedResult : rc::InterfaceBusy;
        if (afterSwitch && attempt < kDownloadModePolls && !pause(1000))
            return kStoppedResult;
    }
    return rc::InterfaceBusy;
}

ResultCode findPrinterInDownloadMode(StandardDownload& job)
{
    FlashJob& settings = job.row.job;
    if (job.printerMode == PrinterMode::Online) {
        job.report.step("Checking communication line status..(Step 7).");
        job.cmd.setReadTimeout(1000);
        job.report.log("communicationMode == 0");
        if (!reopenSerialLine(job.cmd, settings))
            return rc::NoPortHandle;
        job.cmd.setReadTimeout(1000); // opening the line sets its own read time-out
    }
    if (job.row.altCrc) {
        bool written = job.cmd.sendRaw(kFennIplCommand);
        if (written && isOneOf(job.row.family, {"KSX4-1ST/2ST", "Q913-E615"}))
            written = job.cmd.sendRaw(kFennUnlock);
        if (!written)
            return rc::FennModeError;
    }
    if (ResultCode code = pollDownloadMode(job, true))
        return code;
    job.cmd.setReadTimeout(60000);
    return rc::Success;
}

} // namespace kyv
